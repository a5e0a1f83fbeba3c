// The simulated GemTek: its frames, the frequency text in either decimal
// separator, what it ignores, and that closing it loses nothing sent before.

#include "SerialLineFixture.h"
#include "SimulatedGemTek.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

class GemTekDecoderTest : public ::testing::Test {
protected:
    void Feed(const std::vector<uint8_t>& bytes) { decoder.Feed(bytes.data(), bytes.size()); }
    CardRegisters Registers() { return store.Load(); }
    MemoryRegisterStore store{CardRegisters{}};
    GemTekDecoder decoder{store};
};

const std::vector<uint8_t> SoundOn = {0x1d, 0x23, 0x01, 0x23};
const std::vector<uint8_t> SoundOff = {0x1d, 0x23, 0x02, 0x23};
const std::vector<uint8_t> TuneFrame = {0x1d, 0x23, 0x05, 0x23};

std::vector<uint8_t> Text(const std::string& s)
{
    return {s.begin(), s.end()};
}

}  // namespace

TEST_F(GemTekDecoderTest, FramesSwitchTheSoundAndTheTextTunes)
{
    Feed(SoundOn);
    EXPECT_TRUE(Registers().audible);
    Feed(TuneFrame);
    Feed(Text("103"));
    Feed(Text(",3"));  // the text may arrive in pieces; a comma is a separator too
    EXPECT_EQ(Registers().frequency, 0.0) << "tuned before the text was whole";
    decoder.EndOfText();
    EXPECT_DOUBLE_EQ(Registers().frequency, 103.3);

    // The next frame ends a text as well.
    Feed(TuneFrame);
    Feed(Text("88"));
    Feed(SoundOff);
    EXPECT_DOUBLE_EQ(Registers().frequency, 88.0);
    EXPECT_FALSE(Registers().audible);
}

TEST_F(GemTekDecoderTest, MalformedFramesAndTextsAreIgnored)
{
    Feed(TuneFrame);
    Feed(Text("94.2"));
    decoder.EndOfText();
    const CardRegisters before = Registers();
    const std::vector<std::vector<uint8_t>> rubbish = {
        {0x1d, 0x24, 0x01, 0x23},           // wrong second byte
        {0x1d, 0x23, 0x09, 0x23},           // unknown command
        {0x1d, 0x23, 0x01, 0x00},           // wrong last byte
        {0x23, 0x01, 0x23, 0xff, 0x00},     // no start
        {0x1d, 0x23, 0x05, 0x23, '1', 'x', '0', '0'},
        {0x1d, 0x23, 0x05, 0x23, '1', '.', '0', '.', '0'},
        {0x1d, 0x23, 0x05, 0x23, '.'},
        {0x1d, 0x23, 0x05, 0x23, '0'},
        {0x1d, 0x23, 0x05, 0x23, '9', '9', '9', '9', '9', '9', '9', '9', '9', '9', '9', '9', '9', '9', '9', '9', '9'},
    };
    for (const std::vector<uint8_t>& bytes : rubbish) {
        Feed(bytes);
        decoder.EndOfText();
        EXPECT_EQ(Registers(), before);
    }
    // A frame right after rubbish is still taken.
    Feed({0x1d, 0x1d, 0x23, 0x01, 0x23});
    EXPECT_TRUE(Registers().audible);
    EXPECT_EQ(GemTekFrequency("103.3"), 103.3);
    EXPECT_EQ(GemTekFrequency("1e2"), 0.0);
}

class SimulatedGemTekTest : public NoThreadLeftBehind {
protected:
    SimulatedGemTekTest()
    {
        char path[] = "/tmp/tunzo-gemtek-XXXXXX";
        dir = mkdtemp(path);
    }
    ~SimulatedGemTekTest() override { std::filesystem::remove_all(dir); }
    std::string StateFile()
    {
        std::ifstream in(SimulatedGemTekStatePath(dir, "COM1"));
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::string dir;
};

TEST_F(SimulatedGemTekTest, KeepsWhatTheLineSaidInItsStateFileUpToTheLastByte)
{
    EXPECT_EQ(SimulatedGemTekStatePath(dir, "COM1"), dir + "/simulated-card-com1");
    auto radio = std::make_unique<SimulatedGemTek>(
        std::make_unique<FileRegisterStore>(SimulatedGemTekStatePath(dir, "COM1"), CardRegisters{}));
    const int line = open(radio->DevicePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(line, 0);
    std::vector<uint8_t> bytes = SoundOn;
    bytes.insert(bytes.end(), TuneFrame.begin(), TuneFrame.end());
    for (char c : std::string("103.3"))
        bytes.push_back(static_cast<uint8_t>(c));
    ASSERT_EQ(write(line, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(line);
    radio.reset();  // at once: the text has not gone quiet yet
    EXPECT_NE(StateFile().find("frequency 103.300\n"), std::string::npos) << StateFile();
    EXPECT_NE(StateFile().find("audible 1\n"), std::string::npos) << StateFile();
}
