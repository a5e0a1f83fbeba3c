// The 26-bit blocks on air: checkwords and offset words as the standard's
// parity-check matrix sees them, and the correction of burst errors.

#include "RdsCodeword.h"
#include "RdsEncoder.h"

#include <gtest/gtest.h>

#include <array>
#include <random>

namespace {

// The parity-check matrix the standard prints, one row per received bit,
// first bit sent first; and the syndromes it lists for each offset word.
constexpr std::array<uint16_t, kRdsBlockBits> kParityCheck = {
    0x200, 0x100, 0x080, 0x040, 0x020, 0x010, 0x008, 0x004, 0x002, 0x001, 0x2DC, 0x16E, 0x0B7,
    0x287, 0x39F, 0x313, 0x355, 0x376, 0x1BB, 0x201, 0x3DC, 0x1EE, 0x0F7, 0x2A7, 0x38F, 0x31B,
};

uint16_t StandardSyndrome(uint32_t block)
{
    uint16_t syndrome = 0;
    for (int i = 0; i < kRdsBlockBits; ++i) {
        if (block >> (kRdsBlockBits - 1 - i) & 1)
            syndrome ^= kParityCheck[i];
    }
    return syndrome;
}

}  // namespace

TEST(RdsCodeword, BlocksCarryTheStandardsSyndromeOfTheirPlace)
{
    struct Row {
        RdsBlockId id;
        uint16_t syndrome;
    } rows[] = {
        {RdsBlockId::A, 0x3D8}, {RdsBlockId::B, 0x3D4}, {RdsBlockId::C, 0x25C},
        {RdsBlockId::CPrime, 0x3CC}, {RdsBlockId::D, 0x258},
    };
    std::mt19937 random(5);
    for (const Row& row : rows) {
        for (uint16_t data : {uint16_t{0x0000}, uint16_t{0xFFFF}, uint16_t{0xC201}, static_cast<uint16_t>(random())}) {
            const uint32_t block = RdsEncodeBlock(data, row.id);
            EXPECT_EQ(StandardSyndrome(block), row.syndrome) << std::hex << data;
            EXPECT_EQ(RdsBlockIdOfSyndrome(RdsSyndrome(block)), row.id);
            const RdsBlock checked = RdsCheckBlock(block, row.id);
            EXPECT_EQ(checked.data, data);
            EXPECT_FALSE(checked.corrected || checked.uncorrectable);
        }
    }
}

TEST(RdsCodeword, EveryBurstOfUpToFiveBitsIsCorrected)
{
    const uint16_t data = 0x5A3C;
    const uint32_t sent = RdsEncodeBlock(data, RdsBlockId::B);
    int bursts = 0;
    for (int start = 0; start < kRdsBlockBits; ++start) {
        for (uint32_t tail = 0; tail < 16; ++tail) {
            const uint32_t burst = (1u | tail << 1) << start;
            if (burst & ~kRdsBlockMask)
                continue;
            const RdsBlock checked = RdsCheckBlock(sent ^ burst, RdsBlockId::B);
            ASSERT_EQ(checked.data, data) << "burst " << std::hex << burst;
            EXPECT_TRUE(checked.corrected);
            EXPECT_FALSE(checked.uncorrectable);
            ++bursts;
        }
    }
    EXPECT_GT(bursts, 300);

    // Wider damage: most is found uncorrectable; what the code cannot see
    // (one error in 1024 is itself a codeword) stays that rare.
    std::mt19937 random(11);
    int flagged = 0;
    int unseen = 0;
    for (int i = 0; i < 1000; ++i) {
        const uint32_t error = (random() & kRdsBlockMask) | 0x21u << (random() % 20);  // spans six bits or more
        const RdsBlock checked = RdsCheckBlock(sent ^ error, RdsBlockId::B);
        flagged += checked.uncorrectable ? 1 : 0;
        unseen += checked.corrected || checked.uncorrectable ? 0 : 1;
    }
    EXPECT_GT(flagged, 500);
    EXPECT_LT(unseen, 5);
}
