#pragma once
// What the front panel shows for a frequency and where tuning lands: the
// display text, the band wrap, the slider's place, preset recognition and
// the window titles. No widgets, so that it checks without a display.

#include "TunerSettings.h"

#include <string>
#include <string_view>

// The separator the digit display shows: its strip has a cell for "." and
// ","; any other separator of the user's locale shows as that decimal cell.
std::string_view DisplaySeparator(std::string_view localeSeparator);

// "000.0##": at least three integer digits, one to three decimals, rounded;
// 87.5 gives "087.5", 100.05 "100.05". The separator is text, so that a
// locale's separator outside Latin-1 stays whole.
std::string DigitDisplayText(double mhz, std::string_view decimalSeparator);

// Past the top of the band to the bottom and the reverse; values are wrapped,
// not clamped, so a fine step up from 108.0 gives 87.0.
double WrapIntoBand(double mhz, const TTunerSettings& s);

// Tenths of a MHz on the slider, kept within its 870..1080.
inline constexpr int SliderMinimum = 870;
inline constexpr int SliderMaximum = 1080;
int SliderPositionFor(double mhz);

// The lowest preset whose frequency text equals that of `mhz`, or 0. Empty
// presets hold 0.0 and never match.
int RecognisedPreset(double mhz);

// Titles: "Tunzo 103.3 Radio One" (or "Tunzo 103.3" without a station) when a
// preset is recognised; "Tunzo " + marker + " " + frequency + " " + name when
// one is chosen.
std::string RecognitionTitle(const std::string& frequencyText, const std::string* stationName);
std::string PresetChoiceTitle(const std::string& scanMarker, const std::string& frequencyText,
                              const std::string& stationName);
