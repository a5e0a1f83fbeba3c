// Adapter 8 through the dispatch on the simulated dongle and on a replayed
// recording, in one process: a dongle pulled out while it plays is reported
// and looked for again, never fatal, and plugged back in it plays its
// station again; a recording takes the stations inside it only.

#include "SdrFixture.h"
#include "SdrRecording.h"

#include <chrono>
#include <thread>

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

class SdrReceiverTest : public SdrTest {};

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

// The window's reading thread: no wait for a measure on the caller's
// thread, and a dongle pulled out under the thread is reported, not fatal.
// The thread runs at the signal's pace, so the test waits for what it
// delivers (never for a fixed time); the deadline only stops a hang.
TEST_F(SdrReceiverTest, TheReadingThreadKeepsTheMarksAndReportsAnUnplug)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    auto waitFor = [&](const std::function<bool()>& done) {
        while (!done() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
        return done();
    };
    StartSdrReading();
    RadioDriver::Tune(103.3);
    EXPECT_TRUE(waitFor([] { return RadioDriver::TunedStatus() == TunedStereo; }));
    RadioDriver::Tune(95.0);
    EXPECT_EQ(RadioDriver::TunedStatus(), NotTuned) << "a retune forgets the last station's marks at once";

    SetPresent(false);
    EXPECT_TRUE(waitFor([this] { return !receiver.problem().empty(); }));
    EXPECT_THAT(receiver.problem(), HasSubstr("unplugged"));
    EXPECT_EQ(receiver.check(), ReceiverPresence::WentAway);
    SetPresent(true);
    EXPECT_EQ(receiver.check(), ReceiverPresence::CameBack);
    RadioDriver::Tune(94.2);
    EXPECT_TRUE(waitFor([] { return RadioDriver::TunedStatus() == Tuned; }));
}

// The setup program writes the settings and the panel reloads: the dongle is
// opened afresh with them on the station it plays, and only then.
TEST_F(SdrReceiverTest, AReloadWithOtherDongleSettingsOpensItAfreshWithThem)
{
    RadioDriver::Tune(94.2);
    struct Row {
        int32_t gain;
        int32_t ppm;
        std::vector<std::string> trace;
    };
    const Row rows[] = {
        {280, -12, {"sdr 0 gain 28.0", "sdr 0 ppm -12"}},
        {280, -12, {}},  // nothing changed: kept open
        {SdrAutomaticGain, 5, {"sdr 0 ppm 5"}},
    };
    for (const Row& row : rows) {
        ports->receiverLines.clear();
        TunerSettings.SdrGain = row.gain;
        TunerSettings.SdrFrequencyCorrection = row.ppm;
        std::string problem;
        EXPECT_TRUE(receiver.open(problem)) << problem;
        EXPECT_EQ(ports->receiverLines, row.trace) << row.gain << " " << row.ppm;
        EXPECT_EQ(RadioDriver::TunedStatus(), Tuned) << "still on its station";
    }
    ports->receiverLines.clear();
    TunerSettings.SdrDevice = 1;
    std::string problem;
    EXPECT_FALSE(receiver.open(problem)) << "the simulated machine has one dongle";
    EXPECT_THAT(problem, HasSubstr("SDR device 1 is not plugged in"));
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

TEST_F(SdrReceiverTest, ARecordingTakesTheStationsInsideItAndRefusesOthersByItsBand)
{
    const std::string path = folder + "/station.iq";
    WriteSdrRecording(path);
    setenv("TUNZO_SDR_IQ_FILE", path.c_str(), 1);
    setenv("TUNZO_SDR_IQ_CENTER", "94400000", 1);
    unsetenv("TUNZO_CARD");  // a recording replays in any card mode
    std::vector<std::string> refusals;
    ReportReceiverRefusal = [&](const std::string& message) { refusals.push_back(message); };
    struct Row {
        double mhz;
        TuneState status;
        bool refused;
    };
    const Row rows[] = {
        {94.2, Tuned, false},
        {94.6, TunedStereo, false},
        {94.4, NotTuned, false},   // on the recording's centre, between its stations
        {100.0, NotTuned, true},   // far outside
        {93.9, NotTuned, true},    // inside the recording, but not the whole channel
        {94.2, Tuned, false},      // a refusal leaves the replay working
    };
    for (const Row& row : rows) {
        refusals.clear();
        RadioDriver::Tune(row.mhz);
        EXPECT_EQ(RadioDriver::TunedStatus(), row.status) << row.mhz;
        if (row.refused) {
            EXPECT_THAT(refusals, ElementsAre(HasSubstr(RecordingBandText))) << row.mhz;
            EXPECT_EQ(TunerSettings.CurrentFrequency, 94.4) << "the window shows the station still played";
        } else {
            EXPECT_TRUE(refusals.empty()) << row.mhz;
        }
    }
}

}  // namespace
