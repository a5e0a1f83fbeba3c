// The serial port component on pseudo-terminal pairs: what reaches the line
// and in which order, what comes back to the owner's thread, the errors of
// StartPort, and that every way of closing ends both threads.

#include "Comm32.h"
#include "Comm32Line.h"
#include "SerialLineFixture.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <termios.h>

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

std::vector<uint8_t> Bytes(const std::string& text)
{
    return {text.begin(), text.end()};
}

bool Send(TComm32& port, const std::string& text)
{
    return port.WriteData(text.data(), static_cast<uint16_t>(text.size()));
}

// Lets the posted events run until `done` holds; false after `timeoutMs`.
bool ProcessEventsUntil(const std::function<bool()>& done, int timeoutMs = 5000)
{
    return WaitUntil(done, timeoutMs, [] { QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50); });
}

class Comm32Test : public NoThreadLeftBehind {
protected:
    void SetUp() override { port.CommPort = pty.slavePath; }
    PseudoTerminal pty;
    TComm32 port;
};

}  // namespace

TEST_F(Comm32Test, WritesReachTheLineWholeAndInOrder)
{
    ASSERT_TRUE(port.StartPort());
    EXPECT_TRUE(port.PortOpen());
    EXPECT_TRUE(Send(port, "\x1d#\x05#"));
    EXPECT_TRUE(Send(port, "103.3"));
    EXPECT_THAT(pty.Read(9), ElementsAre(0x1d, 0x23, 0x05, 0x23, '1', '0', '3', '.', '3'));
    EXPECT_TRUE(port.WaitForWrites(5000));
    port.StopPort();
    EXPECT_FALSE(port.PortOpen());
}

TEST_F(Comm32Test, TheLineIsRawAtTheRateParityAndStopBitsOfTheProperties)
{
    // (A pseudo-terminal keeps no parity, so that is left to a real line.)
    // A terminal's own settings would echo the radio's bytes back, wait for a
    // newline before handing anything over, and turn 0x0a into 0x0d 0x0a.
    port.BaudRate = 19200;
    port.Parity = pEven;
    port.StopBits = sb2_0;
    ASSERT_TRUE(port.StartPort());
    termios t{};
    ASSERT_EQ(tcgetattr(pty.master, &t), 0);  // the master answers with the line's settings
    EXPECT_EQ(cfgetospeed(&t), B19200);
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_FALSE(t.c_lflag & (ICANON | ECHO | ISIG));
    EXPECT_FALSE(t.c_oflag & OPOST);
    EXPECT_TRUE(Send(port, "\nEND"));
    EXPECT_EQ(pty.Read(4), Bytes("\nEND"));
}

TEST_F(Comm32Test, StartPortFailuresRaiseTheirTextsAndLeaveNothingOpen)
{
    const int descriptors = OpenDescriptorCount();

    // A second start leaves the open line alone.
    ASSERT_TRUE(port.StartPort());
    try {
        port.StartPort();
        ADD_FAILURE() << "a second StartPort did not raise";
    } catch (const ECommsError& e) {
        EXPECT_STREQ(e.what(), "Already have a comm file open");
    }
    EXPECT_TRUE(Send(port, "ok"));
    EXPECT_EQ(pty.Read(2), Bytes("ok"));
    port.StopPort();
    EXPECT_EQ(OpenDescriptorCount(), descriptors);

    const std::string file = std::filesystem::temp_directory_path() / ("tunzo-comm32-" + std::to_string(getpid()));
    std::ofstream(file) << "not a line";
    TComm32 other;
    const std::pair<std::string, std::string> rows[] = {
        {file, "File handle is not a comm handle. "},
        {"/nonexistent/ttyS9", "Error opening com port"},
    };
    for (const auto& [device, text] : rows) {
        other.CommPort = device;
        try {
            other.StartPort();
            ADD_FAILURE() << device << " opened";
        } catch (const ECommsError& e) {
            EXPECT_EQ(e.what(), text);
            EXPECT_THAT(e.Reason(), HasSubstr(device));  // the user learns which device, and why
        }
        EXPECT_FALSE(other.PortOpen());
        EXPECT_EQ(OpenDescriptorCount(), descriptors) << device;
    }
    std::filesystem::remove(file);
}

TEST_F(Comm32Test, AClosedPortDropsWritesAndStopsHarmlessly)
{
    port.StopPort();  // never opened
    EXPECT_FALSE(Send(port, "lost"));

    ASSERT_TRUE(port.StartPort());
    port.StopPort();
    port.StopPort();
    EXPECT_FALSE(Send(port, "lost"));
    EXPECT_TRUE(pty.ReadWaiting().empty());

    // Reopened, it works as before.
    ASSERT_TRUE(port.StartPort());
    EXPECT_TRUE(Send(port, "again"));
    EXPECT_EQ(pty.Read(5), Bytes("again"));
}

TEST_F(Comm32Test, StopWhileTheWriterWaitsForRoomEndsBothThreads)
{
    // Nobody reads the other end: the line fills and the writer waits.
    ASSERT_TRUE(port.StartPort());
    const std::string block(ReadBufferSize, 'x');
    for (int i = 0; i < 512; ++i)
        ASSERT_TRUE(Send(port, block));
    EXPECT_FALSE(port.WaitForWrites(100)) << "the line took a megabyte without anyone reading";
    const auto started = std::chrono::steady_clock::now();
    port.StopPort();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(ThreadExitWaitMs));
    EXPECT_FALSE(port.PortOpen());
}

TEST_F(Comm32Test, ReceivedBytesAndHangupReachTheOwnersThread)
{
    std::vector<std::string> received;
    std::vector<uint16_t> lengths;
    int hangups = 0;
    port.OnReceiveData = [&](const char* buffer, uint16_t length) {
        EXPECT_EQ(buffer[length], '\0');
        received.emplace_back(buffer, length);
        lengths.push_back(length);
    };
    port.OnRequestHangup = [&](QObject* sender) {
        EXPECT_EQ(sender, &port);
        ++hangups;
    };
    ASSERT_TRUE(port.StartPort());
    ASSERT_EQ(write(pty.master, "hello", 5), 5);
    ASSERT_TRUE(ProcessEventsUntil([&] { return !received.empty(); }));
    EXPECT_THAT(received, ElementsAre("hello"));

    // The other end goes away: both threads meet it; the owner is asked to
    // close, and the line stays open until it does.
    pty.CloseMaster();
    EXPECT_TRUE(Send(port, "into the void"));
    ASSERT_TRUE(ProcessEventsUntil([&] { return hangups > 0; }));
    EXPECT_TRUE(port.PortOpen());
    port.StopPort();
}

TEST_F(Comm32Test, AStrayXoffIsDataAndNeverStopsTheLine)
{
    // Software flow control would swallow the byte and stop all output until
    // an XON that the radio never sends.
    std::string received;
    port.OnReceiveData = [&](const char* buffer, uint16_t length) { received.append(buffer, length); };
    ASSERT_TRUE(port.StartPort());
    const char xoff = 0x13;
    ASSERT_EQ(write(pty.master, &xoff, 1), 1);
    ASSERT_TRUE(ProcessEventsUntil([&] { return !received.empty(); })) << "the XOFF byte was taken as flow control";
    EXPECT_EQ(received, std::string(1, xoff));
    EXPECT_TRUE(Send(port, "\x1d#\x02#"));
    EXPECT_EQ(pty.Read(4), Bytes("\x1d#\x02#"));
    termios t{};
    ASSERT_EQ(tcgetattr(pty.master, &t), 0);
    EXPECT_FALSE(t.c_iflag & (IXON | IXOFF | IXANY));
}

TEST(CommEventTextTest, NamesTheErrorBitsAsTheReportCarriesThem)
{
    const std::string frame = CommEventText(CE_FRAME);
    EXPECT_EQ(frame, "Comm Event: CE_FRAME, EvtMask = 8");
    EXPECT_EQ(frame.size(), 33u);
    EXPECT_EQ(CommEventText(CE_FRAME | CE_RXPARITY), "Comm Event: CE_FRAME and CE_RXPARITY, EvtMask = 12");
    EXPECT_EQ(CommEventText(CE_OVERRUN | 0x10), "Comm Event: CE_OVERRUN and EV_ERR Unknown EvtMask, EvtMask = 18");
    EXPECT_EQ(CommEventText(0), "Comm Event: NULL Error, EvtMask = 0");

    // The driver's counters: what grew is reported, overruns of both kinds.
    EXPECT_EQ(NewLineErrors({1, 0, 0}, {2, 0, 0}), CE_FRAME);
    EXPECT_EQ(NewLineErrors({0, 3, 0}, {0, 4, 1}), CE_OVERRUN | CE_RXPARITY);
    EXPECT_EQ(NewLineErrors({5, 5, 5}, {5, 5, 5}), 0u);
}

TEST(CommDevicePathTest, MapsComNamesToTheirDevicesUnlessTheEnvironmentNamesOthers)
{
    unsetenv("TUNZO_SERIAL_COM1");
    unsetenv("TUNZO_SERIAL_COM2");
    EXPECT_EQ(CommDevicePath("COM1"), "/dev/ttyS0");
    EXPECT_EQ(CommDevicePath("com2"), "/dev/ttyS1");
    EXPECT_EQ(CommDevicePath("/dev/ttyUSB0"), "/dev/ttyUSB0");
    setenv("TUNZO_SERIAL_COM2", "/dev/ttyUSB3", 1);
    EXPECT_EQ(CommDevicePath("COM2"), "/dev/ttyUSB3");
    EXPECT_EQ(CommDevicePath("COM1"), "/dev/ttyS0");
    unsetenv("TUNZO_SERIAL_COM2");
    EXPECT_EQ(CommDevicePath("COM0"), "COM0");  // no such port: opening it fails with the name
}

TEST_F(Comm32Test, TheLogKeepsEachStepOnALineOfItsOwn)
{
    const std::string log = std::filesystem::temp_directory_path() / ("tunzo-comm32-log-" + std::to_string(getpid()));
    port.CommsLogFileName = log;
    ASSERT_TRUE(port.StartPort());
    for (int i = 0; i < 20; ++i)
        Send(port, "frame");
    EXPECT_EQ(pty.Read(100).size(), 100u);
    port.StopPort();
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    std::filesystem::remove(log);
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);)
        lines.push_back(line);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Writing to comm port"), 20);
    for (const char* step : {"Stopping the Comm", "Closing Read Thread ", "Read thread shutting down",
                             "Closing Write Thread", "Write thread shutting down"})
        EXPECT_EQ(std::count(lines.begin(), lines.end(), step), 1) << step;
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
