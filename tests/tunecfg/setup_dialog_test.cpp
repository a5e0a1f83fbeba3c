// The setup window driven by clicks and keys, offscreen, on a store of its
// own per test: Cancel writes nothing; OK writes what tunzo then reads; a
// refused value or a locked store is explained and nothing typed is lost; an
// event edited in its own window comes back from the store as edited.

#include "SetupFixture.h"

#include "Actions.h"
#include "AudioFormat.h"
#include "AuxMixer.h"
#include "EventDialog.h"
#include "SetupDialog.h"
#include "AdapterCatalogue.h"
#include "SimulatedRadioStick.h"
#include "V4L2Radio.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

enum Page { CardPage, TuningPage, DisplayPage, VolumePage, ProgramsPage, EventsPage, SoundPage };

class SetupDialogTest : public SetupTest {
protected:
    void SetUp() override
    {
        SetupTest::SetUp();
        QLocale::setDefault(QLocale::c());
        auto mixer = std::make_unique<FakeAuxMixer>(std::vector<uint32_t>{0, 0});
        mixer->names = {"Master", "Line"};
        SetAuxMixer(std::move(mixer));
    }
    void TearDown() override
    {
        SetAuxMixer(nullptr);
        SetupTest::TearDown();
    }

    // Opens the window on the store as it is now and lets the user act once
    // it is up; returns how it was closed (Rejected when the user left it
    // open, and it was closed afterwards).
    int Run(const std::function<void(TSetupDialog&)>& user)
    {
        TSetupDialog dialog(ReadSetup(), CurrentAuxMixer().DeviceNames());
        QTimer::singleShot(0, &dialog, [&] {
            EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
            user(dialog);
            stillOpen = dialog.isVisible();
            if (stillOpen)
                dialog.done(QDialog::Rejected);
        });
        return dialog.exec();
    }

    static void Click(QWidget* control) { QTest::mouseClick(control, Qt::LeftButton); }
    // On its box, as a user aims: the control may be wider than its text.
    static void Click(QCheckBox* box)
    {
        QStyleOptionButton option;
        option.initFrom(box);
        option.text = box->text();
        const QRect target = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
        QTest::mouseClick(box, Qt::LeftButton, {}, target.center());
    }
    static void ShowPage(TSetupDialog& dialog, Page page)
    {
        QTabBar* tabs = dialog.pages->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(page).center());
        ASSERT_EQ(dialog.pages->currentIndex(), page);
    }
    // Replaces what a text or spin box holds, as a user does: select all, type.
    static void Retype(QWidget* box, const QString& text)
    {
        box->setFocus();
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, text);
    }
    // Walks a closed combo box to the item with that text with the arrow keys.
    static void Choose(QComboBox* combo, const QString& text)
    {
        const int target = combo->findText(text);
        ASSERT_GE(target, 0) << text.toStdString();
        QTest::keyClick(combo, Qt::Key_Home);
        for (int i = 0; i < target; ++i)
            QTest::keyClick(combo, Qt::Key_Down);
        ASSERT_EQ(combo->currentText(), text);
    }
    static void ClickRow(QTableWidget* table, int row)
    {
        const QRect cell = table->visualItemRect(table->item(row, 0));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    }

    // Runs `act` on the next modal window of type T once it is up; a message
    // box's text is kept for the test to read.
    template <class T>
    void WhenModal(std::function<void(T&)> act)
    {
        pending = [this, act] {
            if (auto* window = qobject_cast<T*>(QApplication::activeModalWidget())) {
                if (auto* box = qobject_cast<QMessageBox*>(window))
                    messages.push_back(box->text().toStdString());
                act(*window);
            } else {
                QTimer::singleShot(5, &guard, pending);
            }
        };
        QTimer::singleShot(0, &guard, pending);
    }
    void AnswerNextMessage()
    {
        WhenModal<QMessageBox>([](QMessageBox& box) { Click(box.button(QMessageBox::Ok)); });
    }

    bool stillOpen = false;
    std::function<void()> pending;
    // Owns the waits for a window, so that none outlives its test.
    QObject guard;
    std::vector<std::string> messages;
};

}  // namespace

TEST_F(SetupDialogTest, CancelWritesNothingWhateverWasChanged)
{
    Plant(MainKey, [](TRegistry& reg) {
        reg.WriteInteger("Adapter", 4);
        reg.WriteInteger("IO Port", 0x350);
    });
    ScheduledEvent e = NewScheduledEvent();
    e.Action = "VUM";
    for (const char* name : {"Sleep", "Wake"}) {
        e.Name = name;
        PlantEvent(e, 0);
    }
    const std::string before = Dump();

    const int result = Run([&](TSetupDialog& d) {
        Choose(d.cmb_adapter, "GemTek");
        ShowPage(d, TuningPage);
        Click(d.chb_widerange);
        Retype(d.txt_tunestep, "2.5");
        ShowPage(d, ProgramsPage);
        Retype(d.txt_path, "/tmp");
        ShowPage(d, EventsPage);
        ClickRow(d.lst_events, 1);
        WhenModal<QMessageBox>([](QMessageBox& box) { Click(box.button(QMessageBox::Yes)); });
        Click(d.cmd_removeevent);
        EXPECT_EQ(d.lst_events->rowCount(), 1);
        Click(d.CancelBtn);
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_FALSE(stillOpen);
    EXPECT_EQ(Dump(), before);
}

TEST_F(SetupDialogTest, WhatIsChosenIsWhatTunzoLoads)
{
    const int result = Run([&](TSetupDialog& d) {
        Choose(d.cmb_adapter, "GemTek");
        EXPECT_EQ(d.cmb_port->currentText(), "Com1") << "a new card starts from its default port";
        Choose(d.cmb_port, "Com2");
        ShowPage(d, TuningPage);
        Retype(d.txt_tunestep, "0.5");
        Retype(d.txt_finestep, "0.05");
        Click(d.chb_widerange);
        Click(d.chb_laststation);
        Retype(d.txt_scandelay, "9");
        ShowPage(d, DisplayPage);
        Click(d.chb_startminimized);
        Choose(d.cmb_iconsshown, "Tray icon and taskbar button");
        Choose(d.cmb_shutdown, "Mute the radio");
        ShowPage(d, VolumePage);
        Choose(d.cmb_volume, "The sound card's line input");
        Choose(d.cmb_mixer, "Line");
        ShowPage(d, ProgramsPage);
        Retype(d.txt_path, QString::fromStdString(folder) + "/");
        Click(d.OKBtn);
    });
    EXPECT_EQ(result, QDialog::Accepted);

    InitialiseSettings();
    const TTunerSettings& s = TunerSettings;
    EXPECT_EQ(s.Adapter, 5);
    EXPECT_EQ(s.PortNumber, 2);
    EXPECT_EQ(s.CardPort, 2);
    EXPECT_DOUBLE_EQ(s.TuneStep, 0.5);
    EXPECT_DOUBLE_EQ(s.FineTuneStep, 0.05);
    EXPECT_TRUE(s.WideRange);
    EXPECT_TRUE(s.TuneToLastStation);
    EXPECT_EQ(s.PresetScanDelay, 9);
    EXPECT_TRUE(s.StartMinimized);
    EXPECT_EQ(s.IconsWhenShown, IconsBoth);
    EXPECT_EQ(s.ShutdownOptions, 0);
    EXPECT_EQ(s.VolumeControl, VolumeOnLineIn);
    EXPECT_EQ(s.AuxVolumeControl, 1);
    EXPECT_EQ(s.ProgramFolder, folder) << "without the trailing /";
    EXPECT_FALSE(s.CycleStations);
}

TEST_F(SetupDialogTest, ARefusedValueIsExplainedAndNothingIsWrittenUntilItIsMended)
{
    Plant(MainKey, [](TRegistry& reg) { reg.WriteFloat("Tune step", 0.0125); });
    const std::string before = Dump();
    Run([&](TSetupDialog& d) {
        ShowPage(d, TuningPage);
        Click(d.chb_cycle);
        ShowPage(d, ProgramsPage);
        Retype(d.txt_path, "programs/tunzo");
        AnswerNextMessage();
        Click(d.OKBtn);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_NE(messages[0].find("full path"), std::string::npos) << messages[0];
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(Dump(), before);
        EXPECT_TRUE(d.chb_cycle->isChecked()) << "nothing typed is lost";

        Retype(d.txt_path, "");
        Click(d.OKBtn);
    });
    EXPECT_FALSE(stillOpen);
    EXPECT_EQ(Stored(MainKey, "Cycle stations").second, std::string("\x01\0\0\0", 4));
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(MainKey, false));
    EXPECT_DOUBLE_EQ(reg.ReadFloat("Tune step"), 0.0125) << "a step the box cannot show, left alone, is kept";
}

TEST_F(SetupDialogTest, ALockedStoreIsReportedAndTheChangesAreSavedOnceItIsFree)
{
    Plant(MainKey, [](TRegistry& reg) { reg.WriteInteger("Adapter", 1); });
    Run([&](TSetupDialog& d) {
        ShowPage(d, TuningPage);
        Click(d.chb_widerange);
        HoldWriteLock();
        AnswerNextMessage();
        Click(d.OKBtn);
        ReleaseWriteLock();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_NE(messages[0].find("Error writing to registry\nSOFTWARE\\Velmar\\Tunzo\nNot accessible"),
                  std::string::npos)
            << messages[0];
        EXPECT_TRUE(d.isVisible());
        EXPECT_FALSE(Stored(MainKey, "Wide range").first);
        Click(d.OKBtn);
    });
    EXPECT_FALSE(stillOpen);
    EXPECT_EQ(Stored(MainKey, "Wide range").second, std::string("\x01\0\0\0", 4));
}

TEST_F(SetupDialogTest, AnEventEditedInItsWindowComesBackFromTheStoreAsEdited)
{
    ScheduledEvent wake = NewScheduledEvent();
    wake.Name = "Wake";
    wake.Hours = 6;
    wake.Minutes = 30;
    wake.Weekdays = "0111110";
    wake.Action = "PRE:2";
    PlantEvent(wake, 2024);

    Run([&](TSetupDialog& d) {
        ShowPage(d, EventsPage);
        ASSERT_EQ(d.lst_events->rowCount(), 1);
        ClickRow(d.lst_events, 0);
        WhenModal<TEventDialog>([&](TEventDialog& e) {
            Retype(e.txt_minute, "45");
            Click(e.chb_weekdays[6]);  // Saturday
            Click(e.chb_months[1]);    // not in February
            Choose(e.cmb_week, "Last seven days of the month");
            Retype(e.txt_action, "pre:7 hello");
            AnswerNextMessage();
            Click(e.OKBtn);
            ASSERT_EQ(messages.size(), 1u);
            EXPECT_EQ(messages[0], "\"hello\" is not an action Tunzo knows.");
            EXPECT_TRUE(e.isVisible());
            Retype(e.txt_action, "pre:7 vmt");
            Click(e.OKBtn);
            EXPECT_FALSE(e.isVisible());
        });
        Click(d.cmd_editevent);
        EXPECT_EQ(d.lst_events->item(0, 2)->text(), "pre:7 vmt");
        Click(d.OKBtn);
    });
    EXPECT_FALSE(stillOpen);

    LoadEvents();
    ASSERT_EQ(EventTable.Count, 1);
    const ScheduledEvent& e = EventTable.Events[0];
    EXPECT_EQ(e.Name, "Wake");
    EXPECT_EQ(e.Hours, 6);
    EXPECT_EQ(e.Minutes, 45);
    EXPECT_EQ(e.Weekdays, "0111111");
    EXPECT_EQ(e.Months, "101111111111");
    EXPECT_EQ(e.MonthlyDays, "5:0");
    EXPECT_EQ(e.Action, "pre:7 vmt");
    EXPECT_EQ(e.Years, 2024);
    ParseActionString(e.Action);
    ASSERT_EQ(ActionList.Count, 2);
    EXPECT_EQ(ActionList.Entries[0].Code, ActionTunePreset);
    EXPECT_EQ(ActionList.Entries[0].Value, 7);
    EXPECT_EQ(ActionList.Entries[1].Code, ActionMute);
}

TEST_F(SetupDialogTest, TheSoundPageIsWhatTunzoLoadsInTheKindsOtherProgramsRead)
{
    const int result = Run([&](TSetupDialog& d) {
        ShowPage(d, SoundPage);
        Retype(d.cmb_audiooutput, "file:FILE=/tmp/out.wav");
        Retype(d.cmb_audioinput, "hw:1");
        Click(d.chb_playthrough);
        Retype(d.txt_latency, "250");
        Retype(d.txt_recfolder, QString::fromStdString(folder) + "/");
        Choose(d.cmb_recformat, "Ogg Vorbis");
        Click(d.OKBtn);
    });
    EXPECT_EQ(result, QDialog::Accepted);
    InitialiseSettings();
    const TTunerSettings& s = TunerSettings;
    EXPECT_EQ(s.AudioOutput, "file:FILE=/tmp/out.wav");
    EXPECT_EQ(s.AudioInput, "hw:1");
    EXPECT_TRUE(s.PlayThrough);
    EXPECT_EQ(s.AudioLatency, 250);
    EXPECT_EQ(s.RecordingsFolder, folder) << "without the trailing /";
    EXPECT_EQ(s.RecordingFormat, "Ogg Vorbis");
    // Each in its kind: a reader of another kind would raise.
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(MainKey, false));
    EXPECT_EQ(reg.ReadInteger("Audio latency"), 250);
    EXPECT_TRUE(reg.ReadBool("Play through"));
    EXPECT_EQ(reg.ReadString("Recording format"), "Ogg Vorbis");

    // Another program's latency beyond the range is held to it, not played.
    reg.WriteInteger("Audio latency", 60000);
    reg.CloseKey();
    InitialiseSettings();
    EXPECT_EQ(TunerSettings.AudioLatency, kMaxLatencyMs);
}

TEST_F(SetupDialogTest, AV4L2ReceiverIsChosenFromTheReceiversPresent)
{
    // Two simulated sticks, listed as udev would list real ones.
    setenv("TUNZO_CARD", "simulated", 1);
    SimulatedRadioSticks::Options options;
    options.stateDirectory = folder;
    SetV4L2Calls(std::make_unique<SimulatedRadioSticks>(options));
    const int result = Run([&](TSetupDialog& d) {
        EXPECT_FALSE(d.cmb_radiodevice->isEnabled()) << "a port card has no device";
        Choose(d.cmb_adapter, "V4L2 radio device");
        EXPECT_TRUE(d.cmb_radiodevice->isEnabled());
        EXPECT_FALSE(d.cmb_port->isEnabled());
        EXPECT_EQ(d.cmb_radiodevice->count(), 2);
        Choose(d.cmb_radiodevice, "/dev/radio1");
        Click(d.OKBtn);
    });
    unsetenv("TUNZO_CARD");
    SetV4L2Calls(nullptr);
    EXPECT_EQ(result, QDialog::Accepted);
    InitialiseSettings();
    EXPECT_EQ(TunerSettings.Adapter, V4L2Adapter);
    EXPECT_EQ(TunerSettings.RadioDevice, "/dev/radio1");
}

namespace {

// The simulated dongle listed as librtlsdr lists a real one; a stored index
// of a dongle no longer there is shown as such until another is chosen.
TEST_F(SetupDialogTest, ADongleIsChosenFromThoseFoundWithHowItReceives)
{
    setenv("TUNZO_CARD", "simulated", 1);
    Plant(MainKey, [](TRegistry& reg) { reg.WriteInteger(ValueName::SdrDevice, 3); });
    const int result = Run([&](TSetupDialog& d) {
        EXPECT_FALSE(d.cmb_sdrdevice->isEnabled()) << "a port card has no dongle";
        EXPECT_EQ(d.cmb_sdrdevice->currentText(), "SDR device 3 (not plugged in)");
        Choose(d.cmb_adapter, "RTL-SDR receiver");
        EXPECT_TRUE(d.cmb_sdrdevice->isEnabled());
        EXPECT_TRUE(d.txt_sdrgain->isEnabled());
        EXPECT_EQ(d.txt_sdrgain->text(), "Automatic");
        Choose(d.cmb_sdrdevice, "0: Simulated RTL2832U, serial 00000001");
        Retype(d.txt_sdrgain, "28.3");
        Retype(d.txt_sdrppm, "-12");
        Choose(d.cmb_deemphasis, "75 µs (the Americas, South Korea)");
        Click(d.OKBtn);
    });
    EXPECT_EQ(result, QDialog::Accepted);
    struct Row {
        const char* name;
        std::string dword;  // little-endian
    };
    const Row rows[] = {
        {ValueName::SdrDevice, std::string(4, '\0')},
        {ValueName::SdrGain, std::string("\x1B\x01\0\0", 4)},
        {ValueName::SdrFrequencyCorrection, "\xF4\xFF\xFF\xFF"},
        {ValueName::Deemphasis, std::string("\x4B\0\0\0", 4)},
    };
    for (const Row& row : rows)
        EXPECT_EQ(Stored(MainKey, row.name), std::make_pair(4, row.dword)) << row.name << ": a DWORD";
    InitialiseSettings();
    EXPECT_EQ(TunerSettings.Adapter, SdrAdapter);
    EXPECT_EQ(TunerSettings.SdrDevice, 0);
    EXPECT_EQ(TunerSettings.SdrGain, 283);
    EXPECT_EQ(TunerSettings.SdrFrequencyCorrection, -12);
    EXPECT_EQ(TunerSettings.Deemphasis, 75);

    // Back to automatic gain; the de-emphasis left as it is shown is not
    // written, so that one never chosen goes on following the locale.
    RawSql("DELETE FROM vals WHERE name = 'De-emphasis'");
    Run([&](TSetupDialog& d) {
        Retype(d.txt_sdrgain, "0");
        Click(d.OKBtn);
    });
    unsetenv("TUNZO_CARD");
    EXPECT_EQ(Stored(MainKey, ValueName::SdrGain), std::make_pair(4, std::string(4, '\0')));
    EXPECT_EQ(Stored(MainKey, ValueName::Deemphasis).first, 0) << "not stored";
}

}  // namespace
// "RDS standard" is stored only once chosen: left alone, the locale's
// country keeps deciding, in the setup program as in the panel.
TEST_F(SetupDialogTest, TheRdsStandardIsStoredOnlyWhenChosen)
{
    const auto stored = [] {
        TRegistry reg;
        return reg.OpenKey(MainKey, false) && reg.ValueExists(kRdsStandardSetting) ? reg.ReadString(kRdsStandardSetting)
                                                                                   : std::string("(none)");
    };
    Run([&](TSetupDialog& d) {
        ShowPage(d, DisplayPage);
        Click(d.chb_startminimized);  // another change, so that OK writes
        Click(d.OKBtn);
    });
    EXPECT_EQ(stored(), "(none)");

    Run([&](TSetupDialog& d) {
        ShowPage(d, DisplayPage);
        Choose(d.cmb_rdsstandard, "RBDS (North America)");
        Click(d.OKBtn);
    });
    EXPECT_EQ(stored(), "RBDS");
    InitialiseSettings();
    EXPECT_EQ(ChosenRdsStandard(TunerSettings.RdsStandard, "DE"), RdsStandard::Rbds);
    // Whatever else a store holds is no choice: the country's standard.
    EXPECT_EQ(ChosenRdsStandard("Europe", "US"), RdsStandard::Rbds);
    EXPECT_EQ(ChosenRdsStandard("", "FR"), RdsStandard::Rds);
}
