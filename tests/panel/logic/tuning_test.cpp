// What the panel shows for a frequency, checked without a display.

#include "Tuning.h"
#include "Frequency.h"
#include "Presets.h"

#include <gtest/gtest.h>

#include <limits>

TEST(Tuning, DisplayTextHasThreeIntegerDigitsAndOneToThreeDecimals)
{
    const std::pair<double, const char*> rows[] = {
        {87.5, "087.5"},   {103.3, "103.3"}, {100.05, "100.05"}, {88.0125, "088.013"},
        {108.0, "108.0"},  {87.0, "087.0"},  {150.125, "150.125"}, {99.9999, "100.0"},
    };
    for (auto [mhz, text] : rows)
        EXPECT_EQ(DigitDisplayText(mhz, "."), text) << mhz;
    EXPECT_EQ(DigitDisplayText(103.3, ","), "103,3");
    // A separator outside Latin-1 stays whole in the texts, and the display,
    // which has no glyph for it, shows its decimal cell.
    const std::string arabic = "\u066B";
    EXPECT_EQ(DigitDisplayText(87.5, arabic), "087" + arabic + "5");
    EXPECT_EQ(FrequencyText(103.3, arabic), "103" + arabic + "3");
    EXPECT_EQ(DisplaySeparator(arabic), ".");
    EXPECT_EQ(DisplaySeparator(","), ",");
}

TEST(Tuning, DisplayTextOfAFrequencyThatIsNoneNeverThrows)
{
    for (double mhz : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), 1e300,
                       -1e300}) {
        std::string text;
        EXPECT_NO_THROW(text = DigitDisplayText(mhz, ",")) << mhz;
        EXPECT_FALSE(text.empty()) << mhz;
    }
}

TEST(Tuning, BandWrapsToTheOtherEndAndTheSliderStaysOnItsScale)
{
    TTunerSettings s;
    SetBandLimits(s);
    EXPECT_EQ(WrapIntoBand(86.9, s), 108.0);
    EXPECT_EQ(WrapIntoBand(108.05, s), 87.0);
    EXPECT_EQ(WrapIntoBand(108.0, s), 108.0);
    EXPECT_EQ(WrapIntoBand(87.0, s), 87.0);
    s.WideRange = true;
    SetBandLimits(s);
    EXPECT_EQ(WrapIntoBand(86.9, s), 86.9);
    EXPECT_EQ(WrapIntoBand(160.1, s), 80.0);

    EXPECT_EQ(SliderPositionFor(103.3), 1033);
    EXPECT_EQ(SliderPositionFor(87.25), 873);  // halves away from zero
    EXPECT_EQ(SliderPositionFor(150.0), 1080);
    EXPECT_EQ(SliderPositionFor(80.0), 870);
}

TEST(Tuning, RecognisedPresetIsTheLowestWithTheSameText)
{
    Presets = {};
    EXPECT_EQ(RecognisedPreset(0.0), 0);  // empty presets never match
    Presets[40].Frequency = 94.2;
    Presets[9].Frequency = 94.2;
    Presets[3].Frequency = 94.20000000000001;  // the same text to 15 digits
    EXPECT_EQ(RecognisedPreset(94.2), 4);
    Presets[3].Frequency = 94.21;
    EXPECT_EQ(RecognisedPreset(94.2), 10);
    EXPECT_EQ(RecognisedPreset(94.3), 0);
    Presets = {};
}

TEST(Tuning, TitlesInTheirTwoForms)
{
    const std::string name = "Radio One";
    EXPECT_EQ(RecognitionTitle("103.3", &name), "Tunzo 103.3 Radio One");
    EXPECT_EQ(RecognitionTitle("87", nullptr), "Tunzo 87");
    EXPECT_EQ(PresetChoiceTitle("", "103.3", name), "Tunzo  103.3 Radio One");
    EXPECT_EQ(PresetChoiceTitle(" Preset scan - ", "103.3", name), "Tunzo  Preset scan -  103.3 Radio One");
}
