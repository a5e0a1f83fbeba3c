// What reaches a real ALSA output (the file plugin over the null device,
// which runs as fast as it is fed): the station's tone on the right
// channels, silence when muted, no break in a run of seconds; and devices
// that fail are reported, not fatal.

#include "AudioAnalysis.h"
#include "AudioCapture.h"
#include "AudioPlayer.h"
#include "AudioTestDir.h"
#include "DriftCorrector.h"
#include "ToneSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <future>
#include <vector>

namespace {
constexpr size_t kChunkFrames = 480;  // 10 ms, as a demodulator hands them over
constexpr int kRunSeconds = 3;
// A long latency: the null device has no clock, so the player's waits are
// the only time there is, and a loaded test machine must not starve it.
constexpr int kTestLatencyMs = 1000;
// The null device has no clock, so the queue's fill is only what the test's
// producer makes it, and the drift correction may bend the pitch as far as
// it ever does. Still far closer than any two stations' or channels' tones.
double Tolerance(double hz)
{
    return 0.5 + hz * kMaxDriftCorrection;
}
constexpr double kSineRmsBelowPeakDb = 3.01;

std::string FileOutput(const std::string& path)
{
    return "file:FILE=" + path + ",FORMAT=wav";
}

// Pushes `seconds` of the source at the pace the player takes them.
void Feed(AudioPlayer& player, ToneSource& source, int seconds)
{
    std::vector<float> chunk(kChunkFrames * kAudioChannels);
    for (size_t done = 0; done < static_cast<size_t>(seconds) * kAudioRate; done += kChunkFrames) {
        player.waitForRoom(std::chrono::milliseconds(kTestLatencyMs));
        source.fill(chunk.data(), kChunkFrames);
        player.push(chunk.data(), kChunkFrames);
    }
    // Played out, not stopped halfway through the queue.
    player.waitForRoom(std::chrono::milliseconds(kTestLatencyMs));
}

struct ToneRow {
    const char* what;
    double mhz;
    bool stereo;
    bool muted;
    float gain;  // volume steps on a device without its own control
};

class PlaybackTest : public ::testing::TestWithParam<ToneRow> {
protected:
    AudioTestDir dir;
};

TEST_P(PlaybackTest, OutputCarriesTheStationsToneWithoutBreaks)
{
    const ToneRow row = GetParam();
    const std::string out = dir.file("out.wav");
    {
        AudioPlayer player({FileOutput(out), kTestLatencyMs});
        player.setMuted(row.muted);
        player.setGain(row.gain);
        player.start();
        ToneSource source(ToneForStation(row.mhz, row.stereo));
        Feed(player, source, kRunSeconds);
        player.stop();
        EXPECT_EQ(player.status().state, PlayerState::Stopped) << player.status().message;
    }
    const SoundFileContents played = ReadSoundFile(out);
    ASSERT_TRUE(played.ok) << played.error;
    ASSERT_EQ(played.channels, kAudioChannels);
    // Muted or not, the stream runs on: the output got the whole run, but
    // for what was still queued when it stopped.
    EXPECT_GE(played.frames.size() / kAudioChannels,
              static_cast<size_t>(kRunSeconds) * kAudioRate - FramesForMs(kTestLatencyMs));
    const std::vector<float> sound = TrimSilence(played.frames);
    if (row.muted) {
        EXPECT_TRUE(sound.empty()) << "muted, yet " << sound.size() / 2 << " frames of sound";
        return;
    }
    const StationTone tone = ToneForStation(row.mhz, row.stereo);
    EXPECT_NEAR(ToneFrequency(sound, kLeft), tone.leftHz, Tolerance(tone.leftHz));
    EXPECT_NEAR(ToneFrequency(sound, kRight), tone.rightHz, Tolerance(tone.rightHz));
    const double gainDb = 20 * std::log10(row.gain);
    EXPECT_NEAR(RmsDbfs(sound, kLeft), kToneLevelDbfs - kSineRmsBelowPeakDb + gainDb, 0.1);
    EXPECT_GE(sound.size() / kAudioChannels, static_cast<size_t>(kRunSeconds - 1) * kAudioRate);
    const std::vector<AudioGap> gaps = FindGaps(played.frames);
    EXPECT_TRUE(gaps.empty()) << gaps.size() << " gaps, the first of " << gaps[0].frames << " frames at "
                              << gaps[0].startFrame;
}

INSTANTIATE_TEST_SUITE_P(Stations, PlaybackTest,
                         ::testing::Values(ToneRow{"mono", 94.2, false, false, 1.0f},
                                           ToneRow{"stereo", 88.4, true, false, 1.0f},
                                           ToneRow{"half_volume", 101.7, false, false, 0.5f},
                                           ToneRow{"muted", 103.3, true, true, 1.0f}),
                         [](const auto& info) { return std::string(info.param.what); });

// A USB stick's capture device, played through: a capture PCM reading a
// recorded tone (raw 16-bit stereo) stands in for the stick.
TEST(PlaybackFromCapture, CapturedToneReachesTheOutput)
{
    AudioTestDir dir;
    const std::string in = dir.file("stick.raw");
    {
        ToneSource source(ToneForStation(88.4, true));
        std::vector<float> frames(static_cast<size_t>(kRunSeconds) * kAudioRate * kAudioChannels);
        source.fill(frames.data(), frames.size() / kAudioChannels);
        std::ofstream raw(in, std::ios::binary);
        for (float s : frames) {
            const short v = static_cast<short>(std::lrint(s * 32767));
            raw.write(reinterpret_cast<const char*>(&v), sizeof v);
        }
        std::ofstream(dir.file(".asoundrc")) << "pcm.stick { type file slave.pcm null file \"/dev/null\" "
                                             << "infile \"" << in << "\" format raw }\n";
    }
    const std::string out = dir.file("out.wav");
    AudioPlayer player({FileOutput(out), kTestLatencyMs});
    player.start();
    // The file plugin repeats stale data once its input file has ended, so
    // only the file's own frames are played.
    const size_t wanted = static_cast<size_t>(kRunSeconds) * kAudioRate;
    size_t pushed = 0;
    std::promise<void> enough;
    AudioCapture capture(
        "stick",
        [&](const float* frames, size_t count) {
            if (pushed == wanted)
                return;
            count = std::min(count, wanted - pushed);
            player.waitForRoom(std::chrono::milliseconds(kTestLatencyMs));
            player.push(frames, count);
            pushed += count;
            if (pushed == wanted)
                enough.set_value();
        },
        [&](const std::string& message) { ADD_FAILURE() << message; });
    capture.start();
    enough.get_future().wait();
    capture.stop();
    player.waitForRoom(std::chrono::milliseconds(kTestLatencyMs));
    player.stop();

    const SoundFileContents played = ReadSoundFile(out);
    ASSERT_TRUE(played.ok) << played.error;
    const std::vector<float> sound = TrimSilence(played.frames);
    EXPECT_NEAR(ToneFrequency(sound, kLeft), 884.0, Tolerance(884.0));
    EXPECT_NEAR(ToneFrequency(sound, kRight), 1326.0, Tolerance(1326.0));
    EXPECT_TRUE(FindGaps(played.frames).empty());
}

// Devices that are not there: the caller hears of it through the callback
// and its own calls go on working.
TEST(PlaybackDevices, MissingDevicesAreReportedNotFatal)
{
    AudioTestDir dir;
    std::promise<PlayerStatus> reported;
    AudioPlayer player({"tunzo_no_such_output", kDefaultLatencyMs});
    player.setStatusCallback([&](const PlayerStatus& status) {
        if (status.state == PlayerState::Failed)
            reported.set_value(status);
    });
    player.start();
    const PlayerStatus status = reported.get_future().get();
    EXPECT_NE(status.message.find("tunzo_no_such_output"), std::string::npos) << status.message;
    std::vector<float> chunk(kChunkFrames * kAudioChannels);
    player.push(chunk.data(), kChunkFrames);
    player.stop();
    EXPECT_EQ(player.status().state, PlayerState::Failed);

    std::promise<std::string> failed;
    AudioCapture capture("tunzo_no_such_input", [](const float*, size_t) {},
                         [&](const std::string& message) { failed.set_value(message); });
    capture.start();
    EXPECT_NE(failed.get_future().get().find("tunzo_no_such_input"), std::string::npos);
}
}  // namespace
