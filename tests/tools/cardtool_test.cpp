// tunzo-card against the simulated card (virtual delays) and the recording
// backend: its output, its exit codes and that a refused gate means silence.

#include "AdapterCatalogue.h"
#include "AuxMixer.h"
#include "CardTool.h"
#include "PortAccess.h"
#include "PortBackend.h"
#include "RecordingPorts.h"
#include "SerialLineFixture.h"
#include "SettingsStore.h"
#include "SimulatedCard.h"
#include "UseSimulatedCard.h"
#include "TunerSettings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

namespace {

struct ToolRun {
    int code = 0;
    std::string out, err;
};

class CardToolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char path[] = "/tmp/tunzo-cardtool-XXXXXX";
        dir = mkdtemp(path);
        setenv("TUNZO_REGISTRY", (dir + "/registry.sqlite").c_str(), 1);
        sim = UseSimulatedCard({{88.4, true}, {94.2, false}, {107.9, true}});
    }
    void TearDown() override
    {
        ClosePortAccess();
        SetPortBackend(nullptr);
        std::filesystem::remove_all(dir);
    }
    ToolRun Tool(std::vector<std::string> args)
    {
        std::ostringstream out, err;
        ToolRun r;
        r.code = errIsTerminal ? RunCardTool(args, out, err, "/usr/bin/tunzo-card", true)
                               : RunCardTool(args, out, err, "/usr/bin/tunzo-card");
        r.out = out.str();
        r.err = err.str();
        return r;
    }
    SimulatedCardBackend* sim = nullptr;
    std::string dir;
    bool errIsTerminal = false;
};

}  // namespace

TEST_F(CardToolTest, TunesAndReportsTheStateOfEachFamily)
{
    EXPECT_EQ(Tool({"tune", "94.2"}).code, 0);
    EXPECT_EQ(Tool({"status"}).out, "tuned\n");
    EXPECT_EQ(Tool({"tune", "99,0"}).code, 0);  // decimal comma accepted
    EXPECT_NEAR(sim->card(0x30C)->Registers().frequency, 99.0, 1e-9);
    EXPECT_EQ(Tool({"status"}).out, "not tuned\n");

    EXPECT_EQ(Tool({"--adapter", "4", "tune", "88.4"}).code, 0);
    EXPECT_EQ(Tool({"--adapter", "4", "status"}).out, "tuned stereo\n");
    EXPECT_EQ(Tool({"--adapter", "4", "--port", "0x358", "status"}).out, "not tuned\n");

    EXPECT_EQ(Tool({"mute"}).code, 0);
    EXPECT_FALSE(sim->card(0x30C)->Registers().audible);
    EXPECT_EQ(Tool({"unmute"}).code, 0);
    EXPECT_TRUE(sim->card(0x30C)->Registers().audible);
    const int volume = sim->card(0x30C)->Registers().volume;
    EXPECT_EQ(Tool({"up"}).code, 0);
    EXPECT_EQ(Tool({"down"}).code, 0);  // two card steps
    EXPECT_EQ(sim->card(0x30C)->Registers().volume, volume - 1);
}

TEST_F(CardToolTest, ScanPrintsEachStationWithProgressOnStderr)
{
    errIsTerminal = true;
    const ToolRun r = Tool({"--adapter", "4", "scan"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "88.4 stereo\n94.2\n107.9 stereo\n");
    EXPECT_THAT(r.err, HasSubstr("scanning 87 MHz (0%)"));
    EXPECT_THAT(r.err, HasSubstr("scanning 108 MHz (100%)"));
    EXPECT_THAT(r.err, HasSubstr("3 stations"));
    EXPECT_EQ(Tool({"scan"}).out, "88.4\n94.2\n107.9\n");  // RadioTrack has no stereo line
}

TEST_F(CardToolTest, BadArgumentsExitWithTwoAndSayWhat)
{
    const std::pair<std::vector<std::string>, std::string> rows[] = {
        {{}, "no command given"},
        {{"tune"}, "tune takes one frequency"},
        {{"tune", "abc"}, "not 'abc'"},
        {{"tune", "200"}, "200 MHz is outside the band 87 to 108 MHz"},
        {{"tune", "inf"}, "not 'inf'"},
        {{"status", "now"}, "status takes no operand"},
        {{"play"}, "unknown command 'play'"},
        {{"--adapter"}, "--adapter needs a value"},
        {{"--adapter", "9", "status"}, "from 1 to 8, not '9'"},
        {{"--adapter", "7", "seek", "sideways"}, "seek takes up or down, not 'sideways'"},
        {{"--adapter", "7", "--port", "0x30c", "status"}, "a V4L2 receiver has no port"},
        {{"--device", "/dev/radio1", "status"}, "use it with --adapter 7 or 8"},
        {{"seek", "up"}, "(--adapter 7 or 8) searches by itself"},
        {{"--adapter", "1x", "status"}, "not '1x'"},
        {{"--port", "0x10000", "status"}, "not '0x10000'"},
        {{"--port", "zz", "status"}, "not 'zz'"},
        {{"--adapter", "5", "--port", "3", "up"}, "COM port number, 1 or 2"},
        {{"--verbose", "status"}, "unknown option '--verbose'"},
    };
    for (const auto& [args, message] : rows) {
        const ToolRun r = Tool(args);
        EXPECT_EQ(r.code, 2) << message;
        EXPECT_THAT(r.err, HasSubstr(message));
        EXPECT_THAT(r.err, HasSubstr("usage: tunzo-card"));
        EXPECT_THAT(r.out, IsEmpty());
    }
    EXPECT_EQ(Tool({"--help"}).code, 0);
}

TEST_F(CardToolTest, RefusedGateExitsWithOneBeforeAnyPortTraffic)
{
    auto owned = std::make_unique<RecordingPortBackend>();
    owned->grantAccess = false;
    RecordingPortBackend* ports = owned.get();
    SetPortBackend(std::move(owned));

    const ToolRun r = Tool({"--port", "0x20c", "tune", "100"});
    EXPECT_EQ(r.code, 1);
    EXPECT_THAT(r.err, HasSubstr("0x20c"));
    EXPECT_THAT(r.err, HasSubstr("setcap cap_sys_rawio+ep /usr/bin/tunzo-card"));
    EXPECT_THAT(ports->events, IsEmpty());

    // The serial-line card needs no gate.
    PseudoTerminal line;
    setenv("TUNZO_SERIAL_COM1", line.slavePath.c_str(), 1);
    EXPECT_EQ(Tool({"--adapter", "5", "tune", "100"}).code, 0);
    unsetenv("TUNZO_SERIAL_COM1");
    EXPECT_EQ(line.Read(10).size(), 10u);
    EXPECT_THAT(ports->accessRequests, ::testing::ElementsAre(0x20c));
}

TEST_F(CardToolTest, PortsOutsideTheCatalogueAreNeverAskedForOrWritten)
{
    auto owned = std::make_unique<RecordingPortBackend>();
    RecordingPortBackend* ports = owned.get();
    SetPortBackend(std::move(owned));

    // On the command line: a bad argument, whichever adapter would use it.
    const std::pair<std::vector<std::string>, std::string> rows[] = {
        {{"--port", "0x3f8", "tune", "100"}, "'0x3f8'"},
        {{"--adapter", "4", "--port", "128", "mute"}, "'128'"},
        {{"--port", "1", "unmute"}, "'1'"},  // a COM port number, but not a serial-line card
    };
    for (const auto& [args, value] : rows) {
        const ToolRun r = Tool(args);
        EXPECT_EQ(r.code, 2) << value;
        EXPECT_THAT(r.err, HasSubstr(value));
        EXPECT_THAT(r.err, HasSubstr(CataloguePortsText()));
    }

    // In the store: the gate refuses it and names the ports it would open.
    AssignInitialValues(TunerSettings);
    TunerSettings.CardPort = 0x3f8;
    SaveSettings();
    const ToolRun stored = Tool({"tune", "100"});
    EXPECT_EQ(stored.code, 1);
    EXPECT_THAT(stored.err, HasSubstr("0x3f8"));
    EXPECT_THAT(stored.err, HasSubstr(CataloguePortsText()));

    EXPECT_THAT(ports->accessRequests, IsEmpty());
    EXPECT_THAT(ports->events, IsEmpty());
}

TEST_F(CardToolTest, WithoutOptionsDrivesTheStoredCardAtItsStoredVolume)
{
    AssignInitialValues(TunerSettings);
    TunerSettings.CardPort = 0x358;
    TunerSettings.Adapter = 4;
    TunerSettings.CardVolume = 1;
    SaveSettings();

    EXPECT_EQ(Tool({"tune", "88.4"}).code, 0);
    EXPECT_NEAR(sim->card(0x358)->Registers().frequency, 88.4, 1e-9);
    EXPECT_EQ(sim->card(0x358)->Registers().volume, 1);  // level 1 rides on every write
    EXPECT_EQ(Tool({"status"}).out, "tuned stereo\n");
    // --adapter alone takes that adapter's default port, not the stored one.
    EXPECT_EQ(Tool({"--adapter", "4", "tune", "94.2"}).code, 0);
    EXPECT_NEAR(sim->card(0x350)->Registers().frequency, 94.2, 1e-9);
    EXPECT_NEAR(sim->card(0x358)->Registers().frequency, 88.4, 1e-9);
}

TEST_F(CardToolTest, StoreErrorsAreReportedWithTheirTextAndExitOne)
{
    {
        TRegistry reg;
        reg.SetRootKey(RegistryRoot::LocalMachine);
        ASSERT_TRUE(reg.OpenKey(MainKey, true));
        reg.WriteString("DefaultStation", "103.3");  // a string where a float belongs
        reg.CloseKey();
    }
    // One malformed value costs only itself (it is reported to standard
    // error and the system log by the store): the tool runs on the others.
    const ToolRun r = Tool({"status"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_THAT(sim->card(0x30C)->Registers().frequency, 0.0);

    std::filesystem::remove(dir + "/registry.sqlite");
    std::ofstream(dir + "/registry.sqlite") << "not a settings store at all, just text";
    const ToolRun damaged = Tool({"status"});
    EXPECT_EQ(damaged.code, 1);
    EXPECT_THAT(damaged.err, HasSubstr(dir + "/registry.sqlite"));

    // Help and arguments wrong on their own face are answered without the store.
    const ToolRun help = Tool({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_THAT(help.out, HasSubstr("usage: tunzo-card"));
    const ToolRun bad = Tool({"--verbose", "status"});
    EXPECT_EQ(bad.code, 2);
    EXPECT_THAT(bad.err, HasSubstr("unknown option '--verbose'"));
    EXPECT_THAT(bad.err, Not(HasSubstr("registry.sqlite")));
}

namespace {

class CardToolSerialTest : public CardToolTest {
protected:
    CardToolSerialTest() : threadsBefore(ThreadCount()) {}
    ~CardToolSerialTest() override
    {
        EXPECT_TRUE(WaitUntil([this] { return ThreadCount() <= threadsBefore; }, 2000))
            << "the serial line's threads outlived the tool";
    }
    void SetUp() override
    {
        CardToolTest::SetUp();
        setenv("TUNZO_SERIAL_COM2", line.slavePath.c_str(), 1);
    }
    void TearDown() override
    {
        unsetenv("TUNZO_SERIAL_COM2");
        CardToolTest::TearDown();
    }
    PseudoTerminal line;
    const int threadsBefore;
};

}  // namespace

TEST_F(CardToolSerialTest, TheGemTekGetsItsFramesAndKeepsPlayingAfterwards)
{
    // Tune: the sound on, as the panel starts, then the tune; no sound-off at
    // the end, so the radio goes on playing.
    EXPECT_EQ(Tool({"--adapter", "5", "--port", "2", "tune", "94,2"}).code, 0);
    std::vector<uint8_t> expected = Frame(0x01);
    const std::vector<uint8_t> tune = Frame(0x05, "94.2");
    expected.insert(expected.end(), tune.begin(), tune.end());
    EXPECT_EQ(line.Read(expected.size()), expected);
    EXPECT_THAT(line.ReadWaiting(), IsEmpty());  // the line closed after the last write

    EXPECT_EQ(Tool({"--adapter", "5", "--port", "2", "mute"}).code, 0);
    EXPECT_EQ(line.Read(4), Frame(0x02));
    EXPECT_EQ(Tool({"--adapter", "5", "--port", "2", "up"}).code, 0);
    EXPECT_EQ(line.Read(4), Frame(0x01));
    EXPECT_EQ(Tool({"--adapter", "5", "--port", "2", "down"}).code, 0);
    EXPECT_THAT(line.ReadWaiting(), IsEmpty());

    // It only listens: no status to report and nothing to scan for.
    const ToolRun status = Tool({"--adapter", "5", "--port", "2", "status"});
    EXPECT_EQ(status.code, 0);
    EXPECT_THAT(status.out, HasSubstr("cannot report a station"));
    const ToolRun scan = Tool({"--adapter", "5", "--port", "2", "scan"});
    EXPECT_EQ(scan.code, 2);
    EXPECT_THAT(scan.err, HasSubstr("the GemTek cannot report a station"));
    EXPECT_THAT(line.ReadWaiting(), IsEmpty());
}

TEST_F(CardToolSerialTest, ALineThatCannotBeOpenedExitsWithOneAndSaysWhy)
{
    setenv("TUNZO_SERIAL_COM2", (dir + "/gone").c_str(), 1);
    const ToolRun r = Tool({"--adapter", "5", "--port", "2", "unmute"});
    EXPECT_EQ(r.code, 1);
    EXPECT_THAT(r.err, HasSubstr("Error opening com port (" + dir + "/gone: No such file or directory)"));

    // A stored "Port number" outside the GemTek's row is named.
    AssignInitialValues(TunerSettings);
    TunerSettings.Adapter = 5;
    TunerSettings.PortNumber = 7;
    SaveSettings();
    const ToolRun stored = Tool({"tune", "100"});
    EXPECT_EQ(stored.code, 1);
    EXPECT_THAT(stored.err, HasSubstr("\"Port number\" 7"));
}

namespace {

int StoredInteger(const char* name)
{
    TRegistry reg;
    reg.SetRootKey(RegistryRoot::LocalMachine);
    if (!reg.OpenKey(MainKey, false) || !reg.ValueExists(name))
        return -1;
    return reg.ReadInteger(name);
}

void StoreCard(int8_t adapter, uint16_t port, int8_t volumeControl = VolumeOnCard)
{
    AssignInitialValues(TunerSettings);
    TunerSettings.Adapter = adapter;
    TunerSettings.CardPort = port;
    TunerSettings.VolumeControl = volumeControl;
    TunerSettings.AuxVolumeControl = 0;
    TunerSettings.CardVolume = 0;
    SaveSettings();
}

}  // namespace

TEST_F(CardToolTest, ScanLeavesTheRadioWhereItWasAndItsProgressOnlyOnATerminal)
{
    ASSERT_EQ(Tool({"tune", "94.2"}).code, 0);
    const ToolRun piped = Tool({"scan"});
    EXPECT_EQ(piped.code, 0);
    EXPECT_NEAR(sim->card(0x30C)->Registers().frequency, 94.2, 1e-9) << "the scan left the radio elsewhere";
    EXPECT_TRUE(sim->card(0x30C)->Registers().audible);
    // A file or a pipe gets no carriage returns or terminal codes.
    EXPECT_EQ(piped.err.find_first_of("\r\033"), std::string::npos) << piped.err;
    EXPECT_THAT(piped.err, HasSubstr("3 stations"));
    EXPECT_EQ(piped.out, "88.4\n94.2\n107.9\n");
}

TEST_F(CardToolTest, AztechStepsWalkTheLevelsFromWhereTheLastCallLeftThem)
{
    StoreCard(AztechAdapter, 0x350);
    // The card's four levels, each call starting from the one kept before;
    // down is two steps, as on the panel.
    const std::pair<const char*, int> rows[] = {{"up", 1}, {"up", 4}, {"up", 5}, {"up", 5}, {"down", 1}, {"down", 0}};
    for (const auto& [verb, level] : rows) {
        EXPECT_EQ(Tool({verb}).code, 0);
        EXPECT_EQ(StoredInteger(ValueName::Volume), level) << verb << " to " << level;
    }
    EXPECT_EQ(sim->card(0x350)->Registers().volume, 0);
    // A tune rides on the kept level too.
    EXPECT_EQ(Tool({"up"}).code, 0);
    EXPECT_EQ(Tool({"tune", "88.4"}).code, 0);
    EXPECT_EQ(sim->card(0x350)->Registers().volume, 1);
}

TEST_F(CardToolTest, VolumeStepsGoToTheCardWhenTheLineInIsMissing)
{
    struct Row {
        const char* verb;
        size_t lineIns;  // mixer devices; the stored line-in is device 0
        int cardChange;
        bool mixerChanged;
    };
    const Row rows[] = {
        {"up", 0, +1, false},
        {"down", 0, -2, false},  // two card steps per step
        {"up", 1, 0, true},
        {"down", 1, 0, true},
    };
    for (const Row& row : rows) {
        StoreCard(RadioTrackAdapter, 0x30C, VolumeOnLineIn);
        auto owned = std::make_unique<FakeAuxMixer>(std::vector<uint32_t>(row.lineIns, 0x80008000u));
        FakeAuxMixer* mixer = owned.get();
        std::unique_ptr<AuxMixer> previous = SetAuxMixer(std::move(owned));
        ASSERT_EQ(Tool({"unmute"}).code, 0);
        const int before = sim->card(0x30C)->Registers().volume;
        EXPECT_EQ(Tool({row.verb}).code, 0);
        EXPECT_EQ(sim->card(0x30C)->Registers().volume - before, row.cardChange) << row.verb << " " << row.lineIns;
        EXPECT_EQ(mixer->setCalls > 0, row.mixerChanged) << row.verb << " " << row.lineIns;
        EXPECT_EQ(StoredInteger(ValueName::VolumeControl), VolumeOnLineIn) << "the user's choice was changed";
        SetAuxMixer(std::move(previous));
    }
}

TEST_F(CardToolTest, AStoredAdapterTheToolDoesNotKnowIsNamedAndExitsOne)
{
    StoreCard(9, 0x30C);
    const ToolRun r = Tool({"status"});
    EXPECT_EQ(r.code, 1);
    EXPECT_THAT(r.err, HasSubstr("\"Adapter\" is 9"));
    EXPECT_THAT(r.err, Not(HasSubstr("usage:")));
    // Named on the command line, another adapter still serves.
    EXPECT_EQ(Tool({"--adapter", "1", "status"}).code, 0);
}
