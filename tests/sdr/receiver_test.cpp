// The receiver as its caller meets it: buffers of any size, a stream that
// stops, mute and gain; and the IQ sources it is fed from.

#include "BandScan.h"
#include "IqFile.h"
#include "SdrSignals.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace {

constexpr double kAudioRate = 48000.0;
const BroadcastStation kStereoStation{94.2, true, "TEN FM", "Blue in Green"};

bool AllFinite(const std::vector<float>& audio)
{
    return std::all_of(audio.begin(), audio.end(), [](float x) { return std::isfinite(x); });
}

double Peak(std::span<const float> audio)
{
    double peak = 0;
    for (float x : audio)
        peak = std::max(peak, static_cast<double>(std::fabs(x)));
    return peak;
}

// A dongle unplugged, or a replay cut short, mid-stream: the bytes end in
// half a sample, then only what a stalled device's buffers hold (the same
// byte over and over), then nothing at all.
TEST(FmReceiver, ReportsNoSignalWhenTheStreamStops)
{
    struct Row {
        const char* what;
        uint8_t stalledByte;
    };
    const Row rows[] = {{"zeros", 0}, {"the middle", 128}, {"full scale", 255}};
    const std::vector<uint8_t> station = StationIq(kStereoStation, 0.7);
    for (const Row& row : rows) {
        FmReceiver receiver(TestReceiverSettings());
        Received out;
        Receive(receiver, station, out);
        ASSERT_TRUE(receiver.state().signal) << row.what;
        ASSERT_TRUE(receiver.state().stereo) << row.what;

        const std::vector<uint8_t> half{0x80};
        receiver.process(half, out.audio, out.blocks);
        const size_t before = out.audio.size();
        const std::vector<uint8_t> stalled(2 * static_cast<size_t>(0.4 * kTestRate), row.stalledByte);
        Receive(receiver, stalled, out);
        receiver.process({}, out.audio, out.blocks);

        EXPECT_FALSE(receiver.state().signal) << row.what;
        EXPECT_FALSE(receiver.state().pilot) << row.what;
        EXPECT_FALSE(receiver.state().stereo) << row.what;
        EXPECT_TRUE(AllFinite(out.audio)) << row.what;
        // After the filters have emptied, silence.
        const std::span<const float> tail = std::span<const float>(out.audio).subspan(before + 2 * 4800);
        EXPECT_LT(Peak(tail), 0.01) << row.what;
    }
}

TEST(FmReceiver, MutesAndScalesTheAudio)
{
    struct Row {
        bool muted;
        float gain;
    };
    const Row rows[] = {{false, 1.0f}, {false, 0.5f}, {true, 1.0f}};
    const BroadcastStation mono{88.4, false, "", ""};
    const std::vector<uint8_t> iq = StationIq(mono, 0.3);
    for (const Row& row : rows) {
        FmReceiver receiver(TestReceiverSettings());
        receiver.setMuted(row.muted);
        receiver.setGain(row.gain);
        Received out;
        Receive(receiver, iq, out);
        const std::span<const float> settled = std::span<const float>(out.audio).subspan(2 * 4800);
        const double expected = row.muted ? 0.0 : kToneLevel * row.gain;
        EXPECT_NEAR(ToneAmplitude(settled, 884, kAudioRate, 0, 2), expected, 0.01) << row.gain;
        EXPECT_EQ(Peak(settled) == 0.0, row.muted);
    }
}

// The reading thread hands over whatever the device gave: odd byte counts
// split an I from its Q. The audio must not care how it was cut.
TEST(FmReceiver, GivesTheSameAudioWhateverTheBufferSizes)
{
    const BroadcastStation mono{88.4, false, "", ""};
    const std::vector<uint8_t> iq = StationIq(mono, 0.2);
    FmReceiver whole(TestReceiverSettings());
    Received once;
    whole.process(iq, once.audio, once.blocks);
    FmReceiver pieces(TestReceiverSettings());
    Received cut;
    Receive(pieces, iq, cut, 12345);
    ASSERT_EQ(cut.audio.size(), once.audio.size());
    for (size_t n = 0; n < once.audio.size(); ++n)
        ASSERT_NEAR(cut.audio[n], once.audio[n], 1e-4) << n;
}

// A band with two stations 200 kHz apart: each tuned in turn is heard, and
// the mono one without the stereo one's right-hand tone (the stereo one's
// left tone lies too close to the mono one's to tell them apart).
TEST(FmReceiver, HearsOnlyTheTunedStationOfTwoInTheBand)
{
    struct Row {
        double mhz;
        double heardHz;    // on the right channel
        double unheardHz;  // 0: not checked
    };
    const Row rows[] = {{94.2, 942, 1410}, {94.0, 1410, 0}};
    ModulatorSettings band;
    band.centreHz = 94.2e6 - kTestOffsetHz;
    band.sampleRate = kTestRate;
    BroadcastModulator modulator({{94.2, false, "", ""}, {94.0, true, "", ""}}, band);
    std::vector<uint8_t> iq(2 * static_cast<size_t>(0.8 * kTestRate));
    modulator.generate(iq);
    FmReceiver receiver(TestReceiverSettings());
    for (const Row& row : rows) {
        receiver.setOffset(row.mhz * 1e6 - band.centreHz);
        Received out;
        Receive(receiver, iq, out);
        const std::span<const float> settled = std::span<const float>(out.audio).subspan(2 * 24000);
        EXPECT_NEAR(Db(ToneAmplitude(settled, row.heardHz, kAudioRate, 1, 2)), Db(kToneLevel), 0.3) << row.mhz;
        if (row.unheardHz > 0) {
            EXPECT_LT(Db(ToneAmplitude(settled, row.unheardHz, kAudioRate, 1, 2) / kToneLevel), -50) << row.mhz;
        }
    }
}

TEST(FmReceiver, RefusesRatesItCannotResample)
{
    ReceiverSettings settings = TestReceiverSettings();
    settings.inputRate = 1024001;
    EXPECT_THROW(FmReceiver{settings}, std::invalid_argument);
    settings.inputRate = 2048000;  // rtl_sdr's usual rate works as well
    EXPECT_NO_THROW(FmReceiver{settings});
}

// Stations outside the sampled band are not sent; the bytes sit around
// 127.5 with no station and no noise left out.
TEST(BroadcastModulator, SendsOnlyTheStationsInTheBand)
{
    ModulatorSettings settings;
    settings.centreHz = 94.0e6;
    settings.sampleRate = kTestRate;
    BroadcastModulator modulator({{94.2, true, "", ""}, {93.7, false, "", ""}, {94.5, false, "", ""}, {103.3, true, "", ""}},
                                 settings);
    EXPECT_EQ(modulator.stationCount(), 2u);
    std::vector<uint8_t> bytes(20001);
    bytes.back() = 7;
    modulator.generate(bytes);
    EXPECT_EQ(bytes.back(), 7);  // the odd byte is left alone
    double mean = 0;
    for (size_t n = 0; n + 1 < bytes.size(); ++n)
        mean += bytes[n];
    EXPECT_NEAR(mean / static_cast<double>(bytes.size() - 1), kIqByteZero, 2.0);
}

// One look at a band: the stations in it are found on their own channels,
// not on the neighbours they spill into, and nothing in a band of noise.
TEST(BandScan, FindsTheStationsOfTheBandInOneLook)
{
    struct Row {
        const char* what;
        std::vector<BroadcastStation> stations;
        std::vector<double> foundOffsets;
    };
    const Row rows[] = {
        {"two stations", {{94.2, true, "", ""}, {93.7, false, "", ""}}, {-300000, 200000}},
        {"noise only", {}, {}},
    };
    for (const Row& row : rows) {
        ModulatorSettings band;
        band.centreHz = 94.0e6;
        band.sampleRate = kTestRate;
        BroadcastModulator modulator(row.stations, band);
        std::vector<uint8_t> iq(2 * static_cast<size_t>(0.06 * kTestRate));
        modulator.generate(iq);
        const std::vector<ChannelReading> readings = ScanBand(iq, kTestRate, 100000);
        EXPECT_EQ(readings.size(), 6u) << row.what;  // +-100 to +-300 kHz
        std::vector<double> found;
        for (const ChannelReading& station : FindStations(readings))
            found.push_back(station.offsetHz);
        EXPECT_EQ(found, row.foundOffsets) << row.what;
    }
}

class IqFileTest : public ::testing::Test {
protected:
    std::string write(const std::vector<uint8_t>& bytes)
    {
        path_ = ::testing::TempDir() + "tunzo-iq-" + std::to_string(::getpid()) + ".u8";
        std::ofstream(path_, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                     static_cast<std::streamsize>(bytes.size()));
        return path_;
    }
    void TearDown() override { std::remove(path_.c_str()); }
    std::string path_;
};

TEST_F(IqFileTest, LoopsAtTheEndAndDropsAnOddLastByte)
{
    IqFileReader reader(write({1, 2, 3, 4, 5}));
    EXPECT_EQ(reader.samples(), 2u);
    std::vector<uint8_t> bytes(10);
    ASSERT_TRUE(reader.read(bytes));
    EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 2, 3, 4, 1, 2, 3, 4, 1, 2}));
}

TEST_F(IqFileTest, NamesTheFileItCannotUse)
{
    const std::string empty = write({7});
    for (const std::string& path : {empty, empty + ".missing"}) {
        try {
            IqFileReader reader(path);
            ADD_FAILURE() << path;
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
        }
    }
}

}  // namespace
