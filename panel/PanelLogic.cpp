#include "PanelLogic.h"

#include "Frequency.h"
#include "Presets.h"

#include <algorithm>
#include <cstdio>

std::string DigitDisplayText(double mhz, char decimalSeparator)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", static_cast<double>(RoundDigits(mhz, 3)));
    std::string s = text;
    // Trailing zeros go, but one decimal always stays.
    while (s.size() >= 2 && s.back() == '0' && s[s.size() - 2] != '.')
        s.pop_back();
    const size_t point = s.find('.');
    if (point < 3)
        s.insert(0, 3 - point, '0');
    s[s.find('.')] = decimalSeparator;
    return s.substr(0, 255);
}

double WrapIntoBand(double mhz, const TTunerSettings& s)
{
    if (mhz > s.BandMaximum)
        mhz = s.BandMinimum;
    if (mhz < s.BandMinimum)
        mhz = s.BandMaximum;
    return mhz;
}

int SliderPositionFor(double mhz)
{
    const long double tenths = RoundDigits(mhz, 1) * 10;
    return std::clamp(static_cast<int>(RoundDigits(tenths, 0)), 870, 1080);
}

int RecognisedPreset(double mhz)
{
    // Compared as texts, as the user sees them: equal to 15 significant digits.
    const std::string wanted = FrequencyText(mhz);
    for (int n = 1; n <= PresetCount; ++n) {
        const PresetSlot& p = Presets[static_cast<size_t>(n - 1)];
        if (p.Frequency != 0.0 && FrequencyText(p.Frequency) == wanted)
            return n;
    }
    return 0;
}

std::string RecognitionTitle(const std::string& frequencyText, const std::string* stationName)
{
    std::string title = "Tunzo " + frequencyText;
    if (stationName)
        title += " " + *stationName;
    return title;
}

std::string PresetChoiceTitle(const std::string& scanMarker, const std::string& frequencyText,
                              const std::string& stationName)
{
    return "Tunzo " + scanMarker + " " + frequencyText + " " + stationName;
}

ActionReception::Result ActionReception::Receive(int32_t code, int32_t value, TActionList& list, int capacity)
{
    if (code == 100) {
        expected = static_cast<int8_t>(value & 0xFF);
        received = 0;
        return Pending;
    }
    if (code >= 999 || expected <= 0)
        return Ignored;
    ++received;
    capacity = std::min(capacity, ActionListRoom);
    if (received <= capacity) {
        ActionEntry& entry = list.Entries[static_cast<size_t>(received - 1)];
        entry.Code = static_cast<ActionCode>(code);
        if (code == ActionTunePreset)
            entry.Value = value;
    }
    if (received != expected)
        return Pending;
    list.Count = static_cast<int8_t>(std::min<int>(expected, capacity));
    expected = 0;
    received = 0;
    return Complete;
}

LeaveChoice ChooseLeaveAction(int8_t shutdownOptions, bool soundOn)
{
    if (shutdownOptions == 2 && soundOn)
        return LeaveChoice::Ask;
    return shutdownOptions == 0 ? LeaveChoice::Mute : LeaveChoice::LeavePlaying;
}
