// From a demodulated bit stream to blocks: finding where blocks begin,
// mending bursts, and finding the way back after the bits slip.

#include "RdsBlockSync.h"
#include "RdsCodeword.h"
#include "RdsStreams.h"

#include <random>

using ::testing::ElementsAre;

namespace {

const RdsStation kTenFm = Station(0xC201, "TEN FM", "Blue in Green", 10);

std::vector<uint8_t> RandomBits(int count, uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<uint8_t> bits;
    for (int i = 0; i < count; ++i)
        bits.push_back(static_cast<uint8_t>(random() & 1));
    return bits;
}

std::vector<uint8_t> StationBits(RdsEncoder& encoder, int groups)
{
    std::vector<uint8_t> bits;
    for (int g = 0; g < groups; ++g)
        AppendGroupBits(bits, encoder.nextGroup());
    return bits;
}

std::vector<RdsBlock> Synchronise(RdsBlockSync& sync, const std::vector<uint8_t>& bits)
{
    std::vector<RdsBlock> blocks;
    for (uint8_t bit : bits) {
        if (const std::optional<RdsBlock> block = sync.addBit(bit != 0))
            blocks.push_back(*block);
    }
    return blocks;
}

}  // namespace

TEST(RdsBlockSync, FindsTheBlocksAfterNoiseAndMendsBursts)
{
    struct Row {
        int block;     // which block of the stream gets the burst
        int start;     // first wrong bit, counted from the block's last bit
        uint32_t burst;
        bool mended;
    } rows[] = {
        {40, 0, 0x1, true},    {41, 25, 0x1, true},   {42, 10, 0x1F, true},  {43, 21, 0x15, true},
        {44, 3, 0x11, true},   {46, 12, 0x0B, true},  {47, 0, 0x3F, false},  {50, 8, 0x21, false},
    };
    RdsEncoder encoder(kTenFm);
    const std::vector<uint8_t> noise = RandomBits(37, 3);
    std::vector<uint8_t> bits = noise;
    const std::vector<uint8_t> clean = StationBits(encoder, 60);
    bits.insert(bits.end(), clean.begin(), clean.end());
    for (const Row& row : rows) {
        for (int i = 0; i < 26; ++i) {
            if (row.burst >> i & 1)
                bits[noise.size() + row.block * kRdsBlockBits + (kRdsBlockBits - 1 - row.start - i)] ^= 1;
        }
    }

    RdsBlockSync sync;
    const std::vector<RdsBlock> blocks = Synchronise(sync, bits);
    ASSERT_TRUE(sync.inSync());
    // Sync takes two blocks; everything after the second comes out.
    ASSERT_GE(blocks.size(), 60u * 4 - 2);
    const size_t skipped = 60 * 4 - blocks.size();
    for (const Row& row : rows) {
        const RdsBlock& block = blocks[row.block - skipped];
        SCOPED_TRACE(row.block);
        EXPECT_EQ(block.corrected, row.mended);
        EXPECT_EQ(block.uncorrectable, !row.mended);
    }

    DecoderRun run;
    run.feed(blocks);
    EXPECT_EQ(run.decoder.state().name, "TEN FM");
    EXPECT_EQ(run.decoder.state().text, "Blue in Green");
}

TEST(RdsBlockSync, FindsTheWayBackAfterABitSlips)
{
    RdsEncoder encoder(kTenFm);
    std::vector<uint8_t> bits = StationBits(encoder, 40);
    bits.erase(bits.begin() + 40 * 104 / 2 + 7);  // one bit lost mid-stream
    RdsStation renamed = kTenFm;
    renamed.name = "NEWS 24";
    encoder.setStation(renamed);
    const std::vector<uint8_t> after = StationBits(encoder, 200);
    bits.insert(bits.end(), after.begin(), after.end());

    RdsBlockSync sync;
    const std::vector<RdsBlock> blocks = Synchronise(sync, bits);
    EXPECT_TRUE(sync.inSync());
    DecoderRun run;
    run.feed(blocks);
    EXPECT_THAT(run.linesOf("PS"), ElementsAre("PS TEN FM", "PS NEWS 24"));
}

TEST(RdsBlockSync, VersionBGroupsKeepTheirCPrime)
{
    std::vector<uint8_t> bits;
    const char* text = "Hi there\r ";
    for (int round = 0; round < 3; ++round) {
        for (int segment = 0; segment < 5; ++segment) {
            const uint16_t b = static_cast<uint16_t>(kRdsGroupRadioText << kRdsGroupTypeShift | kRdsVersionB | segment);
            const uint16_t chars = static_cast<uint16_t>(static_cast<uint8_t>(text[segment * 2]) << 8
                                                         | static_cast<uint8_t>(text[segment * 2 + 1]));
            AppendGroupBits(bits, {RdsBlock{0xC201, RdsBlockId::A}, RdsBlock{b, RdsBlockId::B},
                                   RdsBlock{0xC201, RdsBlockId::CPrime}, RdsBlock{chars, RdsBlockId::D}});
        }
    }
    RdsBlockSync sync;
    const std::vector<RdsBlock> blocks = Synchronise(sync, bits);
    int cPrimes = 0;
    for (const RdsBlock& block : blocks)
        cPrimes += block.id == RdsBlockId::CPrime ? 1 : 0;
    EXPECT_GE(cPrimes, 14);
    DecoderRun run;
    run.feed(blocks);
    EXPECT_EQ(run.decoder.state().text, "Hi there");
}
