// What the Power button does, by "Shutdown options".

#include "Leaving.h"

#include <gtest/gtest.h>

TEST(Leaving, PowerAsksOnlyWithOptionTwoWhileTheRadioPlays)
{
    EXPECT_EQ(ChooseLeaveAction(2, true), LeaveChoice::Ask);
    EXPECT_EQ(ChooseLeaveAction(2, false), LeaveChoice::LeavePlaying);
    EXPECT_EQ(ChooseLeaveAction(0, true), LeaveChoice::Mute);
    EXPECT_EQ(ChooseLeaveAction(0, false), LeaveChoice::Mute);
    EXPECT_EQ(ChooseLeaveAction(1, true), LeaveChoice::LeavePlaying);
    EXPECT_EQ(ChooseLeaveAction(3, true), LeaveChoice::LeavePlaying);
}
