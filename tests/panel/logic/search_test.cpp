// The station search's steps.

#include "Search.h"
#include "SettingsStore.h"

#include <gtest/gtest.h>

TEST(Search, StepsWrapAtTheBandEndsAndASweepEndsOnItsStartToOneDecimal)
{
    TTunerSettings s;
    SetBandLimits(s);
    EXPECT_EQ(NextSearchFrequency(107.95, 0.1, s), 87.0);
    EXPECT_EQ(NextSearchFrequency(87.0, -0.1, s), 108.0);
    EXPECT_NEAR(NextSearchFrequency(100.0, 0.1, s), 100.1, 1e-9);
    EXPECT_TRUE(SweptBackToStart(100.04, 100.0));
    EXPECT_TRUE(SweptBackToStart(99.95, 100.0));
    EXPECT_FALSE(SweptBackToStart(100.1, 100.0));
}
