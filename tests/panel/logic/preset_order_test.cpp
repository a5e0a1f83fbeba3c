// Which preset comes next: banks, page keys, the preset scan, menu columns.

#include "PresetOrder.h"
#include "Presets.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
void Store(int n, double mhz, bool inScan = true)
{
    Presets[static_cast<size_t>(n - 1)] = {mhz, "P" + std::to_string(n), inScan};
}
}  // namespace

TEST(PresetOrder, BanksAndSlotsWrapAtBothEnds)
{
    EXPECT_EQ(BankFor(1), 0);
    EXPECT_EQ(BankFor(10), 0);
    EXPECT_EQ(BankFor(30), 20);  // the digit 0 on bank 20
    EXPECT_EQ(BankFor(100), 90);
    EXPECT_EQ(BankFor(0), -1);
    EXPECT_EQ(BankFor(101), -1);
    EXPECT_EQ(NextBank(90, true), 0);
    EXPECT_EQ(NextBank(0, false), 90);
    EXPECT_EQ(NextBank(40, true), 50);
    EXPECT_EQ(StepSlot(100, true), 1);
    EXPECT_EQ(StepSlot(1, false), 100);
}

TEST(PresetOrder, PageKeysFindTheNextUsableSlotAndStopWhenThereIsNone)
{
    Presets = {};
    EXPECT_EQ(NextUsablePreset(0, true), 0);  // nothing stored, nothing chosen yet: no endless walk
    EXPECT_EQ(NextUsablePreset(5, false), 0);
    Store(3, 94.2);
    Store(97, 103.3);
    EXPECT_EQ(NextUsablePreset(0, true), 3);
    EXPECT_EQ(NextUsablePreset(3, true), 97);
    EXPECT_EQ(NextUsablePreset(97, true), 3);
    EXPECT_EQ(NextUsablePreset(3, false), 97);
    Presets = {};
    Store(3, 94.2);
    EXPECT_EQ(NextUsablePreset(3, true), 0);  // back round to itself: nothing chosen
    Presets = {};
}

TEST(PresetOrder, PresetScanStopsOnIncludedAndEmptySlotsAndEndsWhenAllAreLeftOut)
{
    // Presets 1, 2 and 5 stored, a scan up from 1: 2, 3, 4 (silent), 5, 6 ... 100 (silent), 1.
    Presets = {};
    Store(1, 94.2);
    Store(2, 99.0);
    Store(5, 103.3);
    std::vector<int> visits;
    int index = 1;
    do {
        index = NextPresetScanStop(index, true, 87.0);
        visits.push_back(index);
    } while (index != 1 && visits.size() <= 100);
    ASSERT_EQ(visits.size(), 100u);
    EXPECT_EQ(visits[0], 2);
    EXPECT_EQ(visits[1], 3);
    EXPECT_EQ(visits[3], 5);
    EXPECT_EQ(visits[98], 100);
    EXPECT_EQ(visits[99], 1);

    // Stored but left out is passed over; stored below the band counts as empty.
    Store(2, 99.0, false);
    Store(3, 80.0, false);
    EXPECT_EQ(NextPresetScanStop(1, true, 87.0), 3);
    EXPECT_EQ(NextPresetScanStop(5, false, 87.0), 4);

    for (int n = 1; n <= PresetCount; ++n)
        Store(n, 90.0, false);
    EXPECT_EQ(NextPresetScanStop(1, true, 87.0), 0);
    Presets = {};
}

TEST(PresetOrder, ChannelCaptionsAndColumnsOfTwenty)
{
    EXPECT_EQ(ChannelCaption(7, "Radio", false), "7    Radio");
    EXPECT_EQ(ChannelCaption(7, "Radio", true), "7   Radio");
    EXPECT_EQ(ChannelCaption(10, "Radio", false), "10  Radio");
    EXPECT_EQ(ChannelCaption(100, "Radio", true), "100  Radio");
    EXPECT_FALSE(BeginsMenuColumn(0, false));
    EXPECT_TRUE(BeginsMenuColumn(0, true));
    EXPECT_FALSE(BeginsMenuColumn(19, false));
    EXPECT_TRUE(BeginsMenuColumn(20, false));
    EXPECT_TRUE(BeginsMenuColumn(40, true));
}
