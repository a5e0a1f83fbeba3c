#pragma once
// The front panel's decisions, kept apart from its widgets so that they can
// be checked without a display: the displayed texts, the band wrap, preset
// recognition, the reception of forwarded actions and the exit choice.

#include "Actions.h"
#include "TunerSettings.h"

#include <cstdint>
#include <string>

// "000.0##": at least three integer digits, one to three decimals, rounded;
// 87.5 gives "087.5", 100.05 "100.05".
std::string DigitDisplayText(double mhz, char decimalSeparator);

// Past the top of the band to the bottom and the reverse; values are wrapped,
// not clamped, so a fine step up from 108.0 gives 87.0.
double WrapIntoBand(double mhz, const TTunerSettings& s);

// Tenths of a MHz on the slider, kept within its 870..1080.
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

// The running instance's side of a hand-over: a header (code 100) announces
// how many entries follow; each entry lands in the action list; the last one
// completes the list.
struct ActionReception {
    enum Result { Pending, Complete, Ignored };
    // Stores into `list`; when Complete, list.Count holds the entries to run.
    // Entries beyond `capacity` are counted but not stored, and entries with
    // no header before them are ignored, so no message can write outside the
    // list.
    Result Receive(int32_t code, int32_t value, TActionList& list, int capacity);

    int8_t expected = 0;
    int8_t received = 0;
};

// What the Power button does to the radio.
enum class LeaveChoice { Ask, Mute, LeavePlaying };
LeaveChoice ChooseLeaveAction(int8_t shutdownOptions, bool soundOn);
