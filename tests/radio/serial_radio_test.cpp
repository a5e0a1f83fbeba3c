// The GemTek on a pseudo-terminal in place of COM1: the bytes of each
// operation as they reach the line, the trace of each write, the locale's
// separator, what happens when the line cannot be had, and the simulated
// GemTek behind the simulated card.

#include "AdapterCatalogue.h"
#include "Comm32.h"
#include "PortTrace.h"
#include "RadioFixture.h"
#include "SerialLineFixture.h"
#include "SerialRadio.h"
#include "SimulatedGemTek.h"

#include <QLocale>

#include <cstdlib>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <sstream>

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class SerialRadioTest : public RadioTest {
protected:
    SerialRadioTest() : threadsBefore(ThreadCount()) {}
    ~SerialRadioTest() override
    {
        EXPECT_TRUE(WaitUntil([this] { return ThreadCount() <= threadsBefore; }, 2000))
            << "the line's threads outlived the test";
    }
    void SetUp() override
    {
        RadioTest::SetUp();
        char path[] = "/tmp/tunzo-serial-radio-XXXXXX";
        dir = mkdtemp(path);
        setenv("TUNZO_SERIAL_COM1", pty.slavePath.c_str(), 1);
        unsetenv("TUNZO_SERIAL_COM2");
        unsetenv("TUNZO_CARD");
        TunerSettings.Adapter = SerialLineAdapter;
        TunerSettings.PortNumber = 1;
        QLocale::setDefault(QLocale::c());
    }
    void TearDown() override
    {
        CloseSerialRadioLine();
        unsetenv("TUNZO_SERIAL_COM1");
        unsetenv("TUNZO_CARD");
        QLocale::setDefault(QLocale::system());
        std::filesystem::remove_all(dir);
        RadioTest::TearDown();
    }
    PseudoTerminal pty;
    std::string dir;
    const int threadsBefore;
};

}  // namespace

TEST_F(SerialRadioTest, EachOperationSendsItsFrameAndEveryWriteIsTraced)
{
    const std::string trace = dir + "/trace";
    SetPortBackend(std::make_unique<TracingPortBackend>(std::make_unique<RecordingPortBackend>(), trace));

    OpenSerialRadio();
    EXPECT_EQ(pty.Read(4), Frame(0x01));
    RadioDriver::Tune(103.3);
    EXPECT_EQ(pty.Read(9), Frame(0x05, "103.3"));
    RadioDriver::Tune(88.0);
    EXPECT_EQ(pty.Read(6), Frame(0x05, "88"));
    RadioDriver::Mute();
    EXPECT_EQ(pty.Read(4), Frame(0x02));
    RadioDriver::VolumeUp();  // no volume step: up switches the sound on
    EXPECT_TRUE(RadioDriver::SoundOn);
    EXPECT_EQ(pty.Read(4), Frame(0x01));
    RadioDriver::VolumeDown();
    RadioDriver::Unmute();
    EXPECT_EQ(pty.Read(4), Frame(0x01)) << "volume down sent something to the radio";
    EXPECT_EQ(RadioDriver::TunedStatus(), NotTuned);

    CloseSerialRadio();
    EXPECT_EQ(pty.Read(4), Frame(0x02));
    EXPECT_FALSE(SerialRadioLineOpen());
    RadioDriver::Tune(100.0);  // the line is closed: nothing goes anywhere
    EXPECT_THAT(pty.ReadWaiting(), IsEmpty());

    std::stringstream lines(ReadFile(trace));
    std::vector<std::string> traced;
    for (std::string line; std::getline(lines, line);)
        traced.push_back(line);
    EXPECT_THAT(traced, ElementsAre("serial COM1 1d 23 01 23", "serial COM1 1d 23 05 23", "serial COM1 31 30 33 2e 33",
                                    "serial COM1 1d 23 05 23", "serial COM1 38 38", "serial COM1 1d 23 02 23",
                                    "serial COM1 1d 23 01 23", "serial COM1 1d 23 01 23", "serial COM1 1d 23 02 23"));
}

TEST_F(SerialRadioTest, TheTraceListsWhatTheLineTookNotWhatWasQueued)
{
    const std::string trace = dir + "/trace";
    SetPortBackend(std::make_unique<TracingPortBackend>(std::make_unique<RecordingPortBackend>(), trace));
    const auto traced = [&trace] {
        std::stringstream lines(ReadFile(trace));
        std::vector<std::string> all;
        for (std::string line; std::getline(lines, line);)
            all.push_back(line);
        return all;
    };
    // A second hold on the line, taken before the exclusive open, to stop
    // and restart its output as a modem's flow control does.
    const int line = open(pty.slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(line, 0);

    OpenSerialRadio();
    EXPECT_EQ(pty.Read(4), Frame(0x01));
    ASSERT_TRUE(WaitUntil([&] { return traced().size() == 1; }, 5000));
    ASSERT_EQ(tcflow(line, TCOOFF), 0);
    RadioDriver::Tune(103.3);
    EXPECT_THAT(pty.ReadWaiting(), IsEmpty());
    EXPECT_THAT(traced(), ElementsAre("serial COM1 1d 23 01 23")) << "a frame the line has not taken is traced";

    ASSERT_EQ(tcflow(line, TCOON), 0);
    EXPECT_EQ(pty.Read(9), Frame(0x05, "103.3"));
    EXPECT_TRUE(WaitUntil([&] { return traced().size() == 3; }, 5000));
    EXPECT_THAT(traced(), ElementsAre("serial COM1 1d 23 01 23", "serial COM1 1d 23 05 23", "serial COM1 31 30 33 2e 33"));
    close(line);
}

TEST_F(SerialRadioTest, TheFrequencyTextTakesTheLocalesSeparator)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    OpenSerialRadio();
    RadioDriver::Tune(103.3);
    std::vector<uint8_t> expected = Frame(0x01);
    const std::vector<uint8_t> tune = Frame(0x05, "103,3");
    expected.insert(expected.end(), tune.begin(), tune.end());
    EXPECT_EQ(pty.Read(13), expected);
}

TEST_F(SerialRadioTest, ALineThatCannotBeHadIsSaidAndSendsNothing)
{
    // A "Port number" the GemTek's row lacks: named, and nothing opened.
    TunerSettings.PortNumber = 3;
    try {
        OpenSerialRadio();
        ADD_FAILURE() << "port number 3 was taken";
    } catch (const std::invalid_argument& e) {
        EXPECT_THAT(e.what(), HasSubstr("\"Port number\" 3"));
    }
    EXPECT_FALSE(SerialRadioLineOpen());

    // A device that is not there: the component's own error, with the reason.
    TunerSettings.PortNumber = 2;
    setenv("TUNZO_SERIAL_COM2", (dir + "/no-such-device").c_str(), 1);
    try {
        OpenSerialRadio();
        ADD_FAILURE() << "a missing device was opened";
    } catch (const ECommsError& e) {
        EXPECT_STREQ(e.what(), "Error opening com port");
        EXPECT_THAT(SerialRadioErrorText(e), HasSubstr(dir + "/no-such-device: No such file or directory"));
    }
    unsetenv("TUNZO_SERIAL_COM2");
    EXPECT_FALSE(SerialRadioLineOpen());
    RadioDriver::Tune(100.0);
    RadioDriver::Mute();
    CloseSerialRadio();
    EXPECT_THAT(pty.ReadWaiting(), IsEmpty());

    // An open line is not opened twice.
    TunerSettings.PortNumber = 1;
    OpenSerialRadio();
    EXPECT_THROW(OpenSerialRadio(), ECommsError);
    EXPECT_TRUE(SerialRadioLineOpen());
    EXPECT_EQ(pty.Read(4), Frame(0x01));
}

TEST_F(SerialRadioTest, TheSimulatedCardBringsASimulatedGemTekWithItsStateFile)
{
    unsetenv("TUNZO_SERIAL_COM1");
    setenv("TUNZO_CARD", "simulated", 1);
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string savedRuntime = runtime ? runtime : "";
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    const std::string state = SimulatedGemTekStatePath(dir + "/tunzo", "COM1");

    // Left playing, as the card tool leaves it.
    OpenSerialRadio();
    RadioDriver::Tune(103.3);
    CloseSerialRadioLine();
    EXPECT_THAT(ReadFile(state), HasSubstr("frequency 103.300\naudible 1\n"));

    // Closed as the panel closes it: the sound goes off, the station stays.
    OpenSerialRadio();
    CloseSerialRadio();
    EXPECT_THAT(ReadFile(state), HasSubstr("frequency 103.300\naudible 0\n"));
    EXPECT_THAT(pty.ReadWaiting(), IsEmpty()) << "the real line's stand-in was written to";

    if (runtime)
        setenv("XDG_RUNTIME_DIR", savedRuntime.c_str(), 1);
    else
        unsetenv("XDG_RUNTIME_DIR");
}
