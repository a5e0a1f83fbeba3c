// The receiver's building blocks against short synthetic signals: each one
// is held to the figure the receiver's quality rests on.

#include "Decimator.h"
#include "Demodulation.h"
#include "FirDesign.h"
#include "FmMultiplex.h"
#include "SdrSignals.h"

#include <gtest/gtest.h>

#include <random>

namespace {

constexpr double kMuxRate = 256000.0;

TEST(Deemphasis, FollowsTheAnalogueCurveAtThreeFrequencies)
{
    struct Row {
        double tau;
        double hz;
    };
    const Row rows[] = {
        {kDeemphasisEurope, 500},   {kDeemphasisEurope, 3183},   {kDeemphasisEurope, 10000},
        {kDeemphasisAmericas, 500}, {kDeemphasisAmericas, 2122}, {kDeemphasisAmericas, 10000},
    };
    for (const Row& row : rows) {
        Deemphasis filter(kMuxRate, row.tau);
        std::vector<float> x = Sine(row.hz, kMuxRate, 64000);
        filter.process(x, x);
        const double measured = Db(ToneAmplitude(std::span<const float>(x).subspan(32000), row.hz, kMuxRate));
        const double w = 2.0 * std::numbers::pi * row.hz * row.tau;
        const double expected = Db(1.0 / std::sqrt(1.0 + w * w));
        EXPECT_NEAR(measured, expected, 0.1) << row.tau * 1e6 << " us at " << row.hz << " Hz";
    }
}

// Complex tones through the channel filter: the station's band passes, the
// next station and what would fold onto the multiplex do not.
TEST(ChannelFilter, KeepsTheStationAndStopsItsNeighbours)
{
    struct Row {
        double hz;
        double minDb;
        double maxDb;
    };
    const Row rows[] = {
        {0, -0.1, 0.1},   {60000, -0.1, 0.1}, {-60000, -0.1, 0.1},
        {200000, -999, -55}, {-200000, -999, -55}, {300000, -999, -55},
    };
    constexpr int kFactor = 4;
    for (const Row& row : rows) {
        ComplexDecimator filter(DesignLowPass({kTestRate, 115000, 70000, 60, 1.0}), kFactor);
        std::vector<Complex> in(40000);
        for (size_t n = 0; n < in.size(); ++n)
            in[n] = std::polar(1.0f, static_cast<float>(2.0 * std::numbers::pi * row.hz * n / kTestRate));
        std::vector<Complex> out(filter.maxOutput(in.size()));
        const size_t count = filter.process(in, out);
        ASSERT_EQ(count, in.size() / kFactor);
        double power = 0;
        for (size_t n = count / 2; n < count; ++n)
            power += std::norm(out[n]);
        const double db = 10.0 * std::log10(power / static_cast<double>(count - count / 2) + 1e-30);
        EXPECT_GE(db, row.minDb) << row.hz;
        EXPECT_LE(db, row.maxDb) << row.hz;
    }
}

TEST(AudioResampler, KeepsTheAudioBandAndTakesThePilotAway)
{
    struct Row {
        double hz;
        double outHz;  // where it lands at 48 kHz
        double minDb;
        double maxDb;
    };
    const Row rows[] = {
        {1000, 1000, -0.05, 0.05},
        {14000, 14000, -0.1, 0.1},
        {19000, 19000, -999, -60},  // the pilot
        {30000, 18000, -999, -60},  // would fold into the audio
    };
    for (const Row& row : rows) {
        // 256 kHz to 48 kHz: up 3, down 16.
        RationalResampler resampler(DesignLowPass({kMuxRate * 3, 17000, 4000, 70, 1.0}), 3, 16);
        const std::vector<float> in = Sine(row.hz, kMuxRate, 128000);
        std::vector<float> out(resampler.maxOutput(in.size()));
        const size_t count = resampler.process(in, out);
        EXPECT_NEAR(static_cast<double>(count), in.size() * 3.0 / 16.0, 1.0);
        const std::span<const float> settled = std::span<const float>(out.data(), count).subspan(4000);
        EXPECT_GE(Db(ToneAmplitude(settled, row.outHz, 48000)), row.minDb) << row.hz;
        EXPECT_LE(Db(ToneAmplitude(settled, row.outHz, 48000)), row.maxDb) << row.hz;
    }
}

// A station's frequency deviation read back from a carrier moved to 0 Hz.
TEST(FmDiscriminator, GivesTheDeviationAsAShareOfFullDeviation)
{
    const double offsets[] = {256000 + 37500, 256000 - 75000, 256000};
    for (double offset : offsets) {
        std::vector<Complex> in(4096);
        for (size_t n = 0; n < in.size(); ++n)
            in[n] = std::polar(0.5f, static_cast<float>(2.0 * std::numbers::pi * offset * n / kTestRate));
        FrequencyShifter shifter(kTestRate, -256000);
        shifter.process(in, in);
        std::vector<float> out(in.size());
        FmDiscriminator(kTestRate).process(in, out);
        EXPECT_NEAR(out.back(), (offset - 256000) / kMaxDeviationHz, 1e-3) << offset;
    }
}

TEST(SignalMeter, EstimatesTheCarrierToNoiseRatioWhateverTheLevel)
{
    struct Row {
        double level;
        double snrDb;  // negative: no carrier at all
    };
    const Row rows[] = {{0.5, 10}, {0.5, 20}, {0.05, 30}, {0.5, -1}};
    std::mt19937 random(7);
    for (const Row& row : rows) {
        const double carrier = row.snrDb < 0 ? 0.0 : row.level;
        const double sigma = row.level / std::sqrt(2.0 * std::pow(10.0, std::max(row.snrDb, 10.0) / 10.0));
        std::normal_distribution<float> noise(0.0f, static_cast<float>(sigma));
        std::vector<Complex> in(20000);
        for (size_t n = 0; n < in.size(); ++n)
            in[n] = std::polar(static_cast<float>(carrier), 0.001f * static_cast<float>(n * n % 6283)) +
                    Complex(noise(random), noise(random));
        SignalMeter meter(in.size());
        meter.process(in);
        if (row.snrDb < 0)
            EXPECT_LT(meter.measure().snrDb, 3.0f);
        else
            EXPECT_NEAR(meter.measure().snrDb, row.snrDb, 1.0) << row.snrDb;
    }
}

}  // namespace
