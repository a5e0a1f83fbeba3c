#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// Rounds to `digits` decimals, halves away from zero; results within 1e-8 of
// zero become exactly 0. Every frequency reaches a card through this with 3.
long double RoundDigits(long double x, uint16_t digits);

// The shortest general decimal form with up to 15 significant digits ("88",
// "103.3"), with `decimalSeparator` for the point: text, since a locale's
// separator may take more than one byte (the Arabic one does).
std::string FrequencyText(double mhz, std::string_view decimalSeparator = ".");

// What a list of presets shows for one: its station name, or, for a preset
// without one (blanks are none), its frequency, "94.2 MHz", so that no line
// of the list is empty.
std::string StationLabel(const std::string& stationName, double mhz, std::string_view decimalSeparator = ".");
