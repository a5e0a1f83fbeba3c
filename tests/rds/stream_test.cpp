// Generated block streams through the decoder, as V4L2 records: what it
// reports from clean streams, with error flags, with blocks missing, and when
// the station changes in the middle.

#include "RdsGroup.h"
#include "RdsStreams.h"

#include <algorithm>
#include <random>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

const RdsStation kTenFm = Station(0xC201, "TEN FM", "Blue in Green", 10);
const RdsStation kJazz = Station(0xD318, "JAZZ", "So What", 24);

}  // namespace

TEST(RdsRecords, CarryBlockNumberAndBothFlags)
{
    struct Row {
        RdsRecord record;
        RdsBlock block;
    } rows[] = {
        {{0x01, 0xC2, 0x00}, {0xC201, RdsBlockId::A, false, false}},
        {{0x34, 0x12, 0x09}, {0x1234, RdsBlockId::B, false, false}},  // received-block bits ignored
        {{0xFF, 0xFF, 0x42}, {0xFFFF, RdsBlockId::C, true, false}},
        {{0x00, 0x80, 0x83}, {0x8000, RdsBlockId::D, false, true}},
        {{0x10, 0x00, 0xC4}, {0x0010, RdsBlockId::CPrime, true, true}},
        {{0x00, 0x00, 0x06}, {0x0000, RdsBlockId::Invalid, false, false}},
        {{0x00, 0x00, 0x07}, {0x0000, RdsBlockId::Invalid, false, false}},
    };
    for (const Row& row : rows) {
        const RdsBlock block = BlockFromRecord(row.record);
        SCOPED_TRACE(static_cast<int>(row.record.block));
        EXPECT_EQ(block.data, row.block.data);
        EXPECT_EQ(block.id, row.block.id);
        EXPECT_EQ(block.corrected, row.block.corrected);
        EXPECT_EQ(block.uncorrectable, row.block.uncorrectable);
        if (block.id != RdsBlockId::Invalid) {
            const RdsRecord back = RecordFromBlock(block);
            EXPECT_EQ(back.block & 0xC7, row.record.block & 0xC7);
        }
    }

    // A read that ended inside a record leaves its bytes for the next one.
    const uint8_t bytes[] = {0x01, 0xC2, 0x00, 0x34, 0x12, 0x01, 0x99, 0x98};
    RdsBlock blocks[4];
    EXPECT_EQ(BlocksFromBytes(bytes, sizeof bytes, blocks, 4), 6u);
    EXPECT_EQ(blocks[1].data, 0x1234);
}

TEST(RdsDecoderStream, ReportsEachFieldOnceFromACleanStream)
{
    RdsEncoder encoder(kTenFm);
    DecoderRun run;
    run.feed(StreamOf(encoder, 200));

    EXPECT_THAT(run.lines, ElementsAre("PI 0xC201", "PTY 10 Pop Music", "PS TEN FM", "RT Blue in Green"));
    EXPECT_EQ(run.decoder.state().name, "TEN FM");
    EXPECT_FALSE(run.decoder.state().trafficProgramme);
}

TEST(RdsDecoderStream, TrafficFlagsAndClockTimeArriveAsLines)
{
    RdsStation station = kTenFm;
    station.trafficProgramme = true;
    station.trafficAnnouncement = true;
    RdsEncoder encoder(station);
    DecoderRun run;
    run.feed(StreamOf(encoder, 10));
    encoder.sendClockTime(RdsClockTime{61382, 16, 5, 2});  // 2026-12-08 16:05 UTC, +01:00
    run.feed(StreamOf(encoder, 10));

    EXPECT_THAT(run.linesOf("TP"), ElementsAre("TP 1 TA 1"));
    EXPECT_THAT(run.linesOf("CT"), ElementsAre("CT 2026-12-08 17:05 +01:00"));
}

TEST(RdsDecoderStream, ClockTimeFromAGroupWithCorrectedBlocksIsNotShown)
{
    RdsEncoder encoder(kTenFm);
    std::vector<RdsBlock> blocks = StreamOf(encoder, 8);
    RdsGroupBlocks clock = EncodeClockGroup(kTenFm, RdsClockTime{61382, 16, 5, 2});
    clock[2].corrected = true;
    AppendGroup(blocks, clock);
    DecoderRun run;
    run.feed(blocks);

    EXPECT_THAT(run.linesOf("CT"), IsEmpty());
    EXPECT_FALSE(run.decoder.state().hasClockTime);
}

// Whatever the errors, nothing wrong is ever shown and the right name and
// text arrive in the end.
TEST(RdsDecoderStream, ErrorFlagsAndMissingBlocksNeverShowWrongData)
{
    struct Row {
        const char* what;
        RdsErrorRates rates;
        int dropEvery;  // every Nth block never arrives; 0: none missing
    } rows[] = {
        {"uncorrectable", {0.2, 0, 0}, 0},
        {"corrected", {0, 0.3, 0}, 0},
        {"both flags", {0.1, 0.1, 0}, 0},
        {"miscorrected", {0.05, 0.05, 0.02}, 0},
        {"missing blocks", {0, 0, 0}, 7},
        {"missing and bad", {0.1, 0.1, 0}, 5},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        RdsEncoder encoder(kTenFm);
        std::vector<RdsBlock> blocks = StreamOf(encoder, 600, row.rates, 7);
        if (row.dropEvery > 0) {
            std::vector<RdsBlock> kept;
            for (size_t i = 0; i < blocks.size(); ++i) {
                if ((i + 1) % row.dropEvery != 0)
                    kept.push_back(blocks[i]);
            }
            blocks = kept;
        }
        DecoderRun run;
        run.feed(blocks);
        EXPECT_THAT(run.linesOf("PS"), ElementsAre("PS TEN FM"));
        EXPECT_THAT(run.linesOf("RT"), ElementsAre("RT Blue in Green"));
        EXPECT_THAT(run.linesOf("PI"), ElementsAre("PI 0xC201"));
    }
}

TEST(RdsDecoderStream, ResetForgetsEverythingAtOnce)
{
    RdsEncoder first(kTenFm);
    first.sendClockTime(RdsClockTime{61382, 16, 5, 2});
    DecoderRun run;
    run.feed(StreamOf(first, 100));
    run.lines.clear();

    run.reset();
    EXPECT_THAT(run.lines, ElementsAre("PI", "PS", "RT", "PTY", "CT"));
    EXPECT_EQ(run.decoder.state().name, "");
    EXPECT_FALSE(run.decoder.state().hasPi);

    // The new station's blocks follow the tune at once; nothing of the old
    // one may come back, even from a group half received before the tune.
    run.lines.clear();
    std::vector<RdsBlock> tail = StreamOf(first, 1);
    tail.resize(2);
    run.feed(tail);
    RdsEncoder second(kJazz);
    run.feed(StreamOf(second, 100));
    EXPECT_THAT(run.lines, ElementsAre("PI 0xD318", "PTY 24 Jazz Music", "RT So What", "PS JAZZ"));
}

TEST(RdsDecoderStream, AnotherStationWithoutResetClearsTheOldOneFirst)
{
    RdsEncoder first(kTenFm);
    RdsEncoder second(kJazz);
    DecoderRun run;
    run.feed(StreamOf(first, 100));
    run.lines.clear();
    run.feed(StreamOf(second, 100));

    EXPECT_THAT(run.lines, ElementsAre("PI 0xD318", "PS", "RT", "PTY 24 Jazz Music", "RT So What", "PS JAZZ"));
}

TEST(RdsDecoderStream, AbFlipClearsTheTextUntilTheNewOneIsWhole)
{
    RdsEncoder encoder(kTenFm);
    DecoderRun run;
    run.feed(StreamOf(encoder, 100));
    RdsStation next = kTenFm;
    next.text = "So What";
    encoder.setStation(next);
    run.feed(StreamOf(encoder, 100));

    EXPECT_THAT(run.linesOf("RT"), ElementsAre("RT Blue in Green", "RT", "RT So What"));
}

// A lone group under another PI (a distant station on the same frequency, or
// damage the receiver did not see) must not put its segment into the name.
TEST(RdsDecoderStream, AStrayGroupUnderAnotherPiDoesNotReachTheName)
{
    RdsEncoder encoder(kTenFm);
    DecoderRun run;
    run.feed(StreamOf(encoder, 30));
    std::vector<RdsBlock> blocks;
    AppendGroup(blocks, EncodeNameGroup(Station(0xBEEF, "XX"), 0));
    for (int segment = 1; segment < kRdsPsSegments; ++segment)
        AppendGroup(blocks, EncodeNameGroup(kTenFm, segment));
    run.feed(blocks);

    EXPECT_THAT(run.linesOf("PS"), ElementsAre("PS TEN FM"));
    EXPECT_THAT(run.linesOf("PI"), ElementsAre("PI 0xC201"));
}

// A receiver that decodes RDS itself: its controls' strings are in the RDS
// table, padded or ended by NUL or the end-of-text mark.
TEST(RdsDecoderControls, ReportTheSameFieldsAsBlocks)
{
    RdsDecoder decoder;
    RdsControlValues values;
    values.name = std::string("  \x8A" "and\x80  ", 8);
    values.text = std::string("Blue in Green\r      ");
    values.pty = 10;
    values.trafficProgramme = true;
    const uint32_t changed = decoder.takeControls(values);
    EXPECT_THAT(RdsChangeLines(changed, decoder.state(), RdsStandard::Rds),
                ElementsAre("PS Ñandá", "RT Blue in Green", "PTY 10 Pop Music", "TP 1 TA 0"));
    EXPECT_EQ(decoder.takeControls(values), 0u);

    values.text = std::string("So What\0garbage", 15);
    EXPECT_EQ(decoder.takeControls(values), RdsChangedText);
    EXPECT_EQ(decoder.state().text, "So What");
    EXPECT_EQ(decoder.reset(), RdsChangedName | RdsChangedText | RdsChangedPty | RdsChangedTraffic);
}

// Whatever bytes a device hands over, what comes out is text of the lengths
// RDS allows (the sanitizer build watches the rest). Half the reads are
// groups of one PI with characters from a few pairs, so that names and texts
// do form, with bytes above 0x7F and end marks among them.
TEST(RdsDecoderStream, AnyBytesFromTheDeviceGiveBoundedText)
{
    auto codePoints = [](const std::string& utf8) {
        return static_cast<size_t>(
            std::count_if(utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
    };
    const uint16_t pairs[] = {0x4142, 0x8A8B, 0x0D20, 0xFFFE};
    std::mt19937 random(2026);
    RdsDecoder decoder;
    size_t longestName = 0;
    size_t longestText = 0;
    for (int read = 0; read < 40000; ++read) {
        RdsBlock blocks[4];
        for (int i = 0; i < 4; ++i)
            blocks[i] = BlockFromRecord(RdsRecord{static_cast<uint8_t>(random()), static_cast<uint8_t>(random()),
                                                  static_cast<uint8_t>(random())});
        if (read % 2 == 0) {
            const uint16_t type = (random() & 1) ? kRdsGroupRadioText : kRdsGroupBasic;
            blocks[0] = RdsBlock{0xC201, RdsBlockId::A};
            blocks[1] = RdsBlock{static_cast<uint16_t>(type << kRdsGroupTypeShift | (random() & 0x7FF)), RdsBlockId::B};
            blocks[2] = RdsBlock{pairs[random() % 4], RdsBlockId::C};
            blocks[3] = RdsBlock{pairs[random() % 4], RdsBlockId::D, random() % 2 == 0};
        }
        std::vector<RdsBlock> group(blocks, blocks + 4);
        const std::vector<uint8_t> bytes = RecordBytes(group);
        decoder.addRecords(bytes.data(), bytes.size());
        longestName = std::max(longestName, codePoints(decoder.state().name));
        longestText = std::max(longestText, codePoints(decoder.state().text));
    }
    EXPECT_LE(longestName, static_cast<size_t>(kRdsPsLength));
    EXPECT_LE(longestText, static_cast<size_t>(kRdsTextLength));
    EXPECT_GT(longestName, 0u);
    EXPECT_GT(longestText, 0u);
}
