// When a station name may be shown: each segment trusted (twice the same, or
// once with no error flag), and never a mixture of an old and a new name.
// And the programme type names of the two standards.

#include "RdsStreams.h"

#include <algorithm>
#include <set>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// One 0A group per segment, each with the flags its row gives.
std::vector<RdsBlock> NameCycle(const RdsStation& station, const std::vector<bool>& correctedSegments)
{
    std::vector<RdsBlock> blocks;
    for (int segment = 0; segment < kRdsPsSegments; ++segment) {
        RdsGroupBlocks group = EncodeNameGroup(station, segment);
        group[3].corrected = correctedSegments[segment];
        AppendGroup(blocks, group);
    }
    return blocks;
}

}  // namespace

TEST(RdsNameConfidence, ASegmentWithAnErrorFlagMustArriveTwice)
{
    const RdsStation station = Station(0xC201, "TEN FM");
    struct Row {
        std::vector<bool> firstCycle;
        std::vector<bool> secondCycle;
        int cyclesToShow;  // 0: not shown after two cycles
    } rows[] = {
        {{false, false, false, false}, {false, false, false, false}, 1},
        {{false, false, true, false}, {false, false, false, false}, 2},
        {{true, true, true, true}, {true, true, true, true}, 2},
        {{false, true, false, false}, {false, false, false, false}, 2},
    };
    for (const Row& row : rows) {
        DecoderRun run;
        run.feed(NameCycle(station, row.firstCycle));
        EXPECT_EQ(run.decoder.state().name, row.cyclesToShow == 1 ? "TEN FM" : "");
        run.feed(NameCycle(station, row.secondCycle));
        EXPECT_EQ(run.decoder.state().name, row.cyclesToShow >= 1 ? "TEN FM" : "");
    }

    // Two receptions with the flag that differ are not two the same.
    DecoderRun run;
    RdsStation other = station;
    other.name = "TEN FX";
    run.feed(NameCycle(station, {false, false, false, true}));
    run.feed(NameCycle(other, {false, false, false, true}));
    EXPECT_EQ(run.decoder.state().name, "");
}

// A station that changes its name, received with one block in ten
// uncorrectable and a few corrected: every name shown is one it sent.
TEST(RdsNameConfidence, NoMixedNamesAtTenPercentBadBlocks)
{
    const std::vector<std::string> names = {"RADIO 1", "NEWS 24", "TEN FM", "JAZZ"};
    const std::set<std::string> sent(names.begin(), names.end());
    const uint32_t seeds[] = {1, 2, 3, 17, 42, 99, 1234, 5150, 65535, 424242};
    for (uint32_t seed : seeds) {
        SCOPED_TRACE(seed);
        RdsStation station = Station(0xC201, names[0], "Blue in Green");
        RdsEncoder encoder(station);
        RdsErrorInjector errors({0.10, 0.05, 0}, seed);
        RdsDecoder decoder;
        std::vector<std::string> shown;
        for (int g = 0; g < 4000; ++g) {
            // A new name now and then, at a place in the name cycle that
            // drifts, as stations that send changing names do.
            if (g % 97 == 96) {
                station.name = names[(g / 97 + 1) % names.size()];
                encoder.setStation(station);
            }
            RdsGroupBlocks group = encoder.nextGroup();
            errors.apply(group);
            for (const RdsBlock& block : group) {
                if (decoder.addBlock(block) & RdsChangedName)
                    shown.push_back(decoder.state().name);
            }
        }
        for (const std::string& name : shown)
            EXPECT_TRUE(sent.count(name)) << "shown: " << name;
        // Each name was on air long enough to be shown.
        EXPECT_GE(shown.size(), 30u);
    }
}

// Some stations change their text without flipping the A/B flag.
TEST(RdsNameConfidence, TextChangedWithoutAbFlipNeverMixes)
{
    const RdsStation first = Station(0xC201, "TEN FM", "Blue in Green by Miles Davis");
    const RdsStation second = Station(0xC201, "TEN FM", "So What by the Miles Davis Sextet");
    DecoderRun run;
    for (const RdsStation* station : {&first, &second}) {
        std::vector<RdsBlock> blocks;
        for (int cycle = 0; cycle < 3; ++cycle) {
            for (int segment = 0; segment < 9; ++segment)
                AppendGroup(blocks, EncodeTextGroup(*station, segment, false));
        }
        run.feed(blocks);
    }
    EXPECT_THAT(run.linesOf("RT"), ElementsAre("RT Blue in Green by Miles Davis", "RT So What by the Miles Davis Sextet"));
}

TEST(RdsProgrammeTypes, NamesFollowTheChosenStandard)
{
    struct Row {
        uint8_t pty;
        const char* rds;
        const char* rbds;
    } rows[] = {
        {0, "No programme type", "No program type"},
        {1, "News", "News"},
        {4, "Sport", "Talk"},
        {10, "Pop Music", "Country"},
        {15, "Other Music", "Classical"},
        {24, "Jazz Music", "Unassigned"},
        {29, "Documentary", "Weather"},
        {31, "Alarm", "Emergency"},
    };
    for (const Row& row : rows) {
        EXPECT_STREQ(RdsProgrammeTypeName(row.pty, RdsStandard::Rds), row.rds);
        EXPECT_STREQ(RdsProgrammeTypeName(row.pty, RdsStandard::Rbds), row.rbds);
    }
    EXPECT_STREQ(RdsProgrammeTypeName(32, RdsStandard::Rds), "");

    // Through the decoder: the setting decides what the line says.
    RdsEncoder encoder(Station(0x1234, "KZZZ", {}, 10));
    const std::vector<RdsBlock> blocks = StreamOf(encoder, 10);
    DecoderRun europe(RdsStandard::Rds);
    DecoderRun america(RdsStandard::Rbds);
    europe.feed(blocks);
    america.feed(blocks);
    EXPECT_THAT(europe.linesOf("PTY"), ElementsAre("PTY 10 Pop Music"));
    EXPECT_THAT(america.linesOf("PTY"), ElementsAre("PTY 10 Country"));
}

TEST(RdsProgrammeTypes, StandardDefaultsFromTheCountryAndParsesItsSetting)
{
    struct Row {
        const char* country;
        RdsStandard standard;
    } rows[] = {
        {"US", RdsStandard::Rbds}, {"us", RdsStandard::Rbds}, {"CA", RdsStandard::Rbds}, {"MX", RdsStandard::Rbds},
        {"PR", RdsStandard::Rbds}, {"DE", RdsStandard::Rds},  {"GB", RdsStandard::Rds},  {"USA", RdsStandard::Rds},
        {"", RdsStandard::Rds},
    };
    for (const Row& row : rows)
        EXPECT_EQ(DefaultRdsStandard(row.country), row.standard) << row.country;

    EXPECT_EQ(ParseRdsStandard("RBDS"), RdsStandard::Rbds);
    EXPECT_EQ(ParseRdsStandard("rds"), RdsStandard::Rds);
    EXPECT_EQ(ParseRdsStandard("RDS2"), std::nullopt);
    EXPECT_STREQ(RdsStandardValue(RdsStandard::Rbds), "RBDS");
}
