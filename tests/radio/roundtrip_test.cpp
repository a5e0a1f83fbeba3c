// Frequencies tuned through the dispatch, decoded by the simulated card: the
// card must end up where the program thinks it is.

#include "PortAccess.h"
#include "RadioDriver.h"
#include "SimulatedCard.h"
#include "UseSimulatedCard.h"
#include "TunerSettings.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class RoundTrip : public ::testing::Test {
protected:
    void SetUp() override
    {
        TunerSettings = TTunerSettings{};
        AssignInitialValues(TunerSettings);
        TunerSettings.WideRange = true;
        SetBandLimits(TunerSettings);
        sim = UseSimulatedCard({{94.2, false}, {103.3, true}});
    }
    void TearDown() override
    {
        ClosePortAccess();
        SetPortBackend(nullptr);
    }
    void UseAdapter(int adapter, uint16_t port)
    {
        TunerSettings.Adapter = static_cast<int8_t>(adapter);
        TunerSettings.CardPort = port;
        ASSERT_TRUE(OpenPortAccess());
    }
    SimulatedCardBackend* sim = nullptr;
};

}  // namespace

TEST_F(RoundTrip, RadioTrackKeepsEvery25kHzStepOfTheWideBand)
{
    UseAdapter(1, 0x30C);
    SimulatedCard* card = sim->card(0x30C);
    for (int step = 0; step <= (160 - 80) * 40; ++step) {
        const double f = 80.0 + step * 0.025;
        RadioDriver::Tune(f);
        const CardRegisters r = card->Registers();
        ASSERT_NEAR(r.frequency, TunerSettings.CurrentFrequency, 1e-9) << f;
        ASSERT_TRUE(r.audible) << f;
    }
}

TEST_F(RoundTrip, AztechKeepsEvery50kHzStepOfTheWideBand)
{
    UseAdapter(4, 0x350);
    SimulatedCard* card = sim->card(0x350);
    for (int step = 0; step <= (160 - 80) * 20; ++step) {
        const double f = 80.0 + step * 0.05;
        RadioDriver::Tune(f);
        const CardRegisters r = card->Registers();
        ASSERT_NEAR(r.frequency, TunerSettings.CurrentFrequency, 1e-9) << f;
        ASSERT_TRUE(r.stereoRequested);
        ASSERT_EQ(r.volume, 2) << "level 4 is the third of four";
    }
}

TEST_F(RoundTrip, OffGridFrequenciesLandOnTheCardsResolution)
{
    UseAdapter(1, 0x30C);
    RadioDriver::Tune(100.01);  // RadioTrack: nearest 25 kHz
    EXPECT_NEAR(sim->card(0x30C)->Registers().frequency, 100.0, 1e-9);
    UseAdapter(4, 0x350);
    RadioDriver::Tune(100.04);  // Aztech: truncated to 50 kHz
    EXPECT_NEAR(sim->card(0x350)->Registers().frequency, 100.0, 1e-9);
}

TEST_F(RoundTrip, StatusThroughTheDispatchFollowsTheStationTable)
{
    UseAdapter(1, 0x30C);
    RadioDriver::Tune(94.2);
    EXPECT_EQ(RadioDriver::TunedStatus(), Tuned);
    RadioDriver::Tune(103.3);
    EXPECT_EQ(RadioDriver::TunedStatus(), Tuned);  // this family never says stereo
    RadioDriver::Tune(99.0);
    EXPECT_EQ(RadioDriver::TunedStatus(), NotTuned);

    UseAdapter(4, 0x350);
    RadioDriver::Tune(94.2);
    EXPECT_EQ(RadioDriver::TunedStatus(), Tuned);
    RadioDriver::Tune(103.3);
    EXPECT_EQ(RadioDriver::TunedStatus(), TunedStereo);
    RadioDriver::Tune(103.4);
    EXPECT_EQ(RadioDriver::TunedStatus(), NotTuned);
    EXPECT_EQ(sim->virtualMs, 3 * (5 + 230) + 3 * 150);
}

TEST_F(RoundTrip, MuteAndVolumeReachTheCard)
{
    UseAdapter(1, 0x30C);
    SimulatedCard* rt = sim->card(0x30C);
    RadioDriver::Tune(94.2);
    const int start = rt->Registers().volume;
    RadioDriver::Mute();
    EXPECT_FALSE(rt->Registers().audible);
    RadioDriver::VolumeUp();
    EXPECT_TRUE(rt->Registers().audible);
    EXPECT_EQ(rt->Registers().volume, start + 1);
    RadioDriver::VolumeDown();
    EXPECT_EQ(rt->Registers().volume, start - 1);

    UseAdapter(4, 0x350);
    SimulatedCard* az = sim->card(0x350);
    TunerSettings.CardVolume = 5;
    RadioDriver::Tune(94.2);
    EXPECT_EQ(az->Registers().volume, 3);
    RadioDriver::Mute();
    EXPECT_FALSE(az->Registers().audible);
    RadioDriver::Unmute();
    EXPECT_EQ(az->Registers().volume, 1);  // the second-lowest level until the next step
    RadioDriver::VolumeDown();
    EXPECT_EQ(az->Registers().volume, 1);  // 5 -> 4 -> 1
}
