#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>

#include "HiveFixture.h"

namespace {

using Writer = std::function<void(TRegistry&)>;

std::string RunCommand(const std::string& command)
{
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return out;
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe))
        out += buffer;
    pclose(pipe);
    return out;
}

}  // namespace

TEST_F(HiveTest, FirstStartCreatesTheKeyAndStartsFromDefaults)
{
    ASSERT_FALSE(std::filesystem::exists(hive));
    InitialiseSettings();

    const TTunerSettings& s = TunerSettings;
    EXPECT_DOUBLE_EQ(s.CurrentFrequency, 103.3);
    EXPECT_DOUBLE_EQ(s.TuneStep, 1.0);
    EXPECT_DOUBLE_EQ(s.FineTuneStep, 0.1);
    EXPECT_EQ(s.Adapter, 1);
    EXPECT_EQ(s.PortNumber, 1);
    EXPECT_EQ(s.CardPort, 780);
    EXPECT_EQ(s.CardVolume, 4);
    EXPECT_EQ(s.PresetScanDelay, 4);
    EXPECT_EQ(s.ShutdownOptions, 3);
    EXPECT_EQ(s.AlarmHour, 5);
    EXPECT_EQ(s.AlarmMinute, 0);
    EXPECT_EQ(s.AlarmWeekdays, "1111100");
    EXPECT_FALSE(s.AlarmActive);
    EXPECT_EQ(s.AlarmTimeText, FormatClockTime(5, 0, 0, 2, LocaleTimeSeparator()));
    EXPECT_TRUE(s.ShowClock);
    EXPECT_TRUE(s.ShowFrequencySlider);
    EXPECT_EQ(s.IconsWhenShown, 0);
    EXPECT_EQ(s.IconsWhenMinimized, 0);
    EXPECT_DOUBLE_EQ(s.BandMinimum, 87.0);
    EXPECT_DOUBLE_EQ(s.BandMaximum, 108.0);
    EXPECT_EQ(s.SnoozeMinutes, 20);
    EXPECT_EQ(s.MonthLengths[1], 28);

    TRegistry reg;
    EXPECT_TRUE(reg.OpenKey(MainKey, false)) << "the main key is created by the first load";
    EXPECT_TRUE(writeErrors.empty());
}

TEST_F(HiveTest, SavedValuesHaveThePublicKindsAndByteLayouts)
{
    InitialiseSettings();
    TunerSettings.CardPort = 0x30C;
    TunerSettings.CurrentFrequency = 103.3;
    TunerSettings.IconsWhenShown = 2;
    TunerSettings.IconsWhenMinimized = 0;
    TunerSettings.AuxVolumeControl = -1;  // sign-extended to 32 bits
    TunerSettings.CardVolume = 7;
    SaveSettings();

    if (RunCommand("command -v sqlite3").empty())
        GTEST_SKIP() << "the sqlite3 command is not installed";
    const std::string out = RunCommand(
        "sqlite3 -readonly '" + hive +
        "' \"SELECT v.name || '|' || v.kind || '|' || hex(v.data) FROM vals v JOIN keys k ON k.id = v.key"
        " WHERE k.path = 'software\\velmar\\TUNZO' ORDER BY v.rowid\"");

    const std::vector<std::string> order = {
        "IO Port", "DefaultStation", "Display icons", "Tune step", "Fine tune step", "Show frequency slider",
        "Show clock", "Minimal window", "Always on top", "Adapter", "Port number", "Volume control",
        "Auxiliary volume control", "Wide range", "Tune to last station", "Start minimized",
        "Preset scan delay", "Shutdown options", "Cycle stations", "Volume"};
    std::vector<std::string> names;
    std::map<std::string, std::string> rows;
    size_t start = 0;
    for (size_t end = out.find('\n'); end != std::string::npos; start = end + 1, end = out.find('\n', start)) {
        const std::string line = out.substr(start, end - start);
        const std::string name = line.substr(0, line.find('|'));
        names.push_back(name);
        rows[name] = line.substr(name.size() + 1);
    }
    EXPECT_EQ(names, order);
    EXPECT_EQ(rows["IO Port"], "4|0C030000");
    EXPECT_EQ(rows["DefaultStation"], "3|3333333333D35940");
    EXPECT_EQ(rows["Display icons"], "1|3230");
    EXPECT_EQ(rows["Tune step"], "3|000000000000F03F");
    EXPECT_EQ(rows["Show clock"], "4|01000000");
    EXPECT_EQ(rows["Minimal window"], "4|00000000");
    EXPECT_EQ(rows["Auxiliary volume control"], "4|FFFFFFFF");
    EXPECT_EQ(rows["Volume"], "4|07000000");
}

struct LoadRow {
    const char* what;
    std::vector<Writer> stored;
    std::function<void(const TTunerSettings&)> check;
};

TEST_F(HiveTest, LoadReadsInMemoryWidthsAndAppliesTheCorrections)
{
    const std::vector<LoadRow> rows = {
        {"a stored 200 reads as -56", {[](TRegistry& r) { r.WriteInteger("Volume", 200); }},
         [](const TTunerSettings& s) { EXPECT_EQ(s.CardVolume, -56); }},
        {"the port keeps its low 16 bits", {[](TRegistry& r) { r.WriteInteger("IO Port", 0x1020C); }},
         [](const TTunerSettings& s) { EXPECT_EQ(s.CardPort, 0x20C); }},
        {"adapter 200 is -56 and becomes 1", {[](TRegistry& r) { r.WriteInteger("Adapter", 200); }},
         [](const TTunerSettings& s) { EXPECT_EQ(s.Adapter, 1); }},
        {"adapter 2 forces volume control 5",
         {[](TRegistry& r) { r.WriteInteger("Adapter", 2); }, [](TRegistry& r) { r.WriteInteger("Volume control", 0); }},
         [](const TTunerSettings& s) { EXPECT_EQ(s.VolumeControl, 5); }},
        {"port number 0 becomes 1", {[](TRegistry& r) { r.WriteInteger("Port number", 0); }},
         [](const TTunerSettings& s) { EXPECT_EQ(s.PortNumber, 1); }},
        {"tune steps of 0.0 become 1.0 and 0.1",
         {[](TRegistry& r) { r.WriteFloat("Tune step", 0.0); }, [](TRegistry& r) { r.WriteFloat("Fine tune step", 0.0); }},
         [](const TTunerSettings& s) {
             EXPECT_DOUBLE_EQ(s.TuneStep, 1.0);
             EXPECT_DOUBLE_EQ(s.FineTuneStep, 0.1);
         }},
        {"a tune step of 0.05 stays", {[](TRegistry& r) { r.WriteFloat("Tune step", 0.05); }},
         [](const TTunerSettings& s) { EXPECT_DOUBLE_EQ(s.TuneStep, 0.05); }},
        {"one icon digit gives 1 and 0", {[](TRegistry& r) { r.WriteString("Display icons", "2"); }},
         [](const TTunerSettings& s) {
             EXPECT_EQ(s.IconsWhenShown, 1);
             EXPECT_EQ(s.IconsWhenMinimized, 0);
         }},
        {"three icon digits use the first two", {[](TRegistry& r) { r.WriteString("Display icons", "219"); }},
         [](const TTunerSettings& s) {
             EXPECT_EQ(s.IconsWhenShown, 2);
             EXPECT_EQ(s.IconsWhenMinimized, 1);
         }},
        {"any non-zero DWORD is true", {[](TRegistry& r) { r.WriteInteger("Minimal window", 7); }},
         [](const TTunerSettings& s) { EXPECT_TRUE(s.MinimalWindow); }},
        {"wide range widens the band", {[](TRegistry& r) { r.WriteBool("Wide range", true); }},
         [](const TTunerSettings& s) {
             EXPECT_DOUBLE_EQ(s.BandMinimum, 80.0);
             EXPECT_DOUBLE_EQ(s.BandMaximum, 160.0);
         }},
        {"value names ignore case", {[](TRegistry& r) { r.WriteInteger("shutdown OPTIONS", 1); }},
         [](const TTunerSettings& s) { EXPECT_EQ(s.ShutdownOptions, 1); }},
    };
    for (const LoadRow& row : rows) {
        SCOPED_TRACE(row.what);
        std::filesystem::remove(hive);
        TunerSettings = TTunerSettings{};
        for (const Writer& write : row.stored)
            Plant(MainKey, write);
        // InitialiseSettings without the 100 preset reads, which are not the point here.
        AssignInitialValues(TunerSettings);
        LoadSettings();
        SetBandLimits(TunerSettings);
        row.check(TunerSettings);
    }
}

TEST_F(HiveTest, AShortFloatIsMalformedAndARefusedWriteEndsTheSaveThere)
{
    // A float that is not 8 bytes long is of another type too.
    Plant(MainKey, [](TRegistry& r) {
        r.WriteString("Display icons", "12");
        r.WriteFloat("Fine tune step", 1.0);
    });
    RawSql("UPDATE vals SET data = x'0000803F' WHERE name = 'Fine tune step'");
    TunerSettings.FineTuneStep = 0.0;
    EXPECT_NO_THROW(InitialiseSettings());
    EXPECT_DOUBLE_EQ(TunerSettings.FineTuneStep, 0.1) << "the initial value stands";
    EXPECT_EQ(TunerSettings.IconsWhenMinimized, 2);

    // A hive may carry its writer's own rules; a write they refuse ends the
    // save there, and what was written before it stays.
    std::filesystem::remove(hive);
    Plant(MainKey, [](TRegistry&) {});
    RawSql("CREATE TRIGGER refuse BEFORE INSERT ON vals WHEN NEW.name = 'Tune step'"
           " BEGIN SELECT RAISE(ABORT, 'refused'); END;");
    TunerSettings.CardPort = 0x20C;
    TunerSettings.FineTuneStep = 0.5;
    try {
        SaveSettings();
        ADD_FAILURE() << "no error raised";
    } catch (const ERegistryException& e) {
        EXPECT_STREQ(e.what(), "Failed to set data for 'Tune step'");
    }
    RawSql("DROP TRIGGER refuse");
    TunerSettings = TTunerSettings{};
    LoadSettings();
    EXPECT_EQ(TunerSettings.CardPort, 0x20C);
    EXPECT_DOUBLE_EQ(TunerSettings.FineTuneStep, 0.1) << "not written, so absent and corrected";

    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(MainKey, false));
    try {
        reg.ReadInteger("No such value");
        ADD_FAILURE() << "no error raised";
    } catch (const ERegistryException& e) {
        EXPECT_STREQ(e.what(), "Failed to get data for 'No such value'");
    }
    EXPECT_EQ(reg.ReadString("No such value"), "");
}

TEST_F(HiveTest, AHiveThatCannotBeCreatedKeepsMemoryAndReportsTheSave)
{
    // A regular file where the hive's folder should be: nothing can be created.
    std::ofstream(folder + "/blocker") << "x";
    setenv("TUNZO_REGISTRY", (folder + "/blocker/registry.sqlite").c_str(), 1);

    InitialiseSettings();
    EXPECT_EQ(TunerSettings.CardPort, 780) << "a port never loaded is not left at 0";
    TunerSettings.CurrentFrequency = 91.5;
    TunerSettings.WindowHandle = 77;
    SaveAlarm();
    PublishWindowHandle();
    SaveWindowPosition("Main Window", 1, 2);
    EXPECT_TRUE(writeErrors.empty()) << "only SaveSettings reports";

    SaveSettings();
    ASSERT_EQ(writeErrors.size(), 1u);
    EXPECT_EQ(writeErrors[0], "Error writing to registry\rSOFTWARE\\Velmar\\Tunzo\rNot accessible\r"
                              "For support, please report the problem on the Tunzo issue tracker.");
    EXPECT_DOUBLE_EQ(TunerSettings.CurrentFrequency, 91.5);
    EXPECT_EQ(ReadPublishedWindowHandle(), 0);
    EXPECT_EQ(LoadWindowLeft("Main Window"), 250);
}

TEST_F(HiveTest, AHiveThatCannotBeReadIsAnErrorNamingTheFile)
{
    // A folder in the hive's place can be neither read nor written as a file.
    std::filesystem::create_directory(hive);
    try {
        InitialiseSettings();
        ADD_FAILURE() << "no error raised";
    } catch (const ERegistryException& e) {
        EXPECT_NE(std::string(e.what()).find("'" + hive + "' cannot be read"), std::string::npos) << e.what();
    }
    // What the record holds now is not the user's: it is not saved over it.
    EXPECT_THROW(SaveSettings(), ERegistryException);
    EXPECT_TRUE(std::filesystem::is_directory(hive));
}

TEST_F(HiveTest, ACorruptOrForeignFileIsNeverOverwritten)
{
    const std::vector<std::pair<const char*, std::function<void()>>> rows = {
        {"not a database", [this] { std::ofstream(hive, std::ios::binary) << std::string(4096, 'Z'); }},
        {"another program's database", [this] { RawSql("CREATE TABLE songs (title TEXT); INSERT INTO songs VALUES ('a');"); }},
    };
    for (const auto& [what, make] : rows) {
        SCOPED_TRACE(what);
        std::filesystem::remove(hive);
        make();
        const std::string before = FileBytes(hive);
        for (const std::function<void()>& operation :
             std::vector<std::function<void()>>{InitialiseSettings, SaveSettings, LoadEvents, PublishWindowHandle}) {
            try {
                operation();
                ADD_FAILURE() << "no error raised";
            } catch (const ERegistryException& e) {
                EXPECT_NE(std::string(e.what()).find(hive), std::string::npos) << e.what();
            }
        }
        EXPECT_EQ(FileBytes(hive), before);
    }
}

TEST_F(HiveTest, WindowHandleAndPositionsRoundTrip)
{
    EXPECT_EQ(ReadPublishedWindowHandle(), 0);
    EXPECT_EQ(LoadWindowLeft("Main Window"), 250);
    EXPECT_EQ(LoadWindowTop("Main Window"), 250);

    SaveWindowPosition("Main Window", 12, -30);
    EXPECT_EQ(LoadWindowLeft("Main Window"), 12);
    EXPECT_EQ(LoadWindowTop("main window"), -30);
    EXPECT_EQ(LoadWindowLeft("Other"), 250);

    TunerSettings.WindowHandle = 1111;
    PublishWindowHandle();
    // The companion publishes after tunzo started: a later second start finds it.
    StoreVariant = TStoreVariant::Companion;
    TunerSettings.WindowHandle = 2222;
    PublishWindowHandle();
    EXPECT_EQ(ReadPublishedWindowHandle(), 2222);
}

TEST_F(HiveTest, SaveAlarmAndReload)
{
    InitialiseSettings();
    TunerSettings.AlarmHour = 6;
    TunerSettings.AlarmMinute = 45;
    TunerSettings.AlarmPreset = 12;
    TunerSettings.AlarmActive = true;
    TunerSettings.AlarmWeekdays = "0111110";
    SaveAlarm();
    TunerSettings = TTunerSettings{};
    InitialiseSettings();
    EXPECT_EQ(TunerSettings.AlarmHour, 6);
    EXPECT_EQ(TunerSettings.AlarmMinute, 45);
    EXPECT_EQ(TunerSettings.AlarmPreset, 12);
    EXPECT_TRUE(TunerSettings.AlarmActive);
    EXPECT_EQ(TunerSettings.AlarmWeekdays, "0111110");
    EXPECT_EQ(TunerSettings.AlarmTimeText, "06" + LocaleTimeSeparator() + "45");
}

TEST_F(HiveTest, CompanionVariantUsesItsOwnAlarmNamesAndLeavesVolumeAlone)
{
    StoreVariant = TStoreVariant::Companion;
    InitialiseSettings();  // no key: it is created with the two card values
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(MainKey, false));
        EXPECT_DOUBLE_EQ(reg.ReadFloat("DefaultStation"), 103.3);
        EXPECT_EQ(reg.ReadInteger("IO Port"), 780);
    }

    Plant(MainKey, [](TRegistry& r) {
        r.WriteInteger("Alarm - hour", 7);
        r.WriteInteger("Alarm - minute", 15);
        r.WriteString("Alarm weekdays", std::string(300, '1'));
        r.WriteInteger("Wakeup channel", 9);
        r.WriteBool("Alarm Active", true);
        r.WriteInteger("Hour", 1);
        r.WriteInteger("Volume", 9);
    });
    InitialiseSettings();
    EXPECT_EQ(TunerSettings.AlarmHour, 7);
    EXPECT_EQ(TunerSettings.AlarmMinute, 15);
    EXPECT_EQ(TunerSettings.AlarmWeekdays.size(), 255u);
    EXPECT_EQ(TunerSettings.AlarmPreset, 9);
    EXPECT_TRUE(TunerSettings.AlarmActive);
    EXPECT_EQ(TunerSettings.CardVolume, 4) << "the companion never reads \"Volume\"";

    RawSql("DELETE FROM vals");
    SaveSettings();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(hive.c_str(), &db), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT name FROM vals ORDER BY rowid", -1, &st, nullptr);
    std::vector<std::string> names;
    while (sqlite3_step(st) == SQLITE_ROW)
        names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    sqlite3_close(db);
    ASSERT_EQ(names.size(), 21u);
    EXPECT_EQ(names[1], "DefaultStation");
    EXPECT_EQ(names[2], "Alarm Active");
    EXPECT_EQ(names.back(), "Alarm weekdays");
    EXPECT_EQ(std::count(names.begin(), names.end(), "Volume"), 0);
}

TEST(ClockTime, FieldsAndSeparators)
{
    EXPECT_EQ(FormatClockTime(5, 0, 0, 2, ":"), "05:00");
    EXPECT_EQ(FormatClockTime(9, 9, 9, 3, "."), "09.09.09");
    EXPECT_EQ(FormatClockTime(10, 30, 59, 1, ":"), "10");
    EXPECT_EQ(FormatClockTime(23, 59, 0, 2, ":"), "23:59");

    EXPECT_EQ(TimeSeparatorOf("HH:mm:ss"), ":");
    EXPECT_EQ(TimeSeparatorOf("h:mm AP"), ":");
    EXPECT_EQ(TimeSeparatorOf("H.mm"), ".");
    EXPECT_EQ(TimeSeparatorOf("HH 'h' mm"), " h ");
    EXPECT_EQ(TimeSeparatorOf("mm"), ":");
}
