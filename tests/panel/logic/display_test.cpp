// What the display and its menus say, and where a window lands on a screen.

#include "Display.h"

#include <gtest/gtest.h>

TEST(Display, TheLitButtonIsTheShownPresetInTheBankOnTheButtons)
{
    const struct {
        int shown, bank, lit;
    } rows[] = {{0, 0, 0}, {3, 0, 3}, {10, 0, 10}, {11, 0, 0}, {13, 10, 3}, {3, 10, 0}, {100, 90, 10}, {90, 90, 0}};
    for (const auto& row : rows)
        EXPECT_EQ(LitButtonFor(row.shown, row.bank), row.lit) << row.shown << " in bank " << row.bank;
}

TEST(Display, PresetItemsNameTheirPresetWithItsAmpersandsShown)
{
    EXPECT_EQ(PresetItemCaption("&Clear", 1, "Alpha"), "&Clear 1 Alpha");
    EXPECT_EQ(PresetItemCaption("&Station", 12, "Rock & Roll"), "&Station 12 Rock && Roll");
    EXPECT_EQ(PresetItemCaption("&Clear", 0, "Alpha"), "&Clear");
}

TEST(Display, AScreenReaderHearsEveryIndicatorInWords)
{
    DisplayReading reading;
    reading.frequencyText = "94.2";
    reading.stationName = "Jazz FM";
    reading.status = "ST";
    reading.muted = true;
    EXPECT_EQ(DescribeDisplay(reading), "94.2 MHz, Jazz FM, stereo, muted");
    reading = {"87", "", " ", false, true, true};
    EXPECT_EQ(DescribeDisplay(reading), "87 MHz, not tuned, sleep timer on, alarm on");
    reading = {"99.1", "", "", false, false, false};  // not asked yet: nothing claimed
    EXPECT_EQ(DescribeDisplay(reading), "99.1 MHz");
    reading = {"99.1", "", "T", false, false, false, true};
    EXPECT_EQ(DescribeDisplay(reading), "99.1 MHz, tuned, recording");
}

TEST(Display, AWindowComesWhollyOntoTheArea)
{
    const ScreenArea screen{0, 0, 1280, 1024};
    const struct {
        ScreenArea window;
        int x, y;
    } rows[] = {
        {{100, 100, 431, 225}, 100, 100},     // on it already: left alone
        {{1240, 1044, 431, 225}, 849, 799},   // saved on a larger screen
        {{-300, -50, 431, 225}, 0, 0},        // off the top left
        {{10, 10, 2000, 1100}, 0, 0},         // larger than the screen: its corner on it
    };
    for (const auto& row : rows) {
        const ScreenArea kept = KeepOnArea(row.window, screen);
        EXPECT_EQ(kept.x, row.x) << row.window.x;
        EXPECT_EQ(kept.y, row.y) << row.window.y;
    }
    const ScreenArea second{1280, 0, 1024, 768};  // a second screen to the right
    EXPECT_EQ(KeepOnArea({2200, 700, 431, 225}, second).x, 1873);
}
