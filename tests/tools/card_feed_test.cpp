// tunzo-card's rds, record and scan --names as real processes on the
// simulated stick (its RDS and sound sped up, so that seconds of radio pass
// in a moment), and record from a port card's "Audio input", a capture PCM
// of ALSA's file plugin in the test's own ~/.asoundrc.

#include "AudioAnalysis.h"
#include "AudioFormat.h"
#include "Registry.h"
#include "SettingsStore.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>
#include <sys/wait.h>

using ::testing::HasSubstr;

namespace {
constexpr const char* Stations = "88.4s=JAZZ/Blue in Green,94.2,103.3s=TEN FM";
constexpr const char* Fast = "TUNZO_SIM_SPEED=50 ";
constexpr double HzTolerance = 2.0;
constexpr double LineInLeftHz = 1000.0;
constexpr double LineInRightHz = 1500.0;

struct ToolRun {
    int code = -1;
    std::string out, err;
};

class CardFeedTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/tunzo-cardfeed-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    ToolRun Run(const std::string& arguments, const std::string& environment = "") const
    {
        const std::string command = "env -u TUNZO_PORT_TRACE HOME='" + dir + "' XDG_RUNTIME_DIR='" + dir +
                                    "' TUNZO_REGISTRY='" + dir + "/registry.sqlite' TUNZO_CARD=simulated " +
                                    "TUNZO_SIM_STATIONS='" + Stations + "' " + environment + " '" +
                                    TUNZO_CARD_TOOL + "' " + arguments + " >'" + dir + "/out' 2>'" + dir + "/err'";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Read("out"), Read("err")};
    }
    std::string Read(const std::string& name) const
    {
        std::ifstream in(dir + "/" + name);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::string File(const std::string& name) const { return dir + "/" + name; }

    std::string dir;
};

TEST_F(CardFeedTest, RdsPrintsEachChangeAndACardWithoutRdsSaysSo)
{
    ASSERT_EQ(Run("--adapter 7 tune 88.4").code, 0);
    const ToolRun heard = Run("--adapter 7 rds 0.4", Fast);
    EXPECT_EQ(heard.code, 0) << heard.err;
    for (const char* line : {"PI 0xC374\n", "PS JAZZ\n", "RT Blue in Green\n", "CT 20"})
        EXPECT_THAT(heard.out, HasSubstr(line));
    EXPECT_EQ(heard.out.find("PS JAZZ\n"), heard.out.rfind("PS JAZZ\n")) << "one line per change:\n" << heard.out;

    const ToolRun port = Run("--adapter 1 rds 1");
    EXPECT_EQ(port.code, 2);
    EXPECT_THAT(port.err, HasSubstr("receives no RDS"));

    const ToolRun scan = Run("--adapter 7 scan --names", Fast);
    EXPECT_EQ(scan.code, 0) << scan.err;
    EXPECT_EQ(scan.out, "88.4 stereo  JAZZ\n94.2\n103.3 stereo  TEN FM\n");
}

// The station's tone: MHz x 10 Hz on the left, MHz x 15 Hz on the right of a
// stereo station; silence when the stick is muted.
TEST_F(CardFeedTest, RecordKeepsWhatTheStickPlaysInChannelOrder)
{
    struct Row {
        const char* before;  // a card tool command run first
        const char* file;
        double leftHz, rightHz;  // 0: silence
    };
    const Row rows[] = {
        {"tune 103.3", "stereo.wav", 1033.0, 1549.5},
        {"tune 94.2", "mono.flac", 942.0, 942.0},
        {"mute", "muted.ogg", 0, 0},
    };
    for (const Row& row : rows) {
        ASSERT_EQ(Run(std::string("--adapter 7 ") + row.before).code, 0) << row.before;
        const ToolRun run = Run(std::string("--adapter 7 record 1 ") + File(row.file), Fast);
        ASSERT_EQ(run.code, 0) << row.file << ": " << run.err;
        const SoundFileContents sound = ReadSoundFile(File(row.file));
        ASSERT_TRUE(sound.ok) << row.file << ": " << sound.error;
        EXPECT_EQ(sound.channels, kAudioChannels);
        EXPECT_EQ(sound.frames.size(), static_cast<size_t>(kAudioRate * kAudioChannels)) << row.file;
        if (row.leftHz == 0) {
            EXPECT_LT(RmsDbfs(sound.frames, kLeft), -60.0) << row.file;
            continue;
        }
        EXPECT_NEAR(ToneFrequency(sound.frames, kLeft), row.leftHz, HzTolerance) << row.file;
        EXPECT_NEAR(ToneFrequency(sound.frames, kRight), row.rightHz, HzTolerance) << row.file;
    }

    std::ofstream(File("kept.wav")) << "not to be lost";
    const ToolRun again = Run("--adapter 7 record 1 " + File("kept.wav"), Fast);
    EXPECT_EQ(again.code, 1);
    EXPECT_EQ(Read("kept.wav"), "not to be lost") << "an existing file was overwritten";
    EXPECT_EQ(Run("--adapter 7 record 1 " + File("song.mp3")).code, 2) << "a format it cannot write is a wrong word";
}

TEST_F(CardFeedTest, APortCardRecordsItsAudioInputAndOnlyThat)
{
    const ToolRun none = Run("--adapter 1 record 1 " + File("none.wav"));
    EXPECT_EQ(none.code, 2);
    EXPECT_THAT(none.err, HasSubstr("\"Audio input\""));
    EXPECT_FALSE(std::filesystem::exists(File("none.wav")));

    // Two seconds of line-in: the file plugin repeats stale data past its end.
    {
        std::ofstream raw(File("linein.raw"), std::ios::binary);
        const double amplitude = 0.25 * 32767;
        for (int i = 0; i < 2 * kAudioRate; ++i)
            for (double hz : {LineInLeftHz, LineInRightHz}) {
                const auto v = static_cast<short>(std::lrint(amplitude * std::sin(2 * std::numbers::pi * hz * i / kAudioRate)));
                raw.write(reinterpret_cast<const char*>(&v), sizeof v);
            }
    }
    std::ofstream(File(".asoundrc")) << "pcm.linein { type file slave.pcm null file \"/dev/null\" infile \""
                                     << File("linein.raw") << "\" format raw }\n";
    setenv("TUNZO_REGISTRY", File("registry.sqlite").c_str(), 1);
    {
        TRegistry registry;
        ASSERT_TRUE(registry.OpenKey(MainKey, true));
        registry.WriteString("Audio input", "linein");
        registry.CloseKey();
        CloseRegistryConnection();
    }
    const ToolRun run = Run("--adapter 1 record 1 " + File("linein.wav"));
    ASSERT_EQ(run.code, 0) << run.err;
    const SoundFileContents sound = ReadSoundFile(File("linein.wav"));
    ASSERT_TRUE(sound.ok) << sound.error;
    EXPECT_NEAR(ToneFrequency(sound.frames, kLeft), LineInLeftHz, HzTolerance);
    EXPECT_NEAR(ToneFrequency(sound.frames, kRight), LineInRightHz, HzTolerance);
}
}  // namespace
