// The panel's decisions without a display.

#include "PanelLogic.h"
#include "Presets.h"

#include <gtest/gtest.h>

TEST(PanelLogic, DisplayTextHasThreeIntegerDigitsAndOneToThreeDecimals)
{
    const std::pair<double, const char*> rows[] = {
        {87.5, "087.5"},   {103.3, "103.3"}, {100.05, "100.05"}, {88.0125, "088.013"},
        {108.0, "108.0"},  {87.0, "087.0"},  {150.125, "150.125"}, {99.9999, "100.0"},
    };
    for (auto [mhz, text] : rows)
        EXPECT_EQ(DigitDisplayText(mhz, '.'), text) << mhz;
    EXPECT_EQ(DigitDisplayText(103.3, ','), "103,3");
}

TEST(PanelLogic, BandWrapsToTheOtherEndAndTheSliderStaysOnItsScale)
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

TEST(PanelLogic, RecognisedPresetIsTheLowestWithTheSameText)
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

TEST(PanelLogic, TitlesInTheirTwoForms)
{
    const std::string name = "Radio One";
    EXPECT_EQ(RecognitionTitle("103.3", &name), "Tunzo 103.3 Radio One");
    EXPECT_EQ(RecognitionTitle("87", nullptr), "Tunzo 87");
    EXPECT_EQ(PresetChoiceTitle("", "103.3", name), "Tunzo  103.3 Radio One");
    EXPECT_EQ(PresetChoiceTitle(" Preset scan - ", "103.3", name), "Tunzo  Preset scan -  103.3 Radio One");
}

TEST(PanelLogic, ReceptionCompletesOnTheAnnouncedCountAndNeverWritesPastTheList)
{
    TActionList list;
    ActionReception r;
    EXPECT_EQ(r.Receive(100, 2, list, 4), ActionReception::Pending);
    EXPECT_EQ(r.Receive(1, 42, list, 4), ActionReception::Pending);
    EXPECT_EQ(r.Receive(2, 77, list, 4), ActionReception::Complete);
    EXPECT_EQ(list.Count, 2);
    EXPECT_EQ(list.Entries[0].Code, ActionTunePreset);
    EXPECT_EQ(list.Entries[0].Value, 42);
    EXPECT_EQ(list.Entries[1].Code, ActionVolumeUp);
    EXPECT_EQ(list.Entries[1].Value, 0);  // only a preset entry takes its value

    // The header's low byte counts; the rest of the value is ignored.
    EXPECT_EQ(r.Receive(100, 0x101, list, 4), ActionReception::Pending);
    EXPECT_EQ(r.Receive(4, 0, list, 4), ActionReception::Complete);
    EXPECT_EQ(list.Count, 1);

    // More than the list holds: counted to the end, only the first stored.
    TActionList small;
    EXPECT_EQ(r.Receive(100, 127, small, 4), ActionReception::Pending);
    for (int i = 0; i < 126; ++i)
        ASSERT_EQ(r.Receive(5, 0, small, 4), ActionReception::Pending);
    EXPECT_EQ(r.Receive(3, 0, small, 4), ActionReception::Complete);
    EXPECT_EQ(small.Count, 4);

    // Nothing announced, or a negative count: entries are ignored.
    EXPECT_EQ(r.Receive(2, 0, small, 4), ActionReception::Ignored);
    EXPECT_EQ(r.Receive(100, 200, small, 4), ActionReception::Pending);  // -56
    EXPECT_EQ(r.Receive(2, 0, small, 4), ActionReception::Ignored);
    EXPECT_EQ(r.Receive(999, 0, small, 4), ActionReception::Ignored);
    EXPECT_EQ(r.Receive(1000, 0, small, 4), ActionReception::Ignored);
}

TEST(PanelLogic, PowerAsksOnlyWithOptionTwoWhileTheRadioPlays)
{
    EXPECT_EQ(ChooseLeaveAction(2, true), LeaveChoice::Ask);
    EXPECT_EQ(ChooseLeaveAction(2, false), LeaveChoice::LeavePlaying);
    EXPECT_EQ(ChooseLeaveAction(0, true), LeaveChoice::Mute);
    EXPECT_EQ(ChooseLeaveAction(0, false), LeaveChoice::Mute);
    EXPECT_EQ(ChooseLeaveAction(1, true), LeaveChoice::LeavePlaying);
    EXPECT_EQ(ChooseLeaveAction(3, true), LeaveChoice::LeavePlaying);
}
