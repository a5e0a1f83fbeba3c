#include <chrono>

#include "HiveFixture.h"

using namespace std::chrono;

namespace {

void StorePreset(int slot, double frequency, const char* name = nullptr, int include = -1)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(PresetKey(slot), true));
    reg.WriteFloat("Frequency", frequency);
    if (name)
        reg.WriteString("Station name", name);
    if (include >= 0)
        reg.WriteBool("Include in preset scan", include == 1);
    reg.CloseKey();
}

ScheduledEvent ArmedEvent()
{
    ScheduledEvent e;
    e.Active = true;
    e.Hours = 7;
    e.Minutes = 30;
    e.Weekdays = "0111110";  // Monday to Friday
    e.MonthlyDays = "0:0";
    e.DaysOfMonth = -1;
    e.Months = "111111111111";
    return e;
}

}  // namespace

TEST_F(HiveTest, PresetsLoadFromTheLowerBandLimitUp)
{
    StorePreset(1, 87.0, "Exact", 0);
    StorePreset(2, 86.9, "Below");
    StorePreset(3, 150.0, "High");
    StorePreset(4, 99.1, "No flag");
    StorePreset(5, 95.0);             // no name
    StorePreset(6, 0.0, " ", 1);      // cleared from the panel
    StorePreset(7, 80.0, "Wide");

    InitialiseSettings();
    EXPECT_DOUBLE_EQ(Presets[0].Frequency, 87.0);
    EXPECT_EQ(Presets[0].StationName, "Exact");
    EXPECT_FALSE(Presets[0].IncludeInScan);
    EXPECT_DOUBLE_EQ(Presets[1].Frequency, 0.0);
    EXPECT_EQ(Presets[1].StationName, "");
    EXPECT_DOUBLE_EQ(Presets[2].Frequency, 150.0) << "the upper limit is not checked";
    EXPECT_TRUE(Presets[3].IncludeInScan) << "a missing flag means included";
    EXPECT_DOUBLE_EQ(Presets[4].Frequency, 95.0);
    EXPECT_EQ(Presets[4].StationName, "");
    EXPECT_DOUBLE_EQ(Presets[5].Frequency, 0.0);
    EXPECT_EQ(Presets[5].StationName, "");
    EXPECT_FALSE(Presets[7].IncludeInScan) << "a slot never stored";
    EXPECT_DOUBLE_EQ(Presets[6].Frequency, 0.0);

    Plant(MainKey, [](TRegistry& r) { r.WriteBool("Wide range", true); });
    // A slot whose key has gone keeps what it held.
    RawSql("DELETE FROM keys WHERE path LIKE '%Presets\\4'; DELETE FROM vals WHERE key NOT IN (SELECT id FROM keys);");
    InitialiseSettings();
    EXPECT_DOUBLE_EQ(Presets[1].Frequency, 86.9);
    EXPECT_DOUBLE_EQ(Presets[6].Frequency, 80.0);
    EXPECT_DOUBLE_EQ(Presets[3].Frequency, 99.1);
}

TEST_F(HiveTest, PresetSavesRoundTripAndBadKindsStopTheLoad)
{
    SavePreset(10, "Radio Ten", false, 100.0);
    SavePreset(0, "nowhere", true, 90.0);
    SavePreset(101, "nowhere", true, 90.0);
    InitialiseSettings();
    EXPECT_DOUBLE_EQ(Presets[9].Frequency, 100.0);
    EXPECT_EQ(Presets[9].StationName, "Radio Ten");
    EXPECT_FALSE(Presets[9].IncludeInScan);
    TRegistry probe;
    EXPECT_FALSE(probe.OpenKey(PresetKey(0), false));

    // The companion ignores the flag and cuts long names.
    Presets = {};
    StorePreset(11, 101.0, std::string(300, 'n').c_str(), 1);
    StoreVariant = TStoreVariant::Companion;
    InitialiseSettings();
    EXPECT_EQ(Presets[10].StationName.size(), 255u);
    EXPECT_FALSE(Presets[10].IncludeInScan);
    StoreVariant = TStoreVariant::Tunzo;
    // So does tunzo, at a character's start: 200 two-byte letters keep 127.
    Presets = {};
    std::string accents;
    for (int i = 0; i < 200; ++i)
        accents += "\xC3\xA9";
    StorePreset(11, 101.0, accents.c_str(), 1);
    InitialiseSettings();
    EXPECT_EQ(Presets[10].StationName, accents.substr(0, 254));

    Presets = {};
    Plant(PresetKey(3), [](TRegistry& r) { r.WriteString("Frequency", "97.0"); });
    try {
        InitialiseSettings();
        ADD_FAILURE() << "no error raised";
    } catch (const ERegistryException& e) {
        EXPECT_STREQ(e.what(), "Invalid data type for 'Frequency'");
    }
    EXPECT_DOUBLE_EQ(Presets[9].Frequency, 0.0) << "slots after the bad one are not loaded";
}

TEST_F(HiveTest, EventsLoadInNameOrderAndKeepMissingFields)
{
    Plant(std::string(EventsKey) + "\\Morning", [](TRegistry& r) {
        r.WriteInteger("Hours", 7);
        r.WriteInteger("Minutes", 30);
        r.WriteString("Weekdays", "0111110");
        r.WriteString("Months", "111111111111");
        r.WriteInteger("Days of month", -1);
        r.WriteString("Monthly days", "0:0");
        r.WriteString("Action", "PRE:3 VUP");
        r.WriteBool("Active", true);
        r.WriteInteger("Every X days", 0);
    });
    Plant(std::string(EventsKey) + "\\alarm", [](TRegistry& r) { r.WriteInteger("Hours", 6); });
    EventTable.Events[0].Fired = true;
    EventTable.Events[1].Duration = 99;

    LoadEvents();
    ASSERT_EQ(EventTable.Count, 2);
    EXPECT_EQ(EventTable.Events[0].Name, "alarm") << "name order ignores case";
    EXPECT_EQ(EventTable.Events[0].Hours, 6);
    EXPECT_TRUE(EventTable.Events[0].Fired) << "fired flags belong to the front panel";
    EXPECT_EQ(EventTable.Events[1].Name, "Morning");
    EXPECT_EQ(EventTable.Events[1].Action, "PRE:3 VUP");
    EXPECT_EQ(EventTable.Events[1].Duration, 99) << "a missing value keeps the field";
    EXPECT_TRUE(EventDue(EventTable.Events[1], 7, 30, 2, year{2026} / 12 / 7));

    // A listed subkey known only from a deeper key written without the one
    // between is an event without values; the others load as before.
    RawSql("INSERT INTO keys (path) VALUES ('SOFTWARE\\Velmar\\Tunzo\\Events\\Broken\\Inner')");
    LoadEvents();
    EXPECT_EQ(EventTable.Count, 3);

    // A value of another kind leaves out its own event only.
    Plant(std::string(EventsKey) + "\\Wrong", [](TRegistry& r) { r.WriteString("Hours", "7"); });
    RawSql("DELETE FROM keys WHERE path LIKE '%Broken%'");
    EXPECT_NO_THROW(LoadEvents());
    ASSERT_EQ(EventTable.Count, 2);
    EXPECT_EQ(EventTable.Events[1].Name, "Morning");
}

TEST_F(HiveTest, MoreEventKeysThanTheTableHoldsLoadTheFirst56)
{
    std::string sql = "INSERT INTO keys (path) VALUES ('SOFTWARE\\Velmar\\Tunzo\\Events')";
    for (int i = 0; i < 130; ++i)
        sql += ", ('SOFTWARE\\Velmar\\Tunzo\\Events\\E" + std::to_string(1000 + i) + "')";
    Plant(MainKey, [](TRegistry&) {});
    RawSql(sql);
    LoadEvents();
    ASSERT_EQ(EventTable.Count, EventCapacity);
    EXPECT_EQ(EventTable.Events[0].Name, "E1000");
    EXPECT_EQ(EventTable.Events[55].Name, "E1055");
}

TEST_F(HiveTest, EventKeysReadTheSameFromASnapshotAsFromTheHive)
{
    // Keys as other programs may leave them: deeper keys without the one
    // between, names that sort between "Night" and "Night\", another case,
    // a sibling key whose name starts like the events key, and paths holding
    // a zero byte, which SQLite's index orders as if they ended there.
    const std::string events = EventsKey;
    Plant(events + "\\Night", [](TRegistry& r) { r.WriteInteger("Hours", 22); });
    Plant(events + "\\Night2", [](TRegistry& r) { r.WriteString("Action", "MUTE"); });
    Plant(events + "2\\Elsewhere", [](TRegistry& r) { r.WriteInteger("Hours", 1); });
    RawSql("INSERT INTO keys (path) VALUES ('SOFTWARE\\Velmar\\Tunzo\\Events\\Night\\Inner'),"
           " ('SOFTWARE\\Velmar\\Tunzo\\EVENTS\\dawn\\a\\b'), ('SOFTWARE\\Velmar\\Tunzo\\Events\\Night-'),"
           " ('SOFTWARE\\Velmar\\Tunzo\\Events\\Trail\\')");
    const std::string odd = std::string(MainKey) + "\\Odd\\";
    const std::vector<std::string> zeroed = {odd + std::string("a\0zz", 4), odd + std::string("a\0b", 3),
                                             odd + std::string("a\0aaaa", 6), odd + std::string("a\0ccccc", 7)};
    for (const std::string& key : zeroed)
        Plant(key, [](TRegistry& r) { r.WriteInteger("Hours", 5); });

    auto names = [] {
        TRegistry reg;
        EXPECT_TRUE(reg.OpenKey(EventsKey, false));
        TRegKeyInfo info;
        EXPECT_TRUE(reg.GetKeyInfo(info));
        EXPECT_EQ(info.NumSubKeys, static_cast<int32_t>(reg.GetKeyNames().size()));
        return reg.GetKeyNames();
    };
    auto hours = [](const std::string& key) {
        TRegistry reg;
        return reg.OpenKey(key, false) && reg.ValueExists("Hours") ? reg.ReadInteger("Hours") : -1;
    };
    const std::vector<std::string> fromHive = names();
    ASSERT_EQ(fromHive, (std::vector<std::string>{"dawn", "Night", "Night-", "Night2", "Trail"}));
    for (const char* root : {EventsKey, MainKey}) {
        SCOPED_TRACE(root);
        TRegistryReadScope snapshot(root);
        EXPECT_EQ(names(), fromHive);
        EXPECT_EQ(hours(events + "\\night"), 22);
        EXPECT_EQ(hours(events + "\\Night2"), -1);
        EXPECT_EQ(hours(events + "\\dawn"), -1) << "listed, but never made";
        for (const std::string& key : zeroed)
            EXPECT_EQ(hours(key), 5);
        // The sibling is outside the snapshot, and read from the hive.
        EXPECT_EQ(hours(events + "2\\Elsewhere"), 1);
    }
}

TEST(Schedule, EventDueFollowsEveryRuleAcrossMonthsAndWeeks)
{
    AssignInitialValues(TunerSettings);
    struct Row {
        const char* what;
        std::function<void(ScheduledEvent&)> change;
        int hour, minute, weekday;
        year_month_day date;
        bool due;
    };
    const year_month_day monday = year{2026} / 12 / 7;
    const std::vector<Row> rows = {
        {"as armed", [](ScheduledEvent&) {}, 7, 30, 2, monday, true},
        {"inactive", [](ScheduledEvent& e) { e.Active = false; }, 7, 30, 2, monday, false},
        {"already fired", [](ScheduledEvent& e) { e.Fired = true; }, 7, 30, 2, monday, false},
        {"other minute", [](ScheduledEvent&) {}, 7, 31, 2, monday, false},
        {"every hour at :00, 13:00", [](ScheduledEvent& e) { e.Hours = -1; e.Minutes = 0; }, 13, 0, 2, monday, true},
        {"every hour at :00, 13:01", [](ScheduledEvent& e) { e.Hours = -1; e.Minutes = 0; }, 13, 1, 2, monday, false},
        {"Sunday not marked", [](ScheduledEvent&) {}, 7, 30, 1, year{2026} / 12 / 6, false},
        {"every day ignores the mask", [](ScheduledEvent& e) { e.EveryXDays = 1; }, 7, 30, 1, year{2026} / 12 / 6, true},
        {"short weekday mask", [](ScheduledEvent& e) { e.Weekdays = "01"; }, 7, 30, 7, monday, false},
        {"day of month matches", [](ScheduledEvent& e) { e.DaysOfMonth = 7; }, 7, 30, 2, monday, true},
        {"day of month differs", [](ScheduledEvent& e) { e.DaysOfMonth = 8; }, 7, 30, 2, monday, false},
        {"December unmarked", [](ScheduledEvent& e) { e.Months = "111111111110"; }, 7, 30, 2, monday, false},
        {"months text too short", [](ScheduledEvent& e) { e.Months = "1111"; }, 7, 30, 2, monday, false},
        {"first-week rule on the 7th", [](ScheduledEvent& e) { e.MonthlyDays = "1:2"; }, 7, 30, 2, monday, true},
        {"second-week rule on the 7th", [](ScheduledEvent& e) { e.MonthlyDays = "2:2"; }, 7, 30, 2, monday, false},
        {"second-week rule on the 14th", [](ScheduledEvent& e) { e.MonthlyDays = "2:2"; }, 7, 30, 2,
         year{2026} / 12 / 14, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ScheduledEvent e = ArmedEvent();
        row.change(e);
        EXPECT_EQ(EventDue(e, row.hour, row.minute, row.weekday, row.date), row.due);
    }
}

TEST(Schedule, MonthlyDayRule)
{
    AssignInitialValues(TunerSettings);
    EXPECT_TRUE(MonthlyDayMatches("0:0", 3, 17));
    EXPECT_TRUE(MonthlyDayMatches("5:1", 1, 25));
    EXPECT_TRUE(MonthlyDayMatches("5:1", 1, 31));
    EXPECT_FALSE(MonthlyDayMatches("5:1", 1, 24));
    EXPECT_TRUE(MonthlyDayMatches("5:1", 2, 22)) << "February is always 28 days";
    EXPECT_FALSE(MonthlyDayMatches("5:1", 4, 23));
    EXPECT_TRUE(MonthlyDayMatches("5:1", 4, 24));
    for (int day = 1; day <= 31; ++day)
        EXPECT_EQ(MonthlyDayMatches("4:3", 6, day), day >= 22 && day <= 28) << day;
    EXPECT_TRUE(MonthlyDayMatches("1", 6, 0)) << "a day outside 1..31 counts as week 1";
    EXPECT_FALSE(MonthlyDayMatches("", 6, 3));
    EXPECT_FALSE(MonthlyDayMatches("0:1", 6, 3));
}

TEST(Actions, CommandLinesAndActionTexts)
{
    StoreVariant = TStoreVariant::Tunzo;
    struct Entry {
        ActionCode code;
        int32_t value;
    };
    struct Row {
        const char* what;
        std::vector<std::string> arguments;  // empty: parse `text` instead
        std::string text;
        std::vector<Entry> entries;  // value checked for the codes that carry one
    };
    const std::vector<Row> rows = {
        {"preset and volume", {"pre:12", "vup"}, "", {{ActionTunePreset, 12}, {ActionVolumeUp, 0}}},
        {"unknown words are skipped", {"hello", "vmt"}, "", {{ActionMute, 0}}},
        {"the later keyword wins", {"VUPVDN"}, "", {{ActionVolumeDown, 0}}},
        {"the table order decides, not the word order", {"VDNVUP"}, "", {{ActionVolumeDown, 0}}},
        {"four digits after PRE:", {"PRE:1234567"}, "", {{ActionTunePreset, 1234}}},
        {"PRE: and DIE in one word: the later code wins", {"PRE:0007DIE"}, "", {{ActionTunePreset, 7}}},
        {"WAIT: is never recognised", {}, "WAIT:5 VUP", {{ActionVolumeUp, 0}}},
        {"one character", {}, "V", {}},
        {"repeated blanks", {}, "  VMT   VUM ", {{ActionMute, 0}, {ActionUnmute, 0}}},
        {"PRE: without a number", {"PRE:", "PRE:ab", "vum"}, "", {{ActionUnmute, 0}}},
        {"PRE: without a number, then a keyword", {"PRE:xVUP"}, "", {{ActionVolumeUp, 0}}},
        {"a fifth word is dropped", {"vup", "vdn", "vmt", "vum", "die"}, "",
         {{ActionVolumeUp, 0}, {ActionVolumeDown, 0}, {ActionMute, 0}, {ActionUnmute, 0}}},
        {"event text beyond four", {}, "DIE VUP VUP VUP PRE:3",
         {{ActionClose, 0}, {ActionVolumeUp, 0}, {ActionVolumeUp, 0}, {ActionVolumeUp, 0}}},
        {"a timed recording", {}, "rec:30 VUP", {{ActionRecord, 30}, {ActionVolumeUp, 0}}},
        {"REC:0 stops", {"REC:0"}, "", {{ActionRecord, 0}}},
        {"REC: alone records until stopped", {"REC:"}, "", {{ActionRecord, RecordUntilStopped}}},
        {"REC: with what is not minutes", {"REC:ab", "REC:-5", "vmt"}, "", {{ActionMute, 0}}},
        {"four digits after REC:", {"REC:123456"}, "", {{ActionRecord, 1234}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ActionList = TActionList{};
        ActionList.Entries[4].Code = ActionMute;  // beyond tunzo's four: must stay
        if (row.arguments.empty())
            ParseActionString(row.text);
        else
            ParseCommandLine(row.arguments);
        ASSERT_EQ(ActionList.Count, static_cast<int8_t>(row.entries.size()));
        for (size_t i = 0; i < row.entries.size(); ++i) {
            EXPECT_EQ(ActionList.Entries[i].Code, row.entries[i].code) << "entry " << i + 1;
            if (row.entries[i].code == ActionTunePreset || row.entries[i].code == ActionRecord) {
                EXPECT_EQ(ActionList.Entries[i].Value, row.entries[i].value);
            }
        }
        EXPECT_EQ(ActionList.Entries[4].Code, ActionMute);
    }

    // Only code 1 sets the value; a re-parse starts again at entry 1.
    ParseCommandLine({"pre:42"});
    ParseCommandLine({"vup"});
    EXPECT_EQ(ActionList.Count, 1);
    EXPECT_EQ(ActionList.Entries[0].Value, 42);

    StoreVariant = TStoreVariant::Companion;
    ParseCommandLine(std::vector<std::string>(12, "vmt"));
    EXPECT_EQ(ActionList.Count, 10);
    StoreVariant = TStoreVariant::Tunzo;

    EXPECT_EQ(ActionVocabulary[1].Keyword, "PRE:");
    EXPECT_EQ(ActionVocabulary[6].ParameterKind, 2);
}
