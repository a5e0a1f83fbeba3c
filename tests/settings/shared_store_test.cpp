// The hive as other programs leave it while this one runs: values changed
// behind its back, keys written without the ones above them, odd event keys,
// frequencies that are none. Another program is a real process here.

#include <cmath>
#include <functional>
#include <limits>
#include <sys/wait.h>
#include <unistd.h>

#include "HiveFixture.h"

namespace {

// Runs `work` in a child process, as another program writing the hive would.
void AsAnotherProgram(const std::function<void()>& work)
{
    const pid_t pid = fork();
    if (pid == 0) {
        int code = 0;
        try {
            work();
        } catch (const std::exception& e) {
            fprintf(stderr, "other program: %s\n", e.what());
            code = 1;
        }
        _exit(code);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

void PlantUsersSettings()
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(MainKey, true));
    reg.WriteFloat("DefaultStation", 94.2);
    reg.WriteFloat("Tune step", 1.0);
    reg.WriteInteger("Preset scan delay", 4);
    reg.WriteInteger("Shutdown options", 3);
    reg.CloseKey();
}

// What the setup program does while this program runs.
void SetupProgramChangesSettings()
{
    TRegistry reg;
    if (!reg.OpenKey(MainKey, true))
        throw std::runtime_error("main key");
    reg.WriteFloat("Tune step", 0.5);
    reg.WriteInteger("Preset scan delay", 9);
    reg.WriteInteger("Shutdown options", 1);
    reg.CloseKey();
    SavePreset(7, "Seven", true, 97.7);
}

using Writer = std::function<void(TRegistry&)>;

constexpr double NotANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double Infinity = std::numeric_limits<double>::infinity();

}  // namespace

TEST_F(HiveTest, AMalformedValueCostsOnlyItselfIsReportedOnceAndIsNeverSavedOver)
{
    struct ErrorRow {
        const char* name;
        Writer stored;
        std::string text;
    };
    const std::vector<ErrorRow> rows = {
        {"DefaultStation", [](TRegistry& r) { r.WriteInteger("DefaultStation", 1); }, "Invalid data type for 'DefaultStation'"},
        {"Tune step", [](TRegistry& r) { r.WriteInteger("Tune step", 5); }, "Invalid data type for 'Tune step'"},
        {"Adapter", [](TRegistry& r) { r.WriteFloat("Adapter", 3.0); }, "Invalid data type for 'Adapter'"},
        {"Path", [](TRegistry& r) { r.WriteInteger("Path", 5); }, "Invalid data type for 'Path'"},
        {"Display icons", [](TRegistry& r) { r.WriteString("Display icons", "1x"); }, "'x' is not a valid integer value"},
    };
    for (const ErrorRow& row : rows) {
        SCOPED_TRACE(row.text);
        std::filesystem::remove(hive);
        TunerSettings = TTunerSettings{};
        // Another program wrote the user's values, one of them malformed.
        Plant(MainKey, [](TRegistry& r) {
            r.WriteInteger("Port number", 2);         // read before every failing value
            r.WriteInteger("Preset scan delay", 9);   // read after all of them
            r.WriteInteger("Shutdown options", 1);
            r.WriteBool("Always on top", true);
            r.WriteBool("Cycle stations", true);
        });
        Plant(MainKey, row.stored);
        const std::string malformed = StoredRow(MainKey, row.name);
        CapturedStderr reports;
        AssignInitialValues(TunerSettings);
        EXPECT_NO_THROW(LoadSettings());
        EXPECT_NO_THROW(LoadSettings());
        EXPECT_EQ(CountOf(reports.Text(), row.text), 1u) << "reported once, with its text";
        EXPECT_EQ(TunerSettings.PortNumber, 2);
        EXPECT_EQ(TunerSettings.PresetScanDelay, 9) << "values after the malformed one are read";
        EXPECT_EQ(TunerSettings.ShutdownOptions, 1);
        EXPECT_TRUE(TunerSettings.AlwaysOnTop);
        EXPECT_TRUE(TunerSettings.CycleStations);

        // The save at exit: nothing the user had is replaced by a start-up value.
        SaveSettings();
        EXPECT_EQ(StoredRow(MainKey, "Preset scan delay"), "4|09000000");
        EXPECT_EQ(StoredRow(MainKey, "Shutdown options"), "4|01000000");
        EXPECT_EQ(StoredRow(MainKey, "Always on top"), "4|01000000");
        EXPECT_EQ(StoredRow(MainKey, "Cycle stations"), "4|01000000");
        EXPECT_EQ(StoredRow(MainKey, row.name), malformed) << "a value that was not read is not written back";
    }
}

TEST_F(HiveTest, ASaveKeepsWhatAnotherProgramChangedMeanwhile)
{
    // For both programs that save at their end: the panel and the companion.
    for (TStoreVariant variant : {TStoreVariant::Tunzo, TStoreVariant::Companion}) {
        SCOPED_TRACE(variant == TStoreVariant::Tunzo ? "tunzo" : "pipit");
        std::filesystem::remove(hive);
        StoreVariant = variant;
        PlantUsersSettings();
        InitialiseSettings();
        AsAnotherProgram(SetupProgramChangesSettings);
        TunerSettings.CurrentFrequency = 101.1;  // this program's own change
        SaveSettings();

        EXPECT_EQ(StoredRow(MainKey, "Tune step"), "3|000000000000E03F") << "0.5 as the setup program left it";
        EXPECT_EQ(StoredRow(MainKey, "Preset scan delay"), "4|09000000");
        EXPECT_EQ(StoredRow(MainKey, "Shutdown options"), "4|01000000");
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(MainKey, false));
        EXPECT_DOUBLE_EQ(reg.ReadFloat("DefaultStation"), 101.1);
        EXPECT_DOUBLE_EQ(TunerSettings.TuneStep, 0.5) << "what the save found is what the program goes on with";
        EXPECT_EQ(TunerSettings.PresetScanDelay, 9);
    }
}

TEST_F(HiveTest, AnotherProgramsChangeIsNoticedAndReadBeforeItIsActedOn)
{
    PlantUsersSettings();
    InitialiseSettings();
    EXPECT_FALSE(StoreChangedElsewhere());
    SaveSettings();
    EXPECT_FALSE(StoreChangedElsewhere()) << "this program's own writes are no news";

    TunerSettings.CurrentFrequency = 101.1;
    TunerSettings.ShutdownOptions = 0;  // changed here as well: this program's stands
    AsAnotherProgram(SetupProgramChangesSettings);
    ASSERT_TRUE(StoreChangedElsewhere());
    RefreshSettings();
    EXPECT_FALSE(StoreChangedElsewhere());
    EXPECT_DOUBLE_EQ(TunerSettings.TuneStep, 0.5);
    EXPECT_EQ(TunerSettings.PresetScanDelay, 9);
    EXPECT_DOUBLE_EQ(Presets[6].Frequency, 97.7);
    EXPECT_EQ(Presets[6].StationName, "Seven");
    EXPECT_DOUBLE_EQ(TunerSettings.CurrentFrequency, 101.1);
    EXPECT_EQ(TunerSettings.ShutdownOptions, 0);
    SaveSettings();
    EXPECT_EQ(StoredRow(MainKey, "Shutdown options"), "4|00000000");
    EXPECT_EQ(StoredRow(MainKey, "Preset scan delay"), "4|09000000");
}

TEST_F(HiveTest, AKeyExistsWhenOnlyAKeyBelowItWasWritten)
{
    // Another program's writer added only the leaf rows.
    RawSql("CREATE TABLE keys (id INTEGER PRIMARY KEY, path TEXT NOT NULL UNIQUE COLLATE NOCASE);"
           "CREATE TABLE vals (key INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE,"
           " name TEXT NOT NULL COLLATE NOCASE, kind INTEGER NOT NULL, data BLOB NOT NULL, PRIMARY KEY (key, name));"
           "INSERT INTO keys (id, path) VALUES (1, 'SOFTWARE\\Velmar\\Tunzo\\Presets\\7'),"
           " (2, 'SOFTWARE\\Velmar\\Tunzo\\Events\\Wake');"
           "INSERT INTO vals VALUES (1, 'Frequency', 3, x'CDCCCCCCCC6C5840'), (1, 'Station name', 1, CAST('Seven' AS BLOB)),"
           " (2, 'Hours', 4, x'07000000'), (2, 'Active', 4, x'01000000');");
    InitialiseSettings();
    EXPECT_DOUBLE_EQ(Presets[6].Frequency, 97.7);
    EXPECT_EQ(Presets[6].StationName, "Seven");
    LoadEvents();
    ASSERT_EQ(EventTable.Count, 1);
    EXPECT_EQ(EventTable.Events[0].Name, "Wake");
    EXPECT_EQ(EventTable.Events[0].Hours, 7);
    EXPECT_TRUE(EventTable.Events[0].Active);

    for (const char* key : {"SOFTWARE", "SOFTWARE\\Velmar", EventsKey, "software\\velmar\\tunzo\\presets"}) {
        SCOPED_TRACE(key);
        TRegistry reg;
        EXPECT_TRUE(reg.OpenKey(key, false));
        EXPECT_FALSE(reg.ValueExists("Frequency"));
        const TRegistryReadScope snapshot(key);
        TRegistry held;
        EXPECT_TRUE(held.OpenKey(key, false)) << "the same from a snapshot";
    }
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKey("SOFTWARE\\Velmar\\Tunz", false)) << "a name that only starts like one is not one";
}

TEST_F(HiveTest, AFrequencyThatIsNoneCountsAsMissing)
{
    struct Row {
        const char* name;
        double stored;
        double TTunerSettings::*field;
        double initial;
    };
    const std::vector<Row> rows = {
        {"DefaultStation", NotANumber, &TTunerSettings::CurrentFrequency, 103.3},
        {"DefaultStation", Infinity, &TTunerSettings::CurrentFrequency, 103.3},
        {"DefaultStation", 1e300, &TTunerSettings::CurrentFrequency, 103.3},
        {"DefaultStation", -Infinity, &TTunerSettings::CurrentFrequency, 103.3},
        {"Tune step", NotANumber, &TTunerSettings::TuneStep, 1.0},
        {"Fine tune step", NotANumber, &TTunerSettings::FineTuneStep, 0.1},
        {"Fine tune step", -1e300, &TTunerSettings::FineTuneStep, 0.1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.name) + " " + std::to_string(row.stored));
        std::filesystem::remove(hive);
        Plant(MainKey, [&](TRegistry& r) {
            r.WriteFloat(row.name, row.stored);
            r.WriteInteger("Preset scan delay", 9);
        });
        CapturedStderr reports;
        TunerSettings = TTunerSettings{};
        InitialiseSettings();
        InitialiseSettings();
        EXPECT_DOUBLE_EQ(TunerSettings.*row.field, row.initial);
        EXPECT_EQ(TunerSettings.PresetScanDelay, 9);
        EXPECT_EQ(CountOf(reports.Text(), std::string("'") + row.name + "'"), 1u) << "reported once";
        // Missing, so the next save stores a frequency that is one.
        SaveSettings();
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(MainKey, false));
        EXPECT_DOUBLE_EQ(reg.ReadFloat(row.name), row.initial);
    }

    // A preset's frequency likewise: the slot stays empty.
    for (double stored : {Infinity, 1e300, NotANumber}) {
        Presets = {};
        Plant(PresetKey(2), [&](TRegistry& r) {
            r.WriteFloat("Frequency", stored);
            r.WriteString("Station name", "Nowhere");
        });
        InitialiseSettings();
        EXPECT_DOUBLE_EQ(Presets[1].Frequency, 0.0) << stored;
        EXPECT_EQ(Presets[1].StationName, "") << stored;
    }
}

TEST_F(HiveTest, AnOddEventKeyCostsOnlyItself)
{
    const std::string events = EventsKey;
    auto armed = [](TRegistry& r) {
        r.WriteInteger("Hours", 7);
        r.WriteBool("Active", true);
    };
    Plant(events + "\\Morning", armed);
    Plant(events + "\\ Wake", armed);    // a leading blank
    Plant(events + "\\Trail ", armed);   // a trailing one
    Plant(events + "\\Broken", [](TRegistry& r) { r.WriteString("Hours", "7"); });
    // A stray key under a listed name that has no row of its own.
    RawSql("INSERT INTO keys (path) VALUES ('SOFTWARE\\Velmar\\Tunzo\\Events\\Aaa\\Sub')");

    CapturedStderr reports;
    LoadEvents();
    std::vector<std::string> names;
    for (int i = 0; i < EventTable.Count; ++i) {
        const ScheduledEvent& e = EventTable.Events[static_cast<size_t>(i)];
        names.push_back(e.Name);
        if (e.Name != "Aaa") {
            EXPECT_EQ(e.Hours, 7) << e.Name;
            EXPECT_TRUE(e.Active) << e.Name;
        }
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Wake", "Aaa", "Morning", "Trail"}));
    EXPECT_EQ(EventTable.Events[0].KeyName, " Wake");
    EXPECT_NE(reports.Text().find("'Broken'"), std::string::npos) << "the left-out event is reported";
}
