// Adapter 7 through the dispatch, on the simulated si470x stick: units,
// read-back, refusals, the trace, unplugging and plugging back, and device
// paths that are no receiver at all.

#include "CompanionDriver.h"
#include "ReceiverFixture.h"
#include "V4L2Tuner.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/stat.h>
#include <unistd.h>

using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST(V4L2Units, EveryTunerUnitConvertsBothWays)
{
    struct Row {
        uint32_t capability;
        double mhz;
        uint32_t units;
    };
    const Row rows[] = {
        {0, 100.0, 1600},                                             // 62.5 kHz
        {0, 87.5, 1400},
        {0, 94.23, 1508},                                             // nearest unit
        {V4L2_TUNER_CAP_LOW, 100.0, 1600000},                         // 62.5 Hz
        {V4L2_TUNER_CAP_LOW, 94.23, 1507680},
        {V4L2_TUNER_CAP_1HZ, 100.0, 100000000},                       // 1 Hz
        {V4L2_TUNER_CAP_1HZ | V4L2_TUNER_CAP_LOW, 87.5, 87500000},    // 1 Hz wins
        {V4L2_TUNER_CAP_1HZ, 0.0, 0},
        {V4L2_TUNER_CAP_1HZ, -5.0, 0},                                // nothing below zero
        {V4L2_TUNER_CAP_1HZ, 5000.0, 0xFFFFFFFF},                     // beyond 32 bits
    };
    for (const Row& row : rows) {
        EXPECT_EQ(MHzToTunerUnits(row.mhz, row.capability), row.units) << row.mhz << " cap " << row.capability;
        if (row.mhz >= 0 && row.units < 0xFFFFFFFF) {
            EXPECT_NEAR(TunerUnitsToMHz(row.units, row.capability), row.mhz, 0.5 / TunerUnitsPerMHz(row.capability));
        }
    }
}

TEST(V4L2Units, SignalAndSubchannelsGiveTheIndicators)
{
    struct Row {
        int32_t signal;
        uint32_t rxsubchans;
        TuneState expected;
    };
    const Row rows[] = {
        {0, V4L2_TUNER_SUB_MONO, NotTuned},
        {SignalTunedThreshold - 1, V4L2_TUNER_SUB_STEREO, NotTuned},  // noise with a stray pilot
        {SignalTunedThreshold, V4L2_TUNER_SUB_MONO, Tuned},
        {45 * 257, V4L2_TUNER_SUB_MONO | V4L2_TUNER_SUB_STEREO, TunedStereo},  // an si470x station
        {65535, V4L2_TUNER_SUB_MONO, Tuned},                           // the two-valued drivers' "on"
    };
    for (const Row& row : rows)
        EXPECT_EQ(TuneStateFromSignal(row.signal, row.rxsubchans), row.expected) << row.signal;
    EXPECT_THAT(BandsText(MergedBands({{87.5, 108}, {76, 108}, {76, 90}})), "76 to 108 MHz");
    EXPECT_THAT(BandsText(MergedBands({{87.5, 108}, {65.8, 74}})), "65.8 to 74 and 87.5 to 108 MHz");
    EXPECT_EQ(SteppedControlValue(15, 0, 15, 1, +1), 15);
    EXPECT_EQ(SteppedControlValue(3, 0, 100, 5, -1), 0);
    EXPECT_EQ(SteppedControlValue(3, 0, 100, 0, +1), 4);  // a step of 0 still moves
}

TEST_F(ReceiverTest, TuneReadsBackTheDriversRoundingAndTracesEachChange)
{
    RadioDriver::Tune(94.23);  // the stick's channels are 50 kHz apart
    EXPECT_DOUBLE_EQ(TunerSettings.CurrentFrequency, 94.2);
    EXPECT_EQ(RadioDriver::TunedStatus(), Tuned);
    RadioDriver::Tune(88.4);
    EXPECT_EQ(RadioDriver::TunedStatus(), TunedStereo);
    RadioDriver::Tune(95.0);
    EXPECT_EQ(RadioDriver::TunedStatus(), NotTuned);
    RadioDriver::Mute();
    RadioDriver::VolumeDown();  // one user step is one step of the control, and sound on
    RadioDriver::VolumeUp();
    EXPECT_THAT(ports->receiverLines,
                ElementsAre("v4l2 radio0 frequency 94.200", "v4l2 radio0 mute 0", "v4l2 radio0 frequency 88.400",
                            "v4l2 radio0 frequency 95.000", "v4l2 radio0 mute 1", "v4l2 radio0 volume 14",
                            "v4l2 radio0 mute 0", "v4l2 radio0 volume 15"));
    EXPECT_THAT(StateText(), HasSubstr("frequency 95.000\nmuted 0\nvolume 15\npresent 1\n"));
}

TEST_F(ReceiverTest, AFrequencyOutsideTheDeviceIsRefusedNamingItsRange)
{
    RadioDriver::Tune(100.0);
    RadioDriver::Tune(120.0);
    ASSERT_EQ(refusals.size(), 1u);
    EXPECT_EQ(refusals[0], "/dev/radio0 receives 76 to 108 MHz: it cannot take 120 MHz.");
    EXPECT_THAT(StateText(), HasSubstr("frequency 100.000"));
    EXPECT_DOUBLE_EQ(TunerSettings.CurrentFrequency, 100.0);  // the display keeps where the tuner is
    EXPECT_EQ(ports->receiverLines.size(), 2u);  // the first tune's two lines only
}

TEST_F(ReceiverTest, UnplugWhenIdleDuringATuneAndDuringASeekIsNoticedAndAReplugComesBack)
{
    const ReceiverOps& receiver = *RadioDriver::ReceiverFor(V4L2Adapter);
    RadioDriver::Tune(100.7);
    EXPECT_EQ(receiver.check(), ReceiverPresence::Present);

    SetPresent(false);  // idle
    EXPECT_EQ(receiver.check(), ReceiverPresence::WentAway);
    EXPECT_THAT(receiver.problem(), HasSubstr("/dev/radio0"));
    EXPECT_EQ(receiver.check(), ReceiverPresence::Away);
    SetPresent(true);
    EXPECT_EQ(receiver.check(), ReceiverPresence::CameBack);
    EXPECT_THAT(StateText(), HasSubstr("frequency 87.500\nmuted 1\n"));  // its power-on state

    SetPresent(false);  // a tune meets it gone
    RadioDriver::Tune(94.2);
    EXPECT_THAT(receiver.problem(), HasSubstr("gone"));
    EXPECT_EQ(receiver.check(), ReceiverPresence::WentAway);
    SetPresent(true);
    EXPECT_EQ(receiver.check(), ReceiverPresence::CameBack);

    int channels = 0;  // a seek meets it gone after a few channels
    duringSeek = [&] {
        if (++channels == 5)
            SetPresent(false);
    };
    const SeekResult seek = receiver.seek(true);
    EXPECT_EQ(seek.outcome, SeekOutcome::Failed);
    EXPECT_THAT(seek.problem, HasSubstr("gone"));
    EXPECT_EQ(receiver.check(), ReceiverPresence::WentAway);
    duringSeek = nullptr;
    SetPresent(true);
    EXPECT_EQ(receiver.check(), ReceiverPresence::CameBack);
    RadioDriver::Tune(94.2);
    EXPECT_EQ(RadioDriver::TunedStatus(), Tuned);
}

TEST_F(ReceiverTest, TheSticksSeekStopsOnAStationOrAtTheBandsEnd)
{
    const ReceiverOps& receiver = *RadioDriver::ReceiverFor(V4L2Adapter);
    RadioDriver::Tune(100.0);
    SeekResult seek = receiver.seek(true);  // wraps: the stick offers both
    EXPECT_EQ(seek.outcome, SeekOutcome::Found);
    EXPECT_DOUBLE_EQ(seek.mhz, 100.7);
    seek = receiver.seek(false);
    EXPECT_EQ(seek.outcome, SeekOutcome::Found);
    EXPECT_DOUBLE_EQ(seek.mhz, 98.6);
    EXPECT_EQ(ports->receiverLines.back(), "v4l2 radio0 seek down");
}

TEST_F(ReceiverTest, APathThatIsNoReceiverGetsAClearErrorWithoutHanging)
{
    SetV4L2Calls(std::make_unique<SystemV4L2Calls>());  // the kernel's answers
    const std::string file = folder + "/plain";
    const std::string fifo = folder + "/fifo";
    std::ofstream(file) << "not a radio";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    struct Row {
        std::string path;
        std::string says;
    };
    const Row rows[] = {
        {file, "is not a radio device"},
        {folder, "is a folder"},
        {fifo, "is not a radio device"},  // opening it must not wait for a writer
        {"/dev/null", "is not a radio device"},
        {folder + "/missing", "There is no receiver at"},
    };
    for (const Row& row : rows) {
        TunerSettings.RadioDevice = row.path;
        std::string problem;
        EXPECT_FALSE(RadioDriver::ReceiverFor(V4L2Adapter)->open(problem));
        EXPECT_THAT(problem, HasSubstr(row.path));
        EXPECT_THAT(problem, HasSubstr(row.says)) << row.path;
        RadioDriver::Tune(100.0);  // the operations do nothing, and end
        EXPECT_EQ(RadioDriver::TunedStatus(), NotTuned);
    }
}

TEST_F(ReceiverTest, TheCompanionDrivesTheReceiverToo)
{
    RadioDriver::CompanionTune(94.2);
    RadioDriver::CompanionMute();
    RadioDriver::CompanionVolumeStep(CompanionVolumeDownStep);
    RadioDriver::CompanionUnmute();
    EXPECT_THAT(ports->receiverLines,
                ElementsAre("v4l2 radio0 frequency 94.200", "v4l2 radio0 mute 0", "v4l2 radio0 mute 1",
                            "v4l2 radio0 volume 14", "v4l2 radio0 mute 0"));
}
