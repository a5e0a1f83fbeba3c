// Adapter 8's feed as the card tool and the panel start it, on the simulated
// dongle and on a recording. The reading thread runs at the signal's pace,
// so the tests wait for what arrives (never a fixed time); the deadline only
// stops a hang.

#include "AudioAnalysis.h"
#include "BroadcastModulator.h"
#include "ReceiverFeed.h"
#include "SdrFixture.h"
#include "SdrSettings.h"

#include <chrono>
#include <cmath>
#include <functional>
#include <mutex>
#include <thread>

using ::testing::HasSubstr;

namespace {

constexpr double kToneLevelRmsDbfs = -15.0;  // a -12 dBFS sine
constexpr double kLevelToleranceDb = 0.3;
constexpr size_t kMeasuredFrames = 24000;  // half a second

class SdrFeedTest : public SdrTest {
protected:
    void TearDown() override
    {
        StopReceiverFeed();
        SdrTest::TearDown();
    }

    void Start()
    {
        FeedCallbacks callbacks;
        callbacks.rds = [this](uint32_t, const RdsState& state) {
            std::lock_guard lock(mutex);
            names.push_back(state.name);
        };
        callbacks.audio = [this](const float* frames, size_t count) {
            std::lock_guard lock(mutex);
            audio.insert(audio.end(), frames, frames + 2 * count);
        };
        callbacks.failed = [this](const std::string& message) {
            std::lock_guard lock(mutex);
            failures.push_back(message);
        };
        std::string problem;
        ASSERT_TRUE(StartReceiverFeed({SdrAdapter, "", RdsStandard::Rds}, callbacks, problem)) << problem;
    }

    bool WaitFor(const std::function<bool()>& done)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        auto check = [&] {
            std::lock_guard lock(mutex);
            return done();
        };
        while (!check() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
        return check();
    }
    bool WaitForName(const std::string& name)
    {
        return WaitFor([&] { return !names.empty() && names.back() == name; });
    }
    // Half a second of the sound from now on, without the receiver's settling.
    std::vector<float> NextSound()
    {
        size_t from = 0;
        {
            std::lock_guard lock(mutex);
            from = audio.size();
        }
        if (!WaitFor([&] { return audio.size() >= from + 2 * kMeasuredFrames; }))
            return {};
        std::lock_guard lock(mutex);
        return std::vector<float>(audio.begin() + static_cast<std::ptrdiff_t>(from),
                                  audio.begin() + static_cast<std::ptrdiff_t>(from + 2 * kMeasuredFrames));
    }

    std::mutex mutex;
    std::vector<std::string> names;  // the station name after each change
    std::vector<float> audio;
    std::vector<std::string> failures;
};

TEST_F(SdrFeedTest, TheStationsNameAndToneArriveAndAChangeOfStationForgetsTheOldName)
{
    setenv("TUNZO_SIM_STATIONS", "94.2=JAZZ,103.3s=TEN FM", 1);
    RadioDriver::Tune(94.2);
    Start();  // no window reads the dongle: the feed reads it itself
    ASSERT_TRUE(WaitForName("JAZZ"));
    struct Row {
        bool bySearch;  // the search tunes by itself, not through the dispatch's tune
        double mhz;
        const char* name;
        double leftHz;
        double rightHz;
    };
    const Row rows[] = {
        {false, 103.3, "TEN FM", 1033.0, 1549.5},
        {true, 94.2, "JAZZ", 942.0, 942.0},
    };
    for (const Row& row : rows) {
        size_t changeAt = 0;
        if (row.bySearch)
            EXPECT_NEAR(receiver.seek(row.mhz > TunerSettings.CurrentFrequency).mhz, row.mhz, 1e-6);
        else
            RadioDriver::Tune(row.mhz);
        {
            std::lock_guard lock(mutex);
            changeAt = names.size();
            ASSERT_FALSE(names.empty());
            EXPECT_EQ(names.back(), "") << "a change of station clears the name at once: " << row.mhz;
        }
        ASSERT_TRUE(WaitForName(row.name)) << row.mhz;
        {
            std::lock_guard lock(mutex);
            for (size_t i = changeAt; i < names.size(); ++i)
                EXPECT_TRUE(names[i].empty() || names[i] == row.name) << "after the change to " << row.mhz << ": "
                                                                     << names[i];
        }
        const std::vector<float> sound = NextSound();
        EXPECT_NEAR(ToneFrequency(sound, 0), row.leftHz, 2.0) << row.mhz;
        EXPECT_NEAR(ToneFrequency(sound, 1), row.rightHz, 2.0) << row.mhz;
    }
    RadioDriver::Mute();
    NextSound();  // what was on its way before the mute
    EXPECT_LT(RmsDbfs(NextSound(), 0), -100.0) << "the sound is handed over after the mute";
    RadioDriver::Tune(103.3);
    EXPECT_GT(RmsDbfs(NextSound(), 0), kToneLevelRmsDbfs - 6.0) << "a tune switches the sound on, as on every card";
}

TEST_F(SdrFeedTest, DeemphasisTakesTheSettingOrTheCountrysDefault)
{
    struct Row {
        int32_t stored;
        const char* country;
        int32_t microseconds;
    };
    const Row rows[] = {
        {0, "DE", 50}, {0, "US", 75}, {0, "br", 75}, {0, "KR", 75}, {0, "JP", 50},
        {0, "", 50},   {75, "DE", 75}, {50, "US", 50}, {60, "US", 75},  // neither choice: the country's
    };
    for (const Row& row : rows)
        EXPECT_EQ(DeemphasisMicroseconds(row.stored, row.country), row.microseconds)
            << row.stored << " in " << row.country;

    // The simulated stations pre-emphasise with 50 us: a receiver set to 75
    // cuts the stereo station's right tone (1549.5 Hz) by another 0.9 dB.
    struct Level {
        int32_t stored;
        double rightRmsDbfs;
    };
    for (const Level& level : {Level{50, kToneLevelRmsDbfs}, Level{75, kToneLevelRmsDbfs - 0.93}}) {
        TunerSettings.Deemphasis = level.stored;
        std::string problem;
        ASSERT_TRUE(OpenSdrReceiver(problem)) << problem;  // the reload after the setup program
        RadioDriver::Tune(103.3);
        Start();
        NextSound();  // the stereo blend coming in
        EXPECT_NEAR(RmsDbfs(NextSound(), 1), level.rightRmsDbfs, kLevelToleranceDb) << level.stored << " us";
        StopReceiverFeed();
    }
}

TEST_F(SdrFeedTest, ADonglePulledOutIsToldOnceAndItsSoundComesBackWithIt)
{
    StartSdrReading();  // as a window does, before its feed
    RadioDriver::Tune(94.2);
    Start();
    ASSERT_FALSE(NextSound().empty());

    SetPresent(false);
    ASSERT_TRUE(WaitFor([&] { return !failures.empty(); }));
    EXPECT_THAT(failures.front(), HasSubstr("SDR device 0 was unplugged"));
    EXPECT_EQ(receiver.check(), ReceiverPresence::WentAway);

    SetPresent(true);
    EXPECT_EQ(receiver.check(), ReceiverPresence::CameBack);
    RadioDriver::Tune(94.2);
    NextSound();  // the receiver settling on the station
    EXPECT_NEAR(ToneFrequency(NextSound(), 0), 942.0, 2.0);
    std::lock_guard lock(mutex);
    EXPECT_EQ(failures.size(), 1u) << "one going, one message";
}

TEST_F(SdrFeedTest, WithoutAWindowTheStoresStationOfARecordingIsHeard)
{
    // Long enough for the name's four segments between two of its loops.
    constexpr double seconds = 3.0;
    const std::string path = folder + "/station.iq";
    ModulatorSettings settings;
    settings.centreHz = 94.4e6;
    BroadcastModulator modulator({{94.6, true, "REPLAY", ""}}, settings);
    std::vector<uint8_t> bytes(2 * static_cast<size_t>(settings.sampleRate * seconds));
    modulator.generate(bytes);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    setenv("TUNZO_SDR_IQ_FILE", path.c_str(), 1);
    setenv("TUNZO_SDR_IQ_CENTER", "94400000", 1);
    unsetenv("TUNZO_CARD");

    TunerSettings.CurrentFrequency = 94.6;  // the store's station, which a recording does not keep
    Start();
    EXPECT_THAT(ports->receiverLines, ::testing::ElementsAre("sdr 0 frequency 94.600"));
    EXPECT_TRUE(WaitForName("REPLAY"));
    EXPECT_NEAR(ToneFrequency(NextSound(), 1), 94.6 * kToneHzPerMhzRight, 2.0);
}

}  // namespace
