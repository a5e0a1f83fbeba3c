// The drift correction against simulated clocks: a producer whose clock is
// 0.5 % fast or slow against the output's, a producer that stalls, and one
// that bursts. Virtual time: each step is one output period.

#include "AudioAnalysis.h"
#include "AudioFormat.h"
#include "AudioRing.h"
#include "DriftCorrector.h"
#include "ToneSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {
constexpr int kLatencyMs = 100;
constexpr size_t kTarget = FramesForMs(kLatencyMs / 4);
constexpr size_t kMax = FramesForMs(kLatencyMs / 2);
constexpr size_t kPeriod = FramesForMs(kLatencyMs / 8);
constexpr size_t kProducerChunk = 256;  // not a divisor of the period, as in life
constexpr int kSettleSeconds = 20;
constexpr int kRunSeconds = 120;
constexpr double kMhz = 94.2;

// One producer and one output, each on its own clock.
class DriftRig {
public:
    explicit DriftRig(double producerSpeed)
        : speed_(producerSpeed), queue_(FramesForMs(1000)), corrector_(kTarget, kMax),
          source_(ToneForStation(kMhz, false))
    {
    }

    // One output period: the producer delivers what its clock made meanwhile
    // (in whole chunks), then the output takes a period.
    void step(bool producerStalled = false)
    {
        owed_ += static_cast<double>(kPeriod) * speed_;
        std::vector<float> chunk(kProducerChunk * kAudioChannels);
        while (owed_ >= kProducerChunk) {
            owed_ -= kProducerChunk;
            if (producerStalled)
                continue;
            source_.fill(chunk.data(), kProducerChunk);
            queue_.write(chunk.data(), kProducerChunk);
        }
        std::vector<float> out(kPeriod * kAudioChannels);
        corrector_.render(queue_, out.data(), kPeriod);
        output_.insert(output_.end(), out.begin(), out.end());
    }
    void burst(size_t frames)
    {
        std::vector<float> extra(frames * kAudioChannels);
        source_.fill(extra.data(), frames);
        queue_.write(extra.data(), frames);
    }
    size_t latencyFrames() const { return queue_.queued() + corrector_.heldFrames(); }
    const DriftStats& stats() const { return corrector_.stats(); }
    std::vector<float> outputFrom(size_t frame) const
    {
        return {output_.begin() + static_cast<std::ptrdiff_t>(frame * kAudioChannels), output_.end()};
    }
    size_t outputFrames() const { return output_.size() / kAudioChannels; }

private:
    double speed_;
    double owed_ = 0;
    AudioRing queue_;
    DriftCorrector corrector_;
    ToneSource source_;
    std::vector<float> output_;
};

constexpr int StepsFor(int seconds)
{
    return static_cast<int>(static_cast<size_t>(seconds) * kAudioRate / kPeriod);
}

struct DriftRow {
    const char* what;
    double speed;
};

class DriftTest : public ::testing::TestWithParam<DriftRow> {};

TEST_P(DriftTest, LatencyStaysBoundedWithoutBreaksOrDrops)
{
    DriftRig rig(GetParam().speed);
    for (int i = 0; i < StepsFor(kSettleSeconds); ++i)
        rig.step();
    const size_t settledAt = rig.outputFrames();
    const DriftStats before = rig.stats();
    size_t most = 0, least = SIZE_MAX;
    for (int i = 0; i < StepsFor(kRunSeconds - kSettleSeconds); ++i) {
        rig.step();
        most = std::max(most, rig.latencyFrames());
        least = std::min(least, rig.latencyFrames());
    }
    EXPECT_LE(most, kMax) << "latency grew to " << MsForFrames(most) << " ms";
    EXPECT_GT(least, 0u);
    EXPECT_EQ(rig.stats().underruns, before.underruns);
    EXPECT_EQ(rig.stats().overruns, 0u);
    const std::vector<float> settled = rig.outputFrom(settledAt);
    EXPECT_TRUE(FindGaps(settled).empty());
    // Played at the output's clock, the tone is as far off as the producer.
    EXPECT_NEAR(ToneFrequency(settled, kLeft), kMhz * kToneHzPerMHz * GetParam().speed, 0.5);
}

INSTANTIATE_TEST_SUITE_P(Clocks, DriftTest,
                         ::testing::Values(DriftRow{"fast", 1.005}, DriftRow{"slow", 0.995},
                                           DriftRow{"same", 1.0}),
                         [](const auto& info) { return std::string(info.param.what); });

// A producer that stops for a while gives one gap, not a stutter, and the
// latency afterwards is what it was, not what the gap added.
TEST(DriftRecovery, StallGivesOneGapAndTheLatencyReturns)
{
    DriftRig rig(1.0);
    for (int i = 0; i < StepsFor(kSettleSeconds); ++i)
        rig.step();
    const size_t start = rig.outputFrames();
    constexpr int kStallSteps = 20;  // 250 ms
    for (int i = 0; i < kStallSteps; ++i)
        rig.step(true);
    for (int i = 0; i < StepsFor(kSettleSeconds); ++i)
        rig.step();
    EXPECT_EQ(rig.stats().underruns, 1u);
    EXPECT_EQ(FindGaps(rig.outputFrom(start)).size(), kAudioChannels * 1u);
    EXPECT_LE(rig.latencyFrames(), kMax);
}

// A producer that suddenly delivers far ahead (a receiver catching up after
// a stall of its own) is cut back at once, not played late for ever after.
TEST(DriftRecovery, BurstIsDroppedBackToTheTarget)
{
    DriftRig rig(1.0);
    for (int i = 0; i < StepsFor(kSettleSeconds); ++i)
        rig.step();
    rig.burst(FramesForMs(400));
    rig.step();
    EXPECT_EQ(rig.stats().overruns, 1u);
    size_t most = 0;
    for (int i = 0; i < StepsFor(kSettleSeconds); ++i) {
        rig.step();
        most = std::max(most, rig.latencyFrames());
    }
    EXPECT_LE(most, kMax);
}
}  // namespace
