#include "Tuning.h"

#include "Frequency.h"
#include "Presets.h"

#include <algorithm>
#include <cstdio>

namespace {
// Longer texts are cut, as the display takes no more.
constexpr size_t MaxDisplayTextLength = 255;
// "000.0##": at least three integer digits, at most three decimals.
constexpr size_t DisplayIntegerDigits = 3;
constexpr uint16_t DisplayDecimals = 3;
}  // namespace

std::string_view DisplaySeparator(std::string_view localeSeparator)
{
    return localeSeparator == "," ? "," : ".";
}

std::string DigitDisplayText(double mhz, std::string_view decimalSeparator)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", static_cast<int>(DisplayDecimals),
                  static_cast<double>(RoundDigits(mhz, DisplayDecimals)));
    std::string s = text;
    // Trailing zeros go, but one decimal always stays.
    while (s.size() >= 2 && s.back() == '0' && s[s.size() - 2] != '.')
        s.pop_back();
    // Not a number, an infinity or more digits than the buffer holds: shown
    // as printed, never a reason to end the program.
    const size_t point = s.find('.');
    if (point == std::string::npos)
        return s.substr(0, MaxDisplayTextLength);
    if (point < DisplayIntegerDigits)
        s.insert(0, DisplayIntegerDigits - point, '0');
    s.replace(point < DisplayIntegerDigits ? DisplayIntegerDigits : point, 1, decimalSeparator);
    return s.substr(0, MaxDisplayTextLength);
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
    return std::clamp(static_cast<int>(RoundDigits(tenths, 0)), SliderMinimum, SliderMaximum);
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
