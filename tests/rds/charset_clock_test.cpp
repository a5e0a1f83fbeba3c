// The RDS character table against Unicode, and clock time: negative and
// half-hour offsets, midnight either way, through the decoder too.

#include "RdsCharset.h"
#include "RdsClock.h"
#include "RdsStreams.h"

#include <map>

using ::testing::ElementsAre;

TEST(RdsCharset, EveryCharacterOfTheTableMapsToItsOwnCodePoint)
{
    // Where the table leaves ASCII or is easily mistaken for Latin-1.
    const std::map<uint8_t, char32_t> landmarks = {
        {0x20, U' '},  {0x24, U'¤'},  {0x41, U'A'},  {0x5E, U'―'},  {0x5F, U'_'},  {0x60, U'‖'},
        {0x7E, U'¯'},  {0x80, U'á'},  {0x8D, U'ß'},  {0x8F, U'Ĳ'},  {0x9E, U'ı'},  {0xA1, U'α'},
        {0xA3, U'‰'},  {0xA9, U'€'},  {0xAB, U'$'},  {0xAC, U'←'},  {0xAF, U'↓'},  {0xB5, U'İ'},
        {0xB8, U'µ'},  {0xBF, U'§'},  {0xCA, U'Ř'},  {0xCF, U'Ŀ'},  {0xDE, U'đ'},  {0xE4, U'ŷ'},
        {0xE9, U'Ŋ'},  {0xEE, U'Ŧ'},  {0xF4, U'ŵ'},  {0xFE, U'ŧ'},  {0x1F, U'\u00AD'},
    };
    for (const auto& [byte, code] : landmarks)
        EXPECT_EQ(RdsCodePoint(byte), code) << std::hex << int(byte);

    // 95 printable characters below 0x7F, 127 above it, and the soft hyphen;
    // no code point twice, and each comes back from UTF-8 to its byte.
    std::map<char32_t, uint8_t> seen;
    for (int b = 0; b < 256; ++b) {
        const char32_t code = RdsCodePoint(static_cast<uint8_t>(b));
        if (code == kRdsUnmapped)
            continue;
        EXPECT_FALSE(seen.count(code)) << std::hex << b << " repeats " << int(seen[code]);
        seen[code] = static_cast<uint8_t>(b);
        const std::string utf8 = Utf8FromCodePoint(code);
        EXPECT_EQ(Utf8ToRds(utf8), std::string(1, static_cast<char>(b))) << std::hex << b;
        EXPECT_EQ(RdsToUtf8(std::string(1, static_cast<char>(b))), utf8);
    }
    EXPECT_EQ(seen.size(), 223u);
    for (uint8_t unmapped : {0x00, 0x0A, 0x0D, 0x7F, 0xFF})
        EXPECT_EQ(RdsCodePoint(unmapped), kRdsUnmapped);
}

TEST(RdsCharset, NamesAndTextsArriveAsUtf8)
{
    struct Row {
        const char* sent;
        const char* shown;
    } rows[] = {
        {"Ñandú", "Ñandú"},
        {"€ 5 ¼", "€ 5 ¼"},
        {"$↑ß", "$↑ß"},
        {"日本", "??"},  // not in the table: the encoder substitutes
    };
    for (const Row& row : rows) {
        RdsEncoder encoder(Station(0xC201, row.sent, row.sent));
        DecoderRun run;
        run.feed(StreamOf(encoder, 60));
        EXPECT_EQ(run.decoder.state().name, row.shown);
        EXPECT_EQ(run.decoder.state().text, row.shown);
    }
    EXPECT_EQ(Utf8ToRds("a\xC3"), "a?");  // a character cut off
}

TEST(RdsClockTime, LocalTimeWithEveryKindOfOffset)
{
    // MJD 61382 is 2026-12-08; 61040 is 2025-12-31; 60734 is 2025-02-28.
    struct Row {
        RdsClockTime sent;
        const char* shown;
    } rows[] = {
        {{61382, 16, 5, 2}, "2026-12-08 17:05 +01:00"},
        {{61382, 16, 5, 0}, "2026-12-08 16:05 +00:00"},
        {{61382, 16, 5, -10}, "2026-12-08 11:05 -05:00"},
        {{61382, 16, 5, 11}, "2026-12-08 21:35 +05:30"},
        {{61382, 16, 5, -7}, "2026-12-08 12:35 -03:30"},
        {{61382, 23, 50, 2}, "2026-12-09 00:50 +01:00"},   // past midnight forward
        {{61382, 0, 10, -1}, "2026-12-07 23:40 -00:30"},   // back over midnight
        {{61382, 3, 0, -20}, "2026-12-07 17:00 -10:00"},
        {{61040, 22, 0, 4}, "2026-01-01 00:00 +02:00"},    // into a new year
        {{61040, 12, 0, 0}, "2025-12-31 12:00 +00:00"},
        {{60734, 23, 30, 1}, "2025-03-01 00:00 +00:30"},   // no leap day in 2025
        {{40587, 0, 0, 0}, "1970-01-01 00:00 +00:00"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(FormatClockTime(row.sent), row.shown);
        const RdsClockBlocks bits = EncodeClockTime(row.sent);
        EXPECT_EQ(DecodeClockTime(bits.blockBLow, bits.blockC, bits.blockD), row.sent) << row.shown;
    }

    // What a station on this machine's clock sends.
    EXPECT_EQ(ClockTimeFromUnix(1796745900, 2), (RdsClockTime{61382, 16, 5, 2}));
    EXPECT_EQ(ClockTimeFromUnix(-60, 0), (RdsClockTime{40586, 23, 59, 0}));
}

TEST(RdsClockTime, ImpossibleTimesAreRefusedAndEveryOffsetRoundTrips)
{
    const RdsClockBlocks good = EncodeClockTime({61382, 16, 5, 2});
    EXPECT_EQ(DecodeClockTime(good.blockBLow, good.blockC, (good.blockD & 0x0FFF) | 0xF000), std::nullopt);  // hour 31
    EXPECT_EQ(DecodeClockTime(good.blockBLow, good.blockC, good.blockD | 0x0F00), std::nullopt);  // minute 60+

    for (int offset = -kMaxOffsetHalfHours; offset <= kMaxOffsetHalfHours; ++offset) {
        const RdsClockTime time{0x1FFFF, 23, 59, static_cast<int8_t>(offset)};
        const RdsClockBlocks bits = EncodeClockTime(time);
        EXPECT_EQ(DecodeClockTime(bits.blockBLow, bits.blockC, bits.blockD), time) << offset;
    }
}

TEST(RdsClockTime, DecoderReportsEachNewMinute)
{
    RdsEncoder encoder(Station(0xC201, "TEN FM"));
    DecoderRun run;
    const int64_t utc = 1796745900;  // 2026-12-08 16:05 UTC
    for (int minute = 0; minute < 3; ++minute) {
        encoder.sendClockTime(ClockTimeFromUnix(utc + minute * 60, -10));
        run.feed(StreamOf(encoder, 20));
    }
    EXPECT_THAT(run.linesOf("CT"), ElementsAre("CT 2026-12-08 11:05 -05:00", "CT 2026-12-08 11:06 -05:00",
                                               "CT 2026-12-08 11:07 -05:00"));
}
