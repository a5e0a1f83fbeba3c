// RDS from the multiplex: the station's name and blocks with honest flags,
// with and without a pilot, in noise, and in an IQ stream as weak as the
// benchmark's goal.

#include "FmMultiplex.h"
#include "RdsDecoder.h"
#include "RdsDemodulator.h"
#include "SdrSignals.h"
#include "Stereo.h"

#include <gtest/gtest.h>

#include <random>

namespace {

constexpr double kMuxRate = 256000.0;

struct RdsResult {
    std::vector<RdsBlock> blocks;
    RdsState state;
    int uncorrectable = 0;
};

RdsResult Decode(const std::vector<RdsBlock>& blocks)
{
    RdsResult result;
    result.blocks = blocks;
    RdsDecoder decoder;
    for (const RdsBlock& block : blocks) {
        decoder.addBlock(block);
        result.uncorrectable += block.uncorrectable ? 1 : 0;
    }
    result.state = decoder.state();
    return result;
}

TEST(RdsDemodulator, DecodesTheStationFromANoisyMultiplex)
{
    struct Row {
        const char* what;
        bool stereo;  // with a pilot to take the carrier from
        float noise;  // added to the multiplex, against full deviation 1
    };
    const Row rows[] = {
        {"clean, pilot", true, 0.0f},   // a clean signal once locked the timing half a symbol off
        {"clean, no pilot", false, 0.0f},
        {"noisy, pilot", true, 0.1f},
        {"noisy, no pilot", false, 0.1f},
    };
    std::mt19937 random(11);
    for (const Row& row : rows) {
        const BroadcastStation station{94.2, row.stereo, "TEN FM", "Blue in Green"};
        StationMultiplex source(station, kMuxRate, kDeemphasisEurope);
        std::vector<float> mux(static_cast<size_t>(3.0 * kMuxRate));
        source.process(mux);
        std::normal_distribution<float> noise(0.0f, std::max(row.noise, 1e-9f));
        for (float& m : mux)
            m += noise(random);

        PilotPll pll(kMuxRate);
        std::vector<Complex> pilot(mux.size());
        pll.process(mux, pilot);
        RdsDemodulator demodulator(kMuxRate);
        std::vector<RdsBlock> blocks;
        demodulator.process(mux, pilot, pll.locked(), blocks);

        const RdsResult result = Decode(blocks);
        EXPECT_EQ(result.state.name, "TEN FM") << row.what;
        EXPECT_EQ(result.state.pi, 0xC000 | 942) << row.what;
        // 3 s is 137 blocks; sync takes a few.
        EXPECT_GE(result.blocks.size(), 125u) << row.what;
        EXPECT_LE(result.uncorrectable, 3) << row.what;
    }
}

// Through the whole receiver at 15 dB over the sampled band: the name
// shows, and every block handed over as good carries what was sent.
TEST(RdsReceiver, NameShownAtFifteenDbWithTrueFlags)
{
    const BroadcastStation station{103.3, true, "JAZZ", "Blue in Green"};
    FmReceiver receiver(TestReceiverSettings());
    Received out;
    Receive(receiver, StationIq(station, 2.0, 15.0), out);
    const RdsResult result = Decode(out.blocks);
    EXPECT_EQ(result.state.name, "JAZZ");
    EXPECT_TRUE(receiver.state().rdsSync);
    for (const RdsBlock& block : out.blocks) {
        if (!block.uncorrectable && block.id == RdsBlockId::A) {
            EXPECT_EQ(block.data, 0xC000 | 1033);
        }
    }
}

}  // namespace
