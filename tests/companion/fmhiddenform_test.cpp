// pipit's companion object in this process, offscreen, with a tray that
// records what it is shown: the start without a tray, the icon's left click,
// the menu's checks, the commands that change the store or start tunzo, and
// "DIE" on the command line.

#include "Actions.h"
#include "AuxMixer.h"
#include "AuxVolume.h"
#include "CompanionMenu.h"
#include "FmHiddenForm.h"
#include "InstanceLock.h"
#include "PortAccess.h"
#include "Presets.h"
#include "RadioDriver.h"
#include "RecordingPorts.h"
#include "RuntimeDirectory.h"
#include "SettingsStore.h"
#include "SimulatedCard.h"
#include "StationNameFile.h"
#include "TunzoResources.h"
#include "UseSimulatedCard.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class RecordingTray : public TrayShell {
public:
    bool Add(const NotifyIconData& d) override { return Record(d) && desktopHasTray; }
    bool Modify(const NotifyIconData& d) override { return Record(d); }
    bool Remove(const NotifyIconData&) override
    {
        removed = true;
        return true;
    }
    bool Shows(const char* resource) const
    {
        return !icon.isNull() &&
               icon.pixmap(16).toImage() == QPixmap::fromImage(ProgramPicture(resource)).toImage();
    }
    // The desktop reports a mouse message on the icon.
    void Mouse(TrayMouseMessage message) { callback(message); }

    QIcon icon;
    QString tip;
    bool desktopHasTray = true;
    bool removed = false;
    std::function<void(TrayMouseMessage)> callback;

private:
    bool Record(const NotifyIconData& d)
    {
        icon = d.Icon;
        tip = d.Tip;
        callback = d.Callback;
        return true;
    }
};

class FmHiddenFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char path[] = "/tmp/tunzo-pipit-XXXXXX";
        dir = mkdtemp(path);
        setenv("TUNZO_REGISTRY", (dir + "/registry.sqlite").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
        InitTunzoResources();
        StoreVariant = TStoreVariant::Companion;
        TunerSettings = TTunerSettings{};
        Presets = {};
        ActionList = TActionList{};
        sim = UseSimulatedCard({{94.2, false}, {103.3, true}});
        ClosePortAccess();
        ASSERT_TRUE(OpenRuntimeFolder().usable());
    }
    void TearDown() override
    {
        form.reset();
        SetAuxMixer(nullptr);
        instance.Release();
        ClosePortAccess();
        SetPortBackend(nullptr);
        StoreVariant = TStoreVariant::Tunzo;
        std::filesystem::remove_all(dir);
    }
    // A preset as another program stores it.
    void StorePreset(int n, double mhz, const std::string& name)
    {
        AssignInitialValues(TunerSettings);
        SavePreset(n, name, true, mhz);
    }
    TFmHiddenForm& Start(const std::vector<std::string>& words = {})
    {
        ParseCommandLine(words);
        EXPECT_EQ(instance.Acquire(RuntimeDirectory()), InstanceLock::Outcome::Acquired);
        // The hooks go in before the start-up runs, as its messages may come
        // from it: a form made with them replaced.
        form = std::make_unique<TFmHiddenForm>(tray, &instance);
        form->TerminateApplication = [this] { ++terminations; };
        form->ShowMessage = [this](const QString& text) { messages << text; };
        form->StartProgram = [this](const QString& program, const QStringList& arguments) {
            started << program;
            startedArguments << arguments;
            return programStarts;
        };
        return *form;
    }
    // The item of the open menu with this text, in a submenu too; the test
    // ends when there is none.
    QAction& MenuItem(const QString& text)
    {
        if (QAction* found = FindItem(form->PopupMenu(), text))
            return *found;
        throw std::runtime_error("no menu item " + text.toStdString());
    }
    static QAction* FindItem(QMenu* menu, const QString& text)
    {
        for (QAction* a : menu ? menu->actions() : QList<QAction*>{}) {
            if (a->text() == text)
                return a;
            if (QAction* inner = FindItem(a->menu(), text))
                return inner;
        }
        return nullptr;
    }
    CardRegisters Card() { return sim->card(0x30C)->Registers(); }
    int32_t StoredInteger(const char* name)
    {
        TRegistry reg;
        EXPECT_TRUE(reg.OpenKey(MainKey, false));
        return reg.ReadInteger(name);
    }

    std::string dir;
    SimulatedCardBackend* sim = nullptr;
    RecordingTray tray;
    InstanceLock instance;
    std::unique_ptr<TFmHiddenForm> form;
    int terminations = 0;
    QStringList messages;
    QStringList started;
    QList<QStringList> startedArguments;
    bool programStarts = true;
};

}  // namespace

TEST_F(FmHiddenFormTest, WithoutATrayItSaysSoAndEndsBeforeTheCardOrTheStore)
{
    // A card that records every port event and access request.
    auto owned = std::make_unique<RecordingPortBackend>();
    RecordingPortBackend* ports = owned.get();
    SetPortBackend(std::move(owned));
    tray.desktopHasTray = false;
    ParseCommandLine({"VMT", "PRE:1"});
    form = std::make_unique<TFmHiddenForm>(tray, nullptr);
    // The message came from the start-up, before any hook could be set:
    // through the default, which writes standard error and shows no box
    // offscreen, so nothing waits here for a click.
    EXPECT_FALSE(form->started());
    EXPECT_EQ(form->exitCode(), ExitWithoutTray);
    EXPECT_FALSE(form->TrayIcon.Active());
    EXPECT_TRUE(ports->events.empty());
    EXPECT_TRUE(ports->accessRequests.empty());
    EXPECT_FALSE(std::filesystem::exists(dir + "/registry.sqlite"));
    EXPECT_FALSE(std::filesystem::exists(ActionSocketPath(RuntimeDirectory(), getpid())));
}

TEST_F(FmHiddenFormTest, ALeftClickAlternatesMuteAndUnmuteAndTheMenuFollows)
{
    StorePreset(7, 94.2, "Seven");
    // Keywords match in any case; a word without one is skipped.
    Start({"pre:7", "hello"});
    ASSERT_TRUE(form->started());
    EXPECT_EQ(Card().frequency, 94.2);
    EXPECT_TRUE(Card().audible);
    EXPECT_EQ(tray.tip, "Pipit - Seven");
    EXPECT_TRUE(tray.Shows(":/ST_NORMAL"));
    EXPECT_TRUE(std::filesystem::exists(ActionSocketPath(RuntimeDirectory(), getpid())));
    EXPECT_EQ(ReadPublishedWindowHandle(), getpid());

    tray.Mouse(TrayMouseMessage::LeftButtonUp);
    EXPECT_FALSE(Card().audible);
    EXPECT_TRUE(tray.Shows(":/ST_MUTE"));
    EXPECT_EQ(tray.tip, "Pipit - muted");
    form->TrayRightClick(0, 0);
    ASSERT_NE(form->PopupMenu(), nullptr);
    EXPECT_TRUE(MenuItem("Mute").isChecked());
    EXPECT_TRUE(MenuItem("Seven").isChecked());
    EXPECT_EQ(MenuItem("Seven").data().toInt(), 7);

    // Unmuted, the tip no longer names the station.
    tray.Mouse(TrayMouseMessage::LeftButtonUp);
    EXPECT_TRUE(Card().audible);
    EXPECT_TRUE(tray.Shows(":/ST_NORMAL"));
    EXPECT_EQ(tray.tip, "Pipit");
    form->TrayRightClick(0, 0);
    EXPECT_FALSE(MenuItem("Mute").isChecked());

    // A double click or a click of the middle button changes nothing.
    tray.Mouse(TrayMouseMessage::LeftButtonDoubleClick);
    tray.Mouse(TrayMouseMessage::MiddleButtonUp);
    EXPECT_TRUE(Card().audible);
}

TEST_F(FmHiddenFormTest, TheVolumePathIsToggledAndSavedAndExitSavesWithoutMuting)
{
    Start();
    ASSERT_TRUE(form->started());
    // The checked "Radio" switches to the line in, and it is saved at once.
    form->TrayRightClick(0, 0);
    ASSERT_TRUE(MenuItem("Radio").isChecked());
    MenuItem("Radio").trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(StoredInteger("Volume control"), VolumeOnLineIn);
    form->MenuCommand(MenuLineIn);
    EXPECT_EQ(StoredInteger("Volume control"), VolumeOnCard);

    // An unknown id does nothing; "Exit Pipit" ends from the event loop,
    // removes the icon and saves the frequency of the preset chosen.
    StorePreset(3, 103.3, "Three");
    InitialiseSettings();
    form->MenuCommand(3);
    form->MenuCommand(999);
    form->MenuCommand(MenuExitPipit);
    EXPECT_EQ(terminations, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(terminations, 1);
    EXPECT_TRUE(tray.removed);
    EXPECT_TRUE(Card().audible);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(MainKey, false));
    EXPECT_EQ(reg.ReadFloat("DefaultStation"), 103.3);
    EXPECT_FALSE(std::filesystem::exists(ActionSocketPath(RuntimeDirectory(), getpid())));
}

TEST_F(FmHiddenFormTest, TheFirstMenuCountsTheMixerDevicesThatTheStartLeftAlone)
{
    AssignInitialValues(TunerSettings);
    TunerSettings.CardPort = 0x30C;
    TunerSettings.VolumeControl = VolumeOnLineIn;
    SaveSettings();
    auto owned = std::make_unique<FakeAuxMixer>(std::vector<uint32_t>{0x8000});
    FakeAuxMixer* mixer = owned.get();
    SetAuxMixer(std::move(owned));
    AuxDeviceCount = 0;

    Start();
    ASSERT_TRUE(form->started());
    EXPECT_EQ(mixer->countCalls, 0);

    // The first menu shows the device and the stored choice of it.
    form->TrayRightClick(0, 0);
    EXPECT_TRUE(MenuItem("Line in").isEnabled());
    EXPECT_TRUE(MenuItem("Line in").isChecked());
    EXPECT_FALSE(MenuItem("Radio").isChecked());
    const int counted = mixer->countCalls;
    EXPECT_GE(counted, 1);
    form->TrayRightClick(0, 0);
    EXPECT_TRUE(MenuItem("Line in").isEnabled());
    EXPECT_EQ(mixer->countCalls, counted);
}

TEST_F(FmHiddenFormTest, LaunchTunzoLetsGoOfTheLockOnlyWhenTunzoStarts)
{
    AssignInitialValues(TunerSettings);
    TunerSettings.CardPort = 0x30C;
    SaveSettings();
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(MainKey, false));
        reg.WriteString("Path", dir + "/programs");
    }
    Start();
    ASSERT_TRUE(form->started());

    // tunzo cannot be started: pipit says which program, keeps the lock and
    // runs on.
    programStarts = false;
    form->MenuCommand(MenuLaunchTunzo);
    ASSERT_EQ(started.size(), 1);
    EXPECT_EQ(started[0], QString::fromStdString(dir + "/programs/tunzo"));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(started[0])) << messages[0].toStdString();
    EXPECT_TRUE(instance.held());
    QCoreApplication::processEvents();
    EXPECT_EQ(terminations, 0);

    // It starts: the lock is free for it before it runs, and pipit ends.
    programStarts = true;
    RadioDriver::CompanionTune(94.2);
    form->MenuCommand(MenuLaunchTunzo);
    EXPECT_FALSE(instance.held());
    InstanceLock tunzo;
    EXPECT_EQ(tunzo.Acquire(RuntimeDirectory()), InstanceLock::Outcome::Acquired);
    QCoreApplication::processEvents();
    EXPECT_EQ(terminations, 1);
    EXPECT_TRUE(Card().audible);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(MainKey, false));
    EXPECT_EQ(reg.ReadFloat("DefaultStation"), 94.2);
}


TEST_F(FmHiddenFormTest, RecordingHandsTheRadioToTunzoWithTheWordsNotYetRun)
{
    Start();
    // As a second start `tunzo REC:0 REC:30 PRE:2 rec:` hands them over.
    ParseCommandLine({"REC:0", "REC:30", "PRE:2", "rec:"});
    for (const ActionMessage& m : HandOverMessages(ActionList))
        form->ReceiveActions(m.code, m.value);
    ASSERT_EQ(startedArguments.size(), 1) << "a stop has nothing to hand over";
    EXPECT_EQ(startedArguments[0], (QStringList{"REC:30", "PRE:2", "REC:"}));

    // The menu's item hands it over with the word that records until stopped.
    form->MenuCommand(MenuRecordInTunzo);
    ASSERT_EQ(startedArguments.size(), 2);
    EXPECT_EQ(startedArguments[1], QStringList{"REC:"});
}

TEST_F(FmHiddenFormTest, DieOnTheCommandLineEndsAtOnceWithoutTheLaterEntries)
{
    Start({"VUM", "DIE", "VMT"});
    EXPECT_FALSE(form->started());
    EXPECT_EQ(form->exitCode(), 0);
    EXPECT_TRUE(Card().audible);  // the mute after "DIE" did not run
    EXPECT_TRUE(tray.removed);
    EXPECT_EQ(terminations, 0);  // before the loop runs: the program returns
    EXPECT_FALSE(std::filesystem::exists(ActionSocketPath(RuntimeDirectory(), getpid())));
}

// The setup program run beside pipit: its presets are in the next menu, and
// "Exit Pipit" saves without putting its old settings back.
TEST_F(FmHiddenFormTest, WhatTheSetupProgramStoresMeanwhileIsInTheMenuAndSurvivesExit)
{
    StorePreset(1, 94.2, "One");
    Start();
    ASSERT_TRUE(form->started());
    const pid_t setup = fork();
    if (setup == 0) {
        int code = 0;
        try {
            SavePreset(3, "Three", true, 103.3);
            TRegistry reg;
            code = reg.OpenKey(MainKey, true) ? 0 : 1;
            reg.WriteInteger("Preset scan delay", 9);
            reg.WriteInteger("Shutdown options", 1);
            reg.WriteBool("Always on top", true);
            reg.CloseKey();
        } catch (...) {
            code = 1;
        }
        _exit(code);
    }
    int status = 0;
    waitpid(setup, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    form->TrayRightClick(0, 0);
    MenuItem("Three").trigger();
    QCoreApplication::processEvents();
    EXPECT_NEAR(Card().frequency, 103.3, 1e-9);
    form->MenuCommand(MenuExitPipit);
    QCoreApplication::processEvents();
    ASSERT_EQ(terminations, 1);
    EXPECT_EQ(StoredInteger("Preset scan delay"), 9);
    EXPECT_EQ(StoredInteger("Shutdown options"), 1);
    EXPECT_EQ(StoredInteger("Always on top"), 1);
}

// Taking over from tunzo: the name its station sent by RDS, as tunzo left it
// in the runtime folder, names the station in the tip; a name left for
// another frequency (pipit tunes no station of tunzo's) does not.
TEST_F(FmHiddenFormTest, TheTipNamesTheStationTunzoHeardOnlyWhenItIsTheOnePlaying)
{
    const struct {
        const char* leftFor;  // nullptr: no name left
        const char* tip;
    } rows[] = {{"94.2", "Pipit - TEN FM"}, {"103.3", "Pipit"}, {nullptr, "Pipit"}};
    for (const auto& r : rows) {
        AssignInitialValues(TunerSettings);
        TunerSettings.CardPort = 0x30C;
        TunerSettings.CurrentFrequency = 94.2;
        SaveSettings();
        WriteStationNameFile(r.leftFor ? r.leftFor : "94.2", r.leftFor ? "TEN FM" : "");
        Start();
        EXPECT_EQ(tray.tip, r.tip) << (r.leftFor ? r.leftFor : "none");
        form.reset();
        instance.Release();
    }
}
