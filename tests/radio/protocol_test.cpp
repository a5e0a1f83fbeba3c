// Byte-exact checks of the two port protocols: what each operation writes,
// in which order, and where it waits.

#include "Aztech.h"
#include "Frequency.h"
#include "RadioFixture.h"
#include "RadioTrack.h"

using ::testing::ElementsAreArray;

namespace {

// The four writes that clock one RadioTrack bit in.
std::vector<int> RadioTrackBit(int bit)
{
    return bit ? std::vector<int>{0x05, 0x05, 0x07, 0x07} : std::vector<int>{0x01, 0x01, 0x03, 0x03};
}

// Reads the tuning word back out of a RadioTrack write sequence: one bit per
// low-to-high clock edge, least significant first.
uint32_t WordFromWrites(const std::vector<uint8_t>& writes)
{
    uint32_t word = 0;
    int bit = 0;
    for (size_t i = 1; i < writes.size(); ++i) {
        bool rising = (writes[i] & 0x02) && !(writes[i - 1] & 0x02) && (writes[i] & 0x01);
        if (rising)
            word |= static_cast<uint32_t>((writes[i] >> 2) & 1) << bit++;
    }
    return bit == 24 ? word : 0xFFFFFFFF;
}

using RadioTrackTest = RadioTest;
using AztechTest = RadioTest;

}  // namespace

TEST(RoundDigits, RoundsHalvesAwayFromZeroAndFlushesTinyResults)
{
    EXPECT_EQ(RoundDigits(2.5, 0), 3);
    EXPECT_EQ(RoundDigits(-2.5, 0), -3);
    EXPECT_DOUBLE_EQ(static_cast<double>(RoundDigits(0.0625, 3)), 0.063);
    EXPECT_EQ(RoundDigits(0.000000001, 3), 0);
    EXPECT_EQ(RoundDigits(-0.000000001, 3), 0);
    EXPECT_DOUBLE_EQ(static_cast<double>(RoundDigits(87.49999, 3)), 87.5);
    EXPECT_DOUBLE_EQ(static_cast<double>(RoundDigits(2214.5, 1)), 2214.5);
    EXPECT_DOUBLE_EQ(static_cast<double>(RoundDigits(123.456, 0)), 123.0);
}

TEST(FrequencyText, IsTheShortestFormWithTheGivenSeparator)
{
    EXPECT_EQ(FrequencyText(88.0), "88");
    EXPECT_EQ(FrequencyText(103.3), "103.3");
    EXPECT_EQ(FrequencyText(103.3, ","), "103,3");
    EXPECT_EQ(FrequencyText(88.013), "88.013");
}

TEST_F(RadioTrackTest, Tune100MHzShiftsTheWordOutThenWaitsAndGoesAudible)
{
    RadioTrackTune(100.0);

    // W = 0xA0114C, least significant bit first.
    const int bits[24] = {0, 0, 1, 1, 0, 0, 1, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1};
    std::vector<std::string> expected;
    for (int b : bits) {
        auto four = Outs(0x30C, RadioTrackBit(b));
        expected.insert(expected.end(), four.begin(), four.end());
    }
    expected = Join({expected, Outs(0x30C, {0x00}), {"sleep 5"}, Outs(0x30C, {0xC8})});
    EXPECT_THAT(ports->TraceLines(), ElementsAreArray(expected));
    EXPECT_EQ(ports->Writes().size(), 98u);
    EXPECT_EQ(ports->virtualMs, 5);
    EXPECT_EQ(TunerSettings.CurrentFrequency, 100.0);
}

TEST_F(RadioTrackTest, WordsAtTheBandEdgesAndAfterRounding)
{
    struct Row {
        double mhz;
        uint32_t word;
        double current;
    };
    const Row rows[] = {
        {100.0, 0xA0114C, 100.0},
        {87.5, 0xA00F58, 87.5},
        {108.0, 0xA0128C, 108.0},
        {88.0125, 0xA00F6D, 88.013},  // rounded to 3 decimals before the word is built
        {80.0, 0xA00000 + 428 + 3200, 80.0},
        {160.0, 0xA00000 + 428 + 6400, 160.0},
    };
    for (const Row& row : rows) {
        ports->Clear();
        RadioTrackTune(row.mhz);
        EXPECT_EQ(WordFromWrites(ports->Writes()), row.word) << row.mhz;
        EXPECT_DOUBLE_EQ(TunerSettings.CurrentFrequency, row.current) << row.mhz;
    }
}

TEST_F(RadioTrackTest, StatusWaitsAroundTheReadAndOnlyFFMeansNotTuned)
{
    for (int answer : {0x00, 0x01, 0x7F, 0xFD, 0xFE, 0xFF}) {
        ports->Clear();
        ports->answer = [answer](uint16_t) { return static_cast<uint8_t>(answer); };
        const TuneState state = RadioTrackStatus();
        EXPECT_EQ(state, answer == 0xFF ? NotTuned : Tuned) << answer;
        char in[32];
        std::snprintf(in, sizeof in, "in 0x30c 0x%02x", answer);
        EXPECT_THAT(ports->TraceLines(), ElementsAreArray(Join({Outs(0x30C, {0xF8}), {"sleep 140", in, "sleep 90"},
                                                                Outs(0x30C, {0xE8})})));
        EXPECT_EQ(ports->virtualMs, 230);
    }
}

TEST_F(RadioTrackTest, VolumeMuteAndUnmuteSequences)
{
    RadioTrackVolumeUp();
    EXPECT_THAT(ports->TraceLines(), ElementsAreArray(Join({Outs(0x30C, {0x88}), {"sleep 20"}, Outs(0x30C, {0xC8})})));

    ports->Clear();
    RadioTrackVolumeDown();
    EXPECT_THAT(ports->TraceLines(), ElementsAreArray(Join({Outs(0x30C, {0x48}), {"sleep 20"}, Outs(0x30C, {0xC8})})));

    // Mute then unmute: 10 ms only between the two mute writes.
    ports->Clear();
    RadioTrackMute();
    RadioTrackUnmute();
    EXPECT_THAT(ports->TraceLines(),
                ElementsAreArray(Join({Outs(0x30C, {0x00}), {"sleep 10"}, Outs(0x30C, {0x00, 0x00, 0xC8})})));
}

TEST_F(RadioTrackTest, UsesTheConfiguredPortAtEachCall)
{
    TunerSettings.CardPort = 0x20C;
    RadioTrackUnmute();
    EXPECT_THAT(ports->TraceLines(), ElementsAreArray(Outs(0x20C, {0x00, 0xC8})));
}

TEST_F(AztechTest, Tune100MHzWritesStartWordAndLatchWithTheLevelAdded)
{
    UseAdapter(4, 0x350);
    TunerSettings.CardVolume = 4;
    EXPECT_EQ(AztechWord(100.0), 2214);
    EXPECT_EQ(AztechControlWord(2214, true), 0xA6114Cu);

    AztechTune(100.0);

    const int zero[] = {0x06, 0x46};
    const int one[] = {0x86, 0xC6};
    std::vector<int> expected = {0xC6, 0x46};  // start
    auto bit = [&](int b) { expected.insert(expected.end(), b ? one : zero, (b ? one : zero) + 2); };
    bit(0);  // control-word bit 0
    for (int b : {0, 1, 1, 0, 0, 1, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0})  // N = 2214
        bit(b);
    bit(1);  // stereo
    for (int b : {1, 0, 0, 1, 0, 1})
        bit(b);
    expected.push_back(0xC4);  // latch
    EXPECT_THAT(ports->TraceLines(), ElementsAreArray(Outs(0x350, expected)));
    EXPECT_EQ(ports->Writes().size(), 51u);
    EXPECT_EQ(ports->virtualMs, 0);
}

TEST_F(AztechTest, WordsTruncateToFiftyKilohertz)
{
    EXPECT_EQ(AztechWord(100.025), 2214);  // the same word as 100.0
    EXPECT_EQ(AztechWord(87.5), 1964);
    EXPECT_EQ(AztechWord(108.0), 2374);
    EXPECT_EQ(AztechControlWord(1964, false), 0xA40000u + 2u * 1964);
}

TEST_F(AztechTest, LevelOutsideTheStepsIsAddedAsAByte)
{
    UseAdapter(4, 0x350);
    TunerSettings.CardVolume = 100;  // a stored value outside 0, 1, 4, 5
    AztechTune(100.0);
    const std::vector<uint8_t> writes = ports->Writes();
    EXPECT_EQ(writes.front(), static_cast<uint8_t>(100 + 0xC2));
    EXPECT_EQ(writes.back(), static_cast<uint8_t>(100 + 0xC0));
    // The steps leave such a level alone but still write it.
    ports->Clear();
    AztechVolumeUp();
    AztechVolumeDown();
    EXPECT_THAT(ports->Writes(), ElementsAreArray(std::vector<uint8_t>{100}));
    EXPECT_EQ(TunerSettings.CardVolume, 100);
}

TEST_F(AztechTest, VolumeStepsWalkTheFourLevelsAndStopAtTheEnds)
{
    UseAdapter(4, 0x350);
    TunerSettings.CardVolume = 0;
    for (int i = 0; i < 4; ++i)
        AztechVolumeUp();
    EXPECT_THAT(ports->Writes(), ElementsAreArray(std::vector<uint8_t>{0x01, 0x04, 0x05}));
    EXPECT_EQ(TunerSettings.CardVolume, 5);

    ports->Clear();
    for (int i = 0; i < 4; ++i)
        AztechVolumeDown();
    EXPECT_THAT(ports->Writes(), ElementsAreArray(std::vector<uint8_t>{0x04, 0x01, 0x00}));
    EXPECT_EQ(TunerSettings.CardVolume, 0);
}

TEST_F(AztechTest, MuteAndUnmuteLeaveTheLevelAlone)
{
    UseAdapter(4, 0x350);
    TunerSettings.CardVolume = 5;
    AztechMute();
    AztechUnmute();
    EXPECT_THAT(ports->Writes(), ElementsAreArray(std::vector<uint8_t>{0x00, 0x01}));
    EXPECT_EQ(TunerSettings.CardVolume, 5);
}

TEST_F(AztechTest, StatusReadsStereoMonoAndNoStationBitsAfter150ms)
{
    UseAdapter(4, 0x350);
    const std::pair<int, TuneState> rows[] = {
        {0xFC, TunedStereo}, {0xFE, Tuned}, {0xFD, NotTuned}, {0xFF, NotTuned}, {0x00, TunedStereo}};
    for (auto [answer, state] : rows) {
        ports->Clear();
        ports->answer = [answer = answer](uint16_t) { return static_cast<uint8_t>(answer); };
        EXPECT_EQ(AztechStatus(), state) << answer;
        ASSERT_EQ(ports->events.size(), 2u);
        EXPECT_EQ(FormatPortEvent(ports->events[0]), "sleep 150");
        EXPECT_EQ(ports->events[1].kind, PortEvent::In);
    }
}

TEST_F(AztechTest, CompanionPacingWaitsBeforeEachOfTheTwentySixPrimitives)
{
    UseAdapter(4, 0x350);
    AztechPrimitiveDelayMs = 5;
    AztechTune(100.0);
    AztechPrimitiveDelayMs = 0;

    // sleep, two writes (start and 24 bits) ... sleep, one write (latch).
    const std::vector<PortEvent>& e = ports->events;
    ASSERT_EQ(e.size(), 26u + 51u);
    size_t i = 0;
    for (int primitive = 0; primitive < 26; ++primitive) {
        EXPECT_EQ(FormatPortEvent(e[i++]), "sleep 5") << primitive;
        const int writes = primitive == 25 ? 1 : 2;
        for (int w = 0; w < writes; ++w)
            EXPECT_EQ(e[i++].kind, PortEvent::Out) << primitive;
    }
    EXPECT_EQ(ports->virtualMs, 130);
}
