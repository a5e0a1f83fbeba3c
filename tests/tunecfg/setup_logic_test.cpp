// The setup program's logic against a real store file: what it writes is
// what tunzo's own loaders read back, with the kinds they expect; it writes
// only what changed, checks before writing, and loses nothing when the store
// cannot be written.

#include "SetupFixture.h"

#include "Actions.h"
#include "SetupArguments.h"

#include <cmath>
#include <functional>

namespace {

constexpr int TwoMixerControls = 2;

ScheduledEvent WakeEvent()
{
    ScheduledEvent e = NewScheduledEvent();
    e.Name = "Wake";
    e.Hours = 6;
    e.Minutes = 45;
    e.Weekdays = "0111110";
    e.Action = "PRE:12 VUM";
    return e;
}

}  // namespace

TEST_F(SetupTest, WhatItWritesTunzoReadsBackWithTheKindsItExpects)
{
    SetupState setup = ReadSetup();
    EXPECT_EQ(setup.values.Adapter, 1);
    EXPECT_EQ(setup.values.CardPort, 0x30C);
    EXPECT_EQ(setup.values.PresetScanDelay, 4);
    EXPECT_EQ(setup.values.ShutdownOptions, 3);
    EXPECT_FALSE(std::filesystem::exists(hive)) << "reading makes no store";

    SetupValues& v = setup.values;
    v.Adapter = 5;  // the GemTek: its "IO Port" is the COM number
    v.PortNumber = 2;
    v.CardPort = 2;
    v.TuneStep = 0.5;
    v.FineTuneStep = 0.05;
    v.WideRange = v.TuneToLastStation = v.CycleStations = v.StartMinimized = true;
    v.PresetScanDelay = 9;
    v.IconsWhenShown = IconsBoth;
    v.IconsWhenMinimized = IconsTrayOnly;
    v.ShutdownOptions = 0;
    v.VolumeControl = VolumeOnLineIn;
    v.AuxVolumeControl = 1;
    v.ProgramFolder = folder;
    setup.events.push_back({std::nullopt, WakeEvent(), false});
    ASSERT_EQ(WriteSetup(setup, TwoMixerControls), "");

    InitialiseSettings();
    const TTunerSettings& s = TunerSettings;
    EXPECT_EQ(s.Adapter, 5);
    EXPECT_EQ(s.PortNumber, 2);
    EXPECT_EQ(s.CardPort, 2);
    EXPECT_DOUBLE_EQ(s.TuneStep, 0.5);
    EXPECT_DOUBLE_EQ(s.FineTuneStep, 0.05);
    EXPECT_TRUE(s.WideRange && s.TuneToLastStation && s.CycleStations && s.StartMinimized);
    EXPECT_EQ(s.PresetScanDelay, 9);
    EXPECT_EQ(s.IconsWhenShown, IconsBoth);
    EXPECT_EQ(s.IconsWhenMinimized, IconsTrayOnly);
    EXPECT_EQ(s.ShutdownOptions, 0);
    EXPECT_EQ(s.VolumeControl, VolumeOnLineIn);
    EXPECT_EQ(s.AuxVolumeControl, 1);
    EXPECT_EQ(s.ProgramFolder, folder);
    LoadEvents();
    ASSERT_EQ(EventTable.Count, 1);
    const ScheduledEvent& e = EventTable.Events[0];
    EXPECT_EQ(e.Name, "Wake");
    EXPECT_EQ(e.Hours, 6);
    EXPECT_EQ(e.Minutes, 45);
    EXPECT_EQ(e.DaysOfMonth, -1);
    EXPECT_EQ(e.Weekdays, "0111110");
    EXPECT_EQ(e.Months, "111111111111");
    EXPECT_EQ(e.MonthlyDays, "0:0");
    EXPECT_EQ(e.Action, "PRE:12 VUM");
    EXPECT_TRUE(e.Active);

    // The kinds other programs rely on: floats are 8 bytes of binary,
    // integers and flags DWORDs, texts strings.
    EXPECT_EQ(Stored(MainKey, "Tune step").first, 3);
    EXPECT_EQ(Stored(MainKey, "Tune step").second.size(), 8u);
    EXPECT_EQ(Stored(MainKey, "Adapter"), std::make_pair(4, std::string("\x05\0\0\0", 4)));
    EXPECT_EQ(Stored(MainKey, "IO Port"), std::make_pair(4, std::string("\x02\0\0\0", 4)));
    EXPECT_EQ(Stored(MainKey, "Wide range"), std::make_pair(4, std::string("\x01\0\0\0", 4)));
    EXPECT_EQ(Stored(MainKey, "Display icons"), std::make_pair(1, std::string("20")));
    EXPECT_EQ(Stored(MainKey, "Path"), std::make_pair(1, folder));
    EXPECT_EQ(Stored(WakeKey, "Hours").first, 4);
    EXPECT_EQ(Stored(WakeKey, "Active").first, 4);
    EXPECT_EQ(Stored(WakeKey, "Action").first, 1);

    // Read again, it is what was written, and a save without changes is none.
    const SetupState again = ReadSetup();
    EXPECT_EQ(again.values, setup.values);
    ASSERT_EQ(again.events.size(), 1u);
    EXPECT_FALSE(HasChanges(again));
}

TEST_F(SetupTest, OnlyWhatTheUserChangedIsWrittenOverWhatOthersWroteMeanwhile)
{
    SetupState untouched = ReadSetup();
    EXPECT_EQ(WriteSetup(untouched, TwoMixerControls), "");
    EXPECT_FALSE(std::filesystem::exists(hive)) << "nothing changed, nothing written";

    Plant(MainKey, [](TRegistry& reg) {
        reg.WriteFloat("Tune step", 0.0125);  // finer than the setup program offers
        reg.WriteString("Path", "/opt/old");
        reg.WriteInteger("Adapter", 4);
        reg.WriteInteger("IO Port", 0x350);
    });
    SetupState setup = ReadSetup();
    // The running panel saves, and a scheduler moves the programs, while the
    // setup window is open.
    Plant(MainKey, [](TRegistry& reg) {
        reg.WriteFloat("DefaultStation", 99.9);
        reg.WriteString("Path", "/usr/bin");
    });
    setup.values.WideRange = true;
    setup.values.PortNumber = 2;  // the Aztech's alternative port
    setup.values.CardPort = 0x358;
    ASSERT_EQ(WriteSetup(setup, TwoMixerControls), "");

    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(MainKey, false));
    EXPECT_TRUE(reg.ReadBool("Wide range"));
    EXPECT_EQ(reg.ReadInteger("Port number"), 2);
    EXPECT_EQ(reg.ReadInteger("IO Port"), 0x358);
    EXPECT_EQ(reg.ReadInteger("Adapter"), 4) << "the card's three values go together";
    EXPECT_EQ(reg.ReadString("Path"), "/usr/bin");
    EXPECT_DOUBLE_EQ(reg.ReadFloat("Tune step"), 0.0125);
    EXPECT_DOUBLE_EQ(reg.ReadFloat("DefaultStation"), 99.9);
    EXPECT_FALSE(reg.ValueExists("Cycle stations")) << "a value never changed is not written";
    EXPECT_FALSE(reg.ValueExists("Display icons"));
}

TEST_F(SetupTest, RefusedValuesAndEventsWriteNothing)
{
    PlantEvent(WakeEvent(), 0);
    const std::string before = Dump();
    struct Case {
        const char* refused;
        std::function<void(SetupState&)> change;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"tune step below the range", [](SetupState& s) { s.values.TuneStep = 0.001; }, "tune step must be from"},
        {"fine step not a number", [](SetupState& s) { s.values.FineTuneStep = std::nan(""); }, "fine tune step"},
        {"scan delay 0", [](SetupState& s) { s.values.PresetScanDelay = 0; }, "seconds on each preset"},
        {"adapter 9", [](SetupState& s) { s.values.Adapter = 9; }, "radio cards in the list"},
        {"a V4L2 receiver without a device",
         [](SetupState& s) {
             s.values.Adapter = 7;
             s.values.RadioDevice = "radio0";
         },
         "a full path such as /dev/radio0"},
        {"a port of another card", [](SetupState& s) { s.values.CardPort = 0x350; }, "does not belong"},
        {"a relative folder", [](SetupState& s) { s.values.ProgramFolder = "bin"; }, "full path"},
        {"a missing folder", [](SetupState& s) { s.values.ProgramFolder = "/no/such/folder"; }, "does not exist"},
        {"a mixer control not there", [](SetupState& s) { s.values.AuxVolumeControl = 2; }, "mixer controls"},
        {"icons 3", [](SetupState& s) { s.values.IconsWhenShown = 3; }, "tray icon, taskbar button or both"},
        {"dongle -1", [](SetupState& s) { s.values.SdrDevice = -1; }, "RTL-SDR dongles in the list"},
        {"gain 60 dB", [](SetupState& s) { s.values.SdrGain = 600; }, "gain is automatic or from 0.1 to 50 dB"},
        {"correction 501 ppm", [](SetupState& s) { s.values.SdrFrequencyCorrection = -501; }, "-500 to 500 ppm"},
        {"de-emphasis 60 us", [](SetupState& s) { s.values.Deemphasis = 60; }, "50 or 75 microseconds"},
        {"a name with a trailing blank", [](SetupState& s) { s.events[0].event.Name = "Wake "; }, "blank"},
        {"a name with a backslash", [](SetupState& s) { s.events[0].event.Name = "Wake\\up"; }, "backslash"},
        {"a name taken in other case",
         [](SetupState& s) {
             ScheduledEvent e = WakeEvent();
             e.Name = "WAKE";
             s.events.push_back({std::nullopt, e, false});
         },
         "already an event named"},
        {"an unknown word", [](SetupState& s) { s.events[0].event.Action = "VUP HELLO"; }, "\"HELLO\" is not an action"},
        {"two words run together", [](SetupState& s) { s.events[0].event.Action = "VUPVDN"; }, "not an action"},
        {"WAIT:", [](SetupState& s) { s.events[0].event.Action = "WAIT:5 VUP"; }, "does not carry out WAIT:"},
        {"preset 101", [](SetupState& s) { s.events[0].event.Action = "pre:101"; }, "preset number from 1 to 100"},
        {"preset 0", [](SetupState& s) { s.events[0].event.Action = "PRE:0"; }, "preset number"},
        {"five actions", [](SetupState& s) { s.events[0].event.Action = "VUP VUP VUP VUP VUP"; }, "at most 4 actions"},
        {"no action", [](SetupState& s) { s.events[0].event.Action = "  "; }, "at least one action"},
        {"hour 24", [](SetupState& s) { s.events[0].event.Hours = 24; }, "hour must be"},
        {"day 0", [](SetupState& s) { s.events[0].event.DaysOfMonth = 0; }, "day of the month"},
        {"no month", [](SetupState& s) { s.events[0].event.Months = "000000000000"; }, "at least one month"},
        {"no weekday", [](SetupState& s) { s.events[0].event.Weekdays = "0000000"; }, "at least one day"},
        {"week 6", [](SetupState& s) { s.events[0].event.MonthlyDays = "6:0"; }, "week of the month"},
        {"REC: without minutes", [](SetupState& s) { s.events[0].event.Action = "REC:ab"; }, "minutes to record"},
        {"a latency of 5 ms", [](SetupState& s) { s.values.AudioLatency = 5; }, "latency must be from 20"},
        {"recordings in MP3", [](SetupState& s) { s.values.RecordingFormat = "MP3"; }, "FLAC, Ogg Vorbis or WAV"},
    };
    for (const Case& c : cases) {
        SetupState setup = ReadSetup();
        ASSERT_EQ(setup.events.size(), 1u);
        c.change(setup);
        const std::string problem = WriteSetup(setup, TwoMixerControls);
        EXPECT_NE(problem.find(c.message), std::string::npos) << c.refused << ": " << problem;
        EXPECT_TRUE(HasChanges(setup)) << c.refused << ": the change is kept for the user to mend";
        EXPECT_EQ(Dump(), before) << c.refused;
    }

    // A stored value the setup program would refuse, left alone, does not
    // stop the user's other changes.
    Plant(MainKey, [](TRegistry& reg) { reg.WriteInteger("Preset scan delay", 0); });
    SetupState setup = ReadSetup();
    setup.values.CycleStations = true;
    EXPECT_EQ(WriteSetup(setup, TwoMixerControls), "");
    EXPECT_EQ(Stored(MainKey, "Preset scan delay").second, std::string(4, '\0'));
}

TEST(SetupActionText, WhatItAcceptsTunzoCarriesOutWordForWord)
{
    const std::vector<std::pair<std::string, std::vector<ActionEntry>>> accepted = {
        {"DIE", {{ActionClose, 0}}},
        {"pre:7 vmt", {{ActionTunePreset, 7}, {ActionMute, 0}}},
        {"VUP  VDN VUM PRE:100", {{ActionVolumeUp, 0}, {ActionVolumeDown, 0}, {ActionUnmute, 0}, {ActionTunePreset, 100}}},
        {"PRE:2 REC:90", {{ActionTunePreset, 2}, {ActionRecord, 90}}},
        {"rec: rec:0", {{ActionRecord, RecordUntilStopped}, {ActionRecord, 0}}},
    };
    for (const auto& [text, entries] : accepted) {
        EXPECT_EQ(CheckActionText(text), "") << text;
        ActionList = TActionList{};
        ParseActionString(text);
        ASSERT_EQ(ActionList.Count, static_cast<int8_t>(entries.size())) << text;
        for (size_t i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(ActionList.Entries[i].Code, entries[i].Code) << text;
            if (entries[i].Code == ActionTunePreset || entries[i].Code == ActionRecord) {
                EXPECT_EQ(ActionList.Entries[i].Value, entries[i].Value) << text;
            }
        }
    }
}

TEST_F(SetupTest, EventsRenamedAndRemovedLeaveNoKeyBehindAndKeepWhatTheWindowDoesNotShow)
{
    PlantEvent(WakeEvent(), 2024);
    ScheduledEvent sleep = WakeEvent();
    sleep.Name = "Sleep";
    PlantEvent(sleep, 0);

    SetupState setup = ReadSetup();
    ASSERT_EQ(setup.events.size(), 2u);
    ASSERT_EQ(setup.events[0].event.Name, "Sleep");
    setup.events[0].removed = true;
    setup.events[1].event.Name = "Morning";
    // A new event takes the name the removed one had.
    ScheduledEvent again = WakeEvent();
    again.Name = "sleep";
    setup.events.push_back({std::nullopt, again, false});
    ASSERT_EQ(WriteSetup(setup, TwoMixerControls), "");

    EXPECT_FALSE(KeyExists(WakeKey));
    LoadEvents();
    ASSERT_EQ(EventTable.Count, 2);
    EXPECT_EQ(EventTable.Events[0].Name, "Morning");
    EXPECT_EQ(EventTable.Events[0].Years, 2024) << "a value the window does not show moves with the event";
    EXPECT_EQ(EventTable.Events[1].Name, "sleep");
    EXPECT_EQ(Stored(std::string(EventsKey) + "\\sleep", "Years").second, std::string(4, '\0'))
        << "the removed event's values are gone with its key";
}

TEST_F(SetupTest, OddEventKeysAreListedAsThePanelReadsThemAndEditedWhereTheyAre)
{
    // Written by another program: a name with blanks at its ends, a stray
    // key below a name without a row of its own, a malformed event.
    const std::string events = EventsKey;
    Plant(events + "\\ Wake ", [](TRegistry& r) { r.WriteInteger("Hours", 6); });
    Plant(events + "\\Broken", [](TRegistry& r) { r.WriteString("Minutes", "five"); });
    RawSql("INSERT INTO keys (path) VALUES ('SOFTWARE\\Velmar\\Tunzo\\Events\\Aaa\\Sub')");

    SetupState setup = ReadSetup();
    std::vector<std::string> listed;
    for (const SetupEvent& e : setup.events)
        listed.push_back(e.event.Name);
    EXPECT_EQ(listed, (std::vector<std::string>{"Wake", "Aaa"})) << "the list the panel carries out";

    setup.events[0].event.Hours = 8;
    ASSERT_EQ(WriteSetup(setup, TwoMixerControls), "");
    EXPECT_EQ(Stored(events + "\\ Wake ", "Hours").second, std::string("\x08\0\0\0", 4)) << "edited where it is";
    EXPECT_FALSE(KeyExists(events + "\\Wake")) << "not copied under a name of its own";
}

TEST_F(SetupTest, AStoreThatCannotBeWrittenGetsNothingAndTheChangesAreKept)
{
    Plant(MainKey, [](TRegistry& reg) { reg.WriteInteger("Adapter", 1); });
    PlantEvent(WakeEvent(), 0);
    const std::string before = Dump();
    SetupState setup = ReadSetup();
    setup.values.WideRange = true;
    setup.events[0].removed = true;

    HoldWriteLock();
    const std::string problem = WriteSetup(setup, TwoMixerControls);
    ReleaseWriteLock();
    EXPECT_EQ(problem, RegistryWriteErrorText(MainKey));
    EXPECT_EQ(Dump(), before);
    EXPECT_TRUE(HasChanges(setup));

    ASSERT_EQ(WriteSetup(setup, TwoMixerControls), "");
    EXPECT_FALSE(KeyExists(WakeKey));
    EXPECT_EQ(Stored(MainKey, "Wide range").second, std::string("\x01\0\0\0", 4));
}

TEST_F(SetupTest, ReadingAStoreWithoutSettingsGivesWhatAFirstStartLoadsAndMakesNothing)
{
    TTunerSettings read;
    AssignInitialValues(read);
    ReadSettings(read);
    EXPECT_FALSE(std::filesystem::exists(hive));

    AssignInitialValues(TunerSettings);
    LoadSettings();  // a first start: makes the key, loads the defaults
    EXPECT_EQ(SetupValuesOf(read), SetupValuesOf(TunerSettings));
    EXPECT_EQ(read.AlarmWeekdays, TunerSettings.AlarmWeekdays);
}

TEST(SetupArguments, HelpAndUnknownOptions)
{
    EXPECT_TRUE(ParseEarlySetupArguments({"--events", "--help"}).help);
    EXPECT_TRUE(ParseSetupArguments({"--events"}).eventsPage);
    EXPECT_EQ(ParseSetupArguments({"--events"}).error, "");
    EXPECT_NE(ParseSetupArguments({"--adapter=3"}).error.find("unknown option '--adapter=3'"), std::string::npos);
    EXPECT_NE(SetupHelpText().find("--events"), std::string::npos);
}
