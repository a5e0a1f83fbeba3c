// The simulated card as a model of the hardware: what it decodes, what it
// refuses, what it answers, and that processes share it through its file.

#include "PortTrace.h"
#include "RecordingPorts.h"
#include "SimulatedCard.h"
#include "UseSimulatedCard.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <unistd.h>

using ::testing::ElementsAre;

namespace {

// Writes as a RadioTrack driver would, built here from the hardware's bit
// meanings so that the model is checked against more than the program's
// own encoder.
void RadioTrackWord(SimulatedCard& card, uint32_t word, int bits = 24)
{
    for (int i = 0; i < bits; ++i) {
        const uint8_t data = ((word >> i) & 1) ? 0x04 : 0x00;
        for (uint8_t clock : {0x00, 0x00, 0x02, 0x02})
            card.Write(0x01 | data | clock);
    }
}

void AztechWordOut(SimulatedCard& card, uint32_t word, uint8_t level)
{
    card.Write(level + 0xC2);
    card.Write(level + 0x42);
    for (int i = 0; i < 24; ++i) {
        const bool one = (word >> i) & 1;
        card.Write(level + (one ? 0x82 : 0x02));
        card.Write(level + (one ? 0xC2 : 0x42));
    }
    card.Write(level + 0xC0);
}

SimulatedCard MemoryCard(CardFamily family, std::vector<SimulatedStation> stations = DefaultSimulatedStations())
{
    return SimulatedCard(family, std::move(stations), std::make_unique<MemoryRegisterStore>(InitialRegisters(family)));
}

std::string TempDir()
{
    char path[] = "/tmp/tunzo-sim-XXXXXX";
    return mkdtemp(path);
}

}  // namespace

TEST(SimulatedRadioTrack, LatchesACompleteWordAndIgnoresASpoiltOne)
{
    SimulatedCard card = MemoryCard(CardFamily::RadioTrack);
    RadioTrackWord(card, 0xA0114C);  // 100.0 MHz
    EXPECT_FALSE(card.Registers().audible);  // silent while the word shifts
    card.Write(0x00);
    card.Write(0xC8);
    EXPECT_EQ(card.Registers().frequency, 100.0);
    EXPECT_TRUE(card.Registers().audible);

    RadioTrackWord(card, 0xA00F58, 23);  // one bit short
    card.Write(0x00);
    card.Write(0xC8);
    EXPECT_EQ(card.Registers().frequency, 100.0);

    RadioTrackWord(card, 0x00114C);  // not a tuner word
    card.Write(0x00);
    EXPECT_EQ(card.Registers().frequency, 100.0);
}

TEST(SimulatedRadioTrack, AudioSwitchVolumePulsesAndStatusLine)
{
    SimulatedCard card = MemoryCard(CardFamily::RadioTrack, {{94.2, true}});
    const int start = card.Registers().volume;
    card.Write(0x88);
    card.Write(0xC8);
    card.Write(0x88);
    card.Write(0xC8);
    card.Write(0x48);
    card.Write(0xC8);
    EXPECT_EQ(card.Registers().volume, start + 1);
    for (int i = 0; i < 40; ++i) {
        card.Write(0x88);
        card.Write(0xC8);
    }
    EXPECT_EQ(card.Registers().volume, RadioTrackMaxVolume);

    card.Write(0x00);
    EXPECT_FALSE(card.Registers().audible);
    card.Write(0xC8);
    EXPECT_TRUE(card.Registers().audible);

    // Not tuned yet: the line stays high. Then a station, read only after
    // the status request byte.
    card.Write(0xF8);
    EXPECT_EQ(card.Read(), 0xFF);
    RadioTrackWord(card, 0xA00000 + 428 + static_cast<uint32_t>(std::lround(94.2 * 40)));
    card.Write(0x00);
    card.Write(0xC8);
    EXPECT_EQ(card.Read(), 0xFF);
    card.Write(0xF8);
    EXPECT_NE(card.Read(), 0xFF);
    card.Write(0xE8);
    EXPECT_EQ(card.Read(), 0xFF);
}

TEST(SimulatedAztech, LatchesTheControlWordAndReportsStereoMonoOrNothing)
{
    SimulatedCard card = MemoryCard(CardFamily::Aztech, {{88.4, true}, {94.2, false}});
    EXPECT_EQ(card.Read(), 0xFF);  // never tuned

    const uint32_t n884 = static_cast<uint32_t>(std::lround((88.4 + 10.7) * 20));
    AztechWordOut(card, 0xA60000 + 2 * n884, 4);
    EXPECT_NEAR(card.Registers().frequency, 88.4, 1e-9);
    EXPECT_EQ(card.Registers().volume, 2);
    EXPECT_EQ(card.Read() & 3, 0);  // stereo

    AztechWordOut(card, 0xA40000 + 2 * n884, 4);  // stereo not asked for
    EXPECT_EQ(card.Read() & 3, 2);

    const uint32_t n942 = static_cast<uint32_t>(std::lround((94.2 + 10.7) * 20));
    AztechWordOut(card, 0xA60000 + 2 * n942, 5);
    EXPECT_EQ(card.Read() & 3, 2);  // a mono station
    EXPECT_EQ(card.Registers().volume, 3);

    AztechWordOut(card, 0xA60000 + 2 * (n942 + 40), 5);  // 96.2: nothing there
    EXPECT_EQ(card.Read(), 0xFF);

    AztechWordOut(card, 0x160000 + 2 * n942, 5);  // wrong fixed bits: not latched
    EXPECT_EQ(card.Read(), 0xFF);

    card.Write(0x00);
    EXPECT_FALSE(card.Registers().audible);
    card.Write(0x01);
    EXPECT_EQ(card.Registers().volume, 1);
    EXPECT_TRUE(card.Registers().audible);
}

TEST(SimulatedCardModel, UnknownBytesLeaveEveryRegisterAlone)
{
    for (CardFamily family : {CardFamily::RadioTrack, CardFamily::Aztech}) {
        SimulatedCard card = MemoryCard(family);
        if (family == CardFamily::RadioTrack) {
            RadioTrackWord(card, 0xA0114C);
            card.Write(0x00);
            card.Write(0xC8);
        } else {
            AztechWordOut(card, 0xA6114C, 4);
        }
        const CardRegisters before = card.Registers();
        for (int b : {0x10, 0x20, 0x33, 0x7F, 0xFF, 0xAA, 0x0B})
            card.Write(static_cast<uint8_t>(b));
        EXPECT_EQ(card.Registers(), before) << static_cast<int>(family);

        // Whatever arrives, the card keeps answering within its registers.
        std::mt19937 random(7);
        for (int i = 0; i < 20000; ++i)
            card.Write(static_cast<uint8_t>(random()));
        const CardRegisters after = card.Registers();
        EXPECT_GE(after.volume, 0);
        EXPECT_LE(after.volume, RadioTrackMaxVolume);
        EXPECT_TRUE(after.frequency == before.frequency || (after.frequency > 0 && after.frequency < 1000));
    }
}

TEST(SimulatedCardMachine, ProcessesShareTheCardThroughItsFile)
{
    const std::string dir = TempDir();
    SimulatedCardBackend::Options options;
    options.stateDirectory = dir;
    options.realDelays = false;
    SimulatedCardBackend first(options);
    SimulatedCardBackend second(options);  // as another process would see it

    // The first program tunes and leaves the radio playing...
    TuneRadioTrackTo100AndPlay(first);
    // ...the next one finds it so, and its mute is seen by the first.
    EXPECT_EQ(second.card(0x30C)->Registers().frequency, 100.0);
    second.out(0x30C, 0x00);
    EXPECT_FALSE(first.card(0x30C)->Registers().audible);

    // Cards at other addresses are separate; at unknown addresses there is none.
    EXPECT_EQ(second.card(0x20C)->Registers().frequency, 0.0);
    EXPECT_EQ(second.card(0x316), nullptr);
    second.out(0x316, 0x00);
    EXPECT_EQ(second.in(0x316), 0xFF);

    std::ifstream file(SimulatedCardStatePath(dir, 0x30C));
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_EQ(text.str(), "frequency 100.000\naudible 0\nvolume 8\nstereo 0\n");

    // A damaged file reads as far as it can and the card goes on.
    std::ofstream(SimulatedCardStatePath(dir, 0x30C)) << "frequency abc\n\x01\x02volume 99\naudible 1\n";
    const CardRegisters r = first.card(0x30C)->Registers();
    EXPECT_EQ(r.frequency, 0.0);
    EXPECT_TRUE(r.audible);
    EXPECT_EQ(r.volume, InitialRegisters(CardFamily::RadioTrack).volume);
    std::system(("rm -rf " + dir).c_str());
}

TEST(SimulatedStations, ParseTheTableAndNameTheBadEntries)
{
    std::string error;
    auto stations = ParseSimulatedStations("88.4s, 94.2 ,103.3S", &error);
    ASSERT_EQ(stations.size(), 3u);
    EXPECT_EQ(stations[0].mhz, 88.4);
    EXPECT_TRUE(stations[0].stereo);
    EXPECT_FALSE(stations[1].stereo);
    EXPECT_TRUE(stations[2].stereo);
    EXPECT_TRUE(error.empty());

    stations = ParseSimulatedStations("88.4,abc,,-3,nan,95.1x,101", &error);
    ASSERT_EQ(stations.size(), 2u);
    EXPECT_EQ(stations[1].mhz, 101.0);
    EXPECT_NE(error.find("'abc'"), std::string::npos);
    EXPECT_NE(error.find("'95.1x'"), std::string::npos);
    EXPECT_NE(error.find("'-3'"), std::string::npos);

    // RDS: a name cut to 8 characters, a text after the first slash (which
    // may hold more slashes), and an entry with no name sends none.
    struct RdsRow {
        const char* entry;
        double mhz;
        bool stereo;
        const char* name;
        const char* text;
    };
    for (const RdsRow& row : {RdsRow{"88.4s=JAZZ/Blue in Green", 88.4, true, "JAZZ", "Blue in Green"},
                              RdsRow{"103.3S=TEN FM", 103.3, true, "TEN FM", ""},
                              RdsRow{"94.2=RADIO ONE AND TWO/a/b", 94.2, false, "RADIO ON", "a/b"},
                              RdsRow{"95.0", 95.0, false, "", ""}}) {
        stations = ParseSimulatedStations(row.entry, &error);
        ASSERT_EQ(stations.size(), 1u) << row.entry << ": " << error;
        EXPECT_EQ(stations[0].mhz, row.mhz) << row.entry;
        EXPECT_EQ(stations[0].stereo, row.stereo) << row.entry;
        EXPECT_EQ(stations[0].name, row.name) << row.entry;
        EXPECT_EQ(stations[0].text, row.text) << row.entry;
    }

    // Within 50 kHz, either side.
    stations = {{94.2, false}};
    EXPECT_TRUE(StationAt(stations, 94.15));
    EXPECT_TRUE(StationAt(stations, 94.25));
    EXPECT_FALSE(StationAt(stations, 94.26));
    EXPECT_FALSE(StationAt(stations, 0.0));
}

TEST(PortTrace, AppendsOneLinePerEventAfterWhatIsThere)
{
    const std::string dir = TempDir();
    const std::string path = dir + "/trace";
    std::ofstream(path) << "earlier\n";
    {
        auto inner = std::make_unique<RecordingPortBackend>();
        inner->answer = [](uint16_t) { return uint8_t{0xFD}; };
        RecordingPortBackend* recorded = inner.get();
        TracingPortBackend trace(std::move(inner), path);
        ASSERT_TRUE(trace.isOpen());
        trace.out(0x30C, 0x01);
        trace.sleepMs(5);
        EXPECT_EQ(trace.in(0x20C), 0xFD);
        trace.out(0x350, 0xC6);
        EXPECT_EQ(recorded->events.size(), 4u);  // the inner backend still does the work
    }
    std::ifstream file(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);)
        lines.push_back(line);
    EXPECT_THAT(lines, ElementsAre("earlier", "out 0x30c 0x01", "sleep 5", "in 0x20c 0xfd", "out 0x350 0xc6"));

    // A trace that cannot be opened costs the trace, not the card.
    TracingPortBackend broken(std::make_unique<RecordingPortBackend>(), dir + "/missing/trace");
    EXPECT_FALSE(broken.isOpen());
    broken.out(0x30C, 0x01);
    std::system(("rm -rf " + dir).c_str());
}
