// Adapter 8 through the dispatch on the simulated dongle, in one process:
// a dongle pulled out while it plays is reported and looked for again,
// never fatal, and plugged back in it plays its station again.

#include "AdapterCatalogue.h"
#include "RadioFixture.h"
#include "SdrReceiver.h"
#include "SimulatedDongle.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

class SdrReceiverTest : public RadioTest {
protected:
    void SetUp() override
    {
        RadioTest::SetUp();
        char pattern[] = "/tmp/tunzo-sdr-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
        setenv("TUNZO_CARD", "simulated", 1);
        setenv("TUNZO_SIM_STATIONS", "94.2,103.3s", 1);
        unsetenv("TUNZO_SDR_IQ_FILE");
        TunerSettings.Adapter = static_cast<int8_t>(SdrAdapter);
        TunerSettings.SdrDevice = 0;
    }
    void TearDown() override
    {
        CloseSdrReceiver();
        unsetenv("TUNZO_CARD");
        unsetenv("TUNZO_SIM_STATIONS");
        std::system(("rm -rf '" + folder + "'").c_str());
        RadioTest::TearDown();
    }

    // What a second program does to the dongle's state file.
    void SetPresent(bool present)
    {
        const std::string path = SimulatedDongleStatePath(folder + "/tunzo");
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        DongleState s = ParseDongleState(text.str());
        s.present = present;
        std::ofstream(path) << FormatDongleState(s);
    }

    const ReceiverOps& receiver = *RadioDriver::ReceiverFor(SdrAdapter);
    std::string folder;
};

TEST_F(SdrReceiverTest, ADongleUnpluggedWhilePlayingIsReportedAndPlaysAgainWhenBack)
{
    RadioDriver::Tune(94.2);
    EXPECT_THAT(ports->receiverLines, ElementsAre("sdr 0 frequency 94.200"));
    EXPECT_EQ(RadioDriver::TunedStatus(), Tuned);
    EXPECT_EQ(receiver.check(), ReceiverPresence::Present);

    SetPresent(false);
    EXPECT_EQ(RadioDriver::TunedStatus(), NotTuned);
    EXPECT_THAT(receiver.problem(), HasSubstr("SDR device 0 was unplugged"));
    EXPECT_EQ(receiver.check(), ReceiverPresence::WentAway);
    EXPECT_EQ(receiver.check(), ReceiverPresence::Away);  // said once, not on every tick
    // Commands meanwhile fail quietly, with the reason kept for the window.
    RadioDriver::Tune(103.3);
    RadioDriver::VolumeDown();
    EXPECT_THAT(receiver.problem(), HasSubstr("unplugged"));

    SetPresent(true);
    EXPECT_EQ(receiver.check(), ReceiverPresence::CameBack);
    EXPECT_TRUE(receiver.problem().empty());
    EXPECT_EQ(RadioDriver::TunedStatus(), Tuned) << "back on the station it played";
    RadioDriver::Tune(103.3);
    EXPECT_EQ(RadioDriver::TunedStatus(), TunedStereo);
}

TEST_F(SdrReceiverTest, SearchStopsOnEachStationInTurnAndSaysWhenThereIsNoMore)
{
    RadioDriver::Tune(TunerSettings.BandMinimum);
    struct Row {
        bool upward;
        SeekOutcome outcome;
        double mhz;
    };
    const Row rows[] = {
        {true, SeekOutcome::Found, 94.2},
        {true, SeekOutcome::Found, 103.3},
        {true, SeekOutcome::NothingFound, 103.3},  // the band's end: back where it started
        {false, SeekOutcome::Found, 94.2},
        {false, SeekOutcome::NothingFound, 94.2},
    };
    for (const Row& row : rows) {
        const SeekResult result = receiver.seek(row.upward);
        EXPECT_EQ(result.outcome, row.outcome) << (row.upward ? "up to " : "down to ") << row.mhz;
        EXPECT_NEAR(result.mhz, row.mhz, 1e-6);
        EXPECT_EQ(RadioDriver::TunedStatus(), row.mhz == 103.3 ? TunedStereo : Tuned);
    }
}

}  // namespace
