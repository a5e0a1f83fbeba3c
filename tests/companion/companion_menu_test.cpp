// The companion's popup menu as a description: the preset columns, the
// presets left out with their numbers kept, and what is checked or disabled.

#include "AdapterCatalogue.h"
#include "AuxVolume.h"
#include "CompanionMenu.h"
#include "Presets.h"
#include "TunerSettings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;

namespace {

class CompanionMenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TunerSettings = TTunerSettings{};
        AssignInitialValues(TunerSettings);
        SetBandLimits(TunerSettings);
        AuxDeviceCount = 1;
        Presets = {};
        for (int n = 1; n <= PresetCount; ++n)
            Presets[static_cast<size_t>(n - 1)] = {88.0 + n * 0.1, "Station " + std::to_string(n), true};
    }
    void TearDown() override { Presets = {}; }

    // The preset items, each column's in its own list of ids.
    static std::vector<std::vector<int>> Columns(const std::vector<CompanionMenuItem>& menu)
    {
        std::vector<std::vector<int>> columns(1);
        for (const CompanionMenuItem& item : menu) {
            if (item.kind != CompanionMenuItem::Command || item.id > PresetCount)
                break;
            if (item.beginsColumn)
                columns.emplace_back();
            columns.back().push_back(item.id);
        }
        return columns;
    }
    static const CompanionMenuItem& Find(const std::vector<CompanionMenuItem>& menu, int id)
    {
        for (const CompanionMenuItem& item : menu) {
            if (item.id == id && item.kind == CompanionMenuItem::Command)
                return item;
            for (const CompanionMenuItem& inner : item.items)
                if (inner.id == id)
                    return inner;
        }
        throw std::runtime_error("no item " + std::to_string(id));
    }
};

}  // namespace

TEST_F(CompanionMenuTest, HundredPresetsFillColumnsOf29_30_30_11)
{
    const auto menu = BuildCompanionMenu({});
    const auto columns = Columns(menu);
    ASSERT_EQ(columns.size(), 4u);
    EXPECT_EQ(columns[0].size(), 29u);
    EXPECT_EQ(columns[1].size(), 30u);
    EXPECT_EQ(columns[2].size(), 30u);
    EXPECT_EQ(columns[3].size(), 11u);
    EXPECT_EQ(columns[1].front(), 30);
    EXPECT_EQ(columns[3].front(), 90);
    EXPECT_EQ(Find(menu, 42).text, "Station 42");

    // What follows the presets, in order.
    std::vector<std::string> rest;
    for (size_t i = 100; i < menu.size(); ++i)
        rest.push_back(menu[i].kind == CompanionMenuItem::Separator ? "-" : menu[i].text);
    EXPECT_THAT(rest, ElementsAre("-", "Mixer device", "-", "Volume UP", "Mute", "Volume DOWN", "-", "Record in Tunzo", "Launch Tunzo",
                                  "Exit Pipit", "Mute and Exit"));
    EXPECT_THAT(Find(menu, MenuRadio).text, "Radio");
    EXPECT_THAT(Find(menu, MenuLineIn).text, "Line in");
}

TEST_F(CompanionMenuTest, PresetsBelowTheBandAreLeftOutAndTheOthersKeepTheirNumbers)
{
    // Empty, cleared and below the band: not listed. The columns count listed
    // presets only, so the 30th listed one still begins the second.
    Presets[0].Frequency = 0.0;
    Presets[4].Frequency = 86.9;
    Presets[9] = {0.0, " ", true};
    Presets[99].Frequency = 150.0;  // above the band is kept
    auto menu = BuildCompanionMenu({});
    auto columns = Columns(menu);
    ASSERT_EQ(columns.size(), 4u);
    EXPECT_EQ(columns[0].front(), 2);
    EXPECT_THAT(std::vector<int>(columns[0].begin(), columns[0].begin() + 4), ElementsAre(2, 3, 4, 6));
    EXPECT_EQ(columns[1].front(), 33);  // the 30th listed
    EXPECT_EQ(columns[3].back(), 100);
    EXPECT_EQ(columns[3].size(), 8u);

    // In wide range the 86.9 MHz preset is listed again.
    TunerSettings.WideRange = true;
    SetBandLimits(TunerSettings);
    menu = BuildCompanionMenu({});
    EXPECT_EQ(Columns(menu)[0].front(), 2);
    EXPECT_EQ(Columns(menu)[0][3], 5);

    // Few presets: one column, no break.
    for (int n = 4; n <= PresetCount; ++n)
        Presets[static_cast<size_t>(n - 1)].Frequency = 0.0;
    columns = Columns(BuildCompanionMenu({}));
    ASSERT_EQ(columns.size(), 1u);
    EXPECT_THAT(columns[0], ElementsAre(2, 3));
}

TEST_F(CompanionMenuTest, ChecksAndDisabledItemsFollowTheState)
{
    auto menu = BuildCompanionMenu({42, true});
    for (int n = 1; n <= PresetCount; ++n)
        EXPECT_EQ(Find(menu, n).checked, n == 42) << n;
    EXPECT_FALSE(Find(menu, MenuMute).checked);
    EXPECT_TRUE(Find(menu, MenuRadio).checked);
    EXPECT_FALSE(Find(menu, MenuLineIn).checked);
    EXPECT_FALSE(Find(menu, MenuRadio).disabled);
    EXPECT_FALSE(Find(menu, MenuLineIn).disabled);

    menu = BuildCompanionMenu({0, false});
    EXPECT_TRUE(Find(menu, MenuMute).checked);
    for (int n = 1; n <= PresetCount; ++n)
        EXPECT_FALSE(Find(menu, n).checked) << n;

    // The line in checked, and then neither: only 0 and 5 are named.
    TunerSettings.VolumeControl = VolumeOnLineIn;
    menu = BuildCompanionMenu({});
    EXPECT_FALSE(Find(menu, MenuRadio).checked);
    EXPECT_TRUE(Find(menu, MenuLineIn).checked);
    TunerSettings.VolumeControl = 3;
    menu = BuildCompanionMenu({});
    EXPECT_FALSE(Find(menu, MenuRadio).checked);
    EXPECT_FALSE(Find(menu, MenuLineIn).checked);

    // The SF16-FMP has no card volume; without a mixer device no line in.
    TunerSettings.Adapter = SF16FMPAdapter;
    AuxDeviceCount = 0;
    menu = BuildCompanionMenu({});
    EXPECT_TRUE(Find(menu, MenuRadio).disabled);
    EXPECT_TRUE(Find(menu, MenuLineIn).disabled);
}

TEST_F(CompanionMenuTest, PresetsWithoutANameShowTheirFrequency)
{
    Presets = {};
    Presets[0] = {94.2, "", true};
    Presets[1] = {103.3, "  ", true};  // a blank name is none
    Presets[2] = {88.4, "Jazz", true};
    const std::pair<std::string, std::vector<std::string>> rows[] = {
        {".", {"94.2 MHz", "103.3 MHz", "Jazz"}},
        {",", {"94,2 MHz", "103,3 MHz", "Jazz"}},
    };
    for (const auto& [separator, texts] : rows) {
        CompanionMenuState state;
        state.decimalSeparator = separator;
        const auto menu = BuildCompanionMenu(state);
        std::vector<std::string> shown;
        for (int id : {1, 2, 3})
            shown.push_back(Find(menu, id).text);
        EXPECT_EQ(shown, texts) << separator;
    }
}
