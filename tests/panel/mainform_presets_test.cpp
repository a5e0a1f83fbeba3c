// Finding and keeping stations with the panel: the search buttons, the preset
// buttons and banks, the write mode with its name dialog, the channel menus
// and the preset scan, driven by clicks and keys on the simulated card.

#include "ColumnMenu.h"
#include "FmDigi.h"
#include "PanelFixture.h"
#include "PopBtn.h"
#include "SettingsForm.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QSlider>

#include <fstream>

namespace {

// Answers the station-name dialog once it is up: types `name` (unless empty)
// and presses OK, or Cancel.
void AnswerNameDialog(const QString& name, bool accept)
{
    QTimer::singleShot(0, [name, accept] {
        auto* dialog = qobject_cast<Tfrm_settings*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr) << "the station-name dialog did not open";
        if (!name.isEmpty()) {
            dialog->txt_name->selectAll();
            QTest::keyClicks(dialog->txt_name, name);
        }
        QTest::mouseClick(accept ? dialog->OKBtn : dialog->CancelBtn, Qt::LeftButton);
    });
}

std::vector<QString> Captions(const std::vector<QAction*>& entries)
{
    std::vector<QString> captions;
    for (QAction* a : entries)
        captions.push_back(a->text());
    return captions;
}

}  // namespace

TEST_F(PanelTest, SearchLeavesTheStationFindsTheNextWrapsAndComesBackWhenThereIsNoOther)
{
    Stored([](TTunerSettings& s) { s.CurrentFrequency = 94.2; });
    TMainForm& f = Start();
    f.TuneTo(94.2);

    QTest::mouseClick(f.cmd_scanup, Qt::LeftButton);
    EXPECT_NEAR(TunerSettings.CurrentFrequency, 103.3, 1e-9);
    EXPECT_NEAR(Card().frequency, 103.3, 1e-9);
    EXPECT_EQ(f.Digit->Value(), "103.3");
    EXPECT_EQ(f.TrackBar1->value(), 1033);
    EXPECT_EQ(f.lbl_status->text(), "T");  // a RadioTrack tells no stereo
    EXPECT_FALSE(f.SearchRunning);

    // On past 108.0 to 87.0 and up to the first station again.
    QTest::mouseClick(f.cmd_scanup, Qt::LeftButton);
    EXPECT_NEAR(Card().frequency, 94.2, 1e-9);
    QTest::mouseClick(f.cmd_scandown, Qt::LeftButton);
    EXPECT_NEAR(Card().frequency, 103.3, 1e-9);

    // Without a station anywhere one sweep of the band ends where it began.
    sim = UseSimulatedCard({});
    f.TuneTo(100.0);
    QTest::mouseClick(f.cmd_scanup, Qt::LeftButton);
    EXPECT_NEAR(TunerSettings.CurrentFrequency, 100.0, 0.05);
    EXPECT_FALSE(f.SearchRunning);
    EXPECT_EQ(f.lbl_status->text(), " ");
}

TEST_F(PanelTest, AClickDuringASearchStopsItAndTheNextSearchesNormally)
{
    Stored([](TTunerSettings& s) { s.CurrentFrequency = 88.0; });
    TMainForm& f = Start();
    f.TuneTo(88.0);
    int steps = 0;
    // Each step lets waiting events run: the second click arrives there.
    RadioDriver::ProcessMessages = [&] {
        if (++steps == 3)
            QTest::mouseClick(f.cmd_scandown, Qt::LeftButton);
        QApplication::processEvents();
    };
    QTest::mouseClick(f.cmd_scanup, Qt::LeftButton);
    EXPECT_FALSE(f.SearchRunning);
    EXPECT_LT(TunerSettings.CurrentFrequency, 89.0);  // stopped on the way, far from 94.2

    RadioDriver::ProcessMessages = [] { QApplication::processEvents(); };
    QTest::mouseClick(f.cmd_scanup, Qt::LeftButton);
    EXPECT_NEAR(Card().frequency, 94.2, 1e-9);
}

TEST_F(PanelTest, LeavingDuringASearchEndsItAtOnce)
{
    Stored([](TTunerSettings& s) {
        s.CurrentFrequency = 88.0;
        s.ShutdownOptions = 3;  // Power leaves the radio as it is, without asking
    });
    TMainForm& f = Start();
    f.TuneTo(88.0);
    int steps = 0;
    RadioDriver::ProcessMessages = [&] {
        if (++steps == 2)
            Press(Qt::Key_P);
        QApplication::processEvents();
    };
    QTest::mouseClick(f.cmd_scanup, Qt::LeftButton);
    EXPECT_EQ(terminations, 1);
    EXPECT_LE(steps, 3) << "the search went on after the program ended";
    EXPECT_LT(TunerSettings.CurrentFrequency, 88.5);
}

TEST_F(PanelTest, BanksDigitsAndPageKeysChooseStoredPresets)
{
    Stored([](TTunerSettings& s) { s.CurrentFrequency = 88.0; });
    SavePreset(30, "Thirty", true, 99.0);
    SavePreset(95, "Ninety-five", true, 103.3);
    TMainForm& f = Start();

    QTest::mouseClick(f.cmd_presetdown, Qt::LeftButton);  // from 0 to bank 90
    EXPECT_EQ(f.pre[0]->Caption(), "91");
    EXPECT_EQ(f.pre[9]->Caption(), "100");
    EXPECT_EQ(f.pre[4]->toolTip(), "Ninety-five  103.3");
    QTest::mouseClick(f.pre[4], Qt::LeftButton);
    EXPECT_NEAR(Card().frequency, 103.3, 1e-9);
    EXPECT_EQ(f.windowTitle(), "Tunzo  103.3 Ninety-five");
    QTest::mouseClick(f.cmd_presetup, Qt::LeftButton);  // from 90 back to bank 0
    EXPECT_EQ(f.pre[0]->Caption(), "1");

    QTest::mouseClick(f.cmd_presetup, Qt::LeftButton);
    QTest::mouseClick(f.cmd_presetup, Qt::LeftButton);  // bank 20
    Press(Qt::Key_0);                                   // its tenth button: slot 30
    EXPECT_NEAR(Card().frequency, 99.0, 1e-9);
    EXPECT_EQ(CurrentPresetNumber, 30);
    Press(Qt::Key_5);  // slot 25 is empty: nothing happens
    EXPECT_NEAR(Card().frequency, 99.0, 1e-9);

    Press(Qt::Key_PageUp);
    EXPECT_EQ(CurrentPresetNumber, 95);
    Press(Qt::Key_PageUp);
    EXPECT_EQ(CurrentPresetNumber, 30);
    Press(Qt::Key_PageDown);
    EXPECT_EQ(CurrentPresetNumber, 95);
    EXPECT_NEAR(Card().frequency, 103.3, 1e-9);
}

TEST_F(PanelTest, WriteStoresTheFrequencyUnderItsNameAndCancelLeavesTheSlotAsItWas)
{
    Stored([](TTunerSettings&) {});
    SavePreset(2, "Old Station", true, 99.0);
    TMainForm& f = Start();
    f.TuneTo(94.2);

    // Write, then an empty button: stored under the typed name.
    Press(Qt::Key_W);
    EXPECT_EQ(f.lbl_status->text(), "W");
    AnswerNameDialog("City Beat", true);
    QTest::mouseClick(f.pre[3], Qt::LeftButton);
    EXPECT_EQ(Presets[3].StationName, "City Beat");
    EXPECT_NEAR(Presets[3].Frequency, 94.2, 1e-9);
    EXPECT_TRUE(Presets[3].IncludeInScan);
    EXPECT_TRUE(f.pre[3]->font().underline());
    EXPECT_FALSE(f.WriteArmed);
    const std::vector<QString> listed = Captions(f.channelEntries);
    EXPECT_NE(std::find(listed.begin(), listed.end(), "4    City Beat"), listed.end());
    EXPECT_NE(std::find(listed.begin(), listed.end(), "4   City Beat"), listed.end());

    // Write over slot 2, then Cancel: the old station, in memory and in the store.
    f.TuneTo(103.3);
    QTest::mouseClick(f.cmd_memory, Qt::LeftButton);
    AnswerNameDialog("", false);
    QTest::mouseClick(f.pre[1], Qt::LeftButton);
    EXPECT_EQ(Presets[1].StationName, "Old Station");
    EXPECT_NEAR(Presets[1].Frequency, 99.0, 1e-9);
    Presets = {};
    LoadPresets();
    EXPECT_EQ(Presets[1].StationName, "Old Station");
    EXPECT_EQ(Presets[3].StationName, "City Beat");
}

// The main menu's columns hold twenty entries whatever the screen's height;
// the tray's list, which the desktop may draw, marks its column with a
// separator.
TEST_F(PanelTest, MoreThanTwentyPresetsBeginASecondColumnInBothMenus)
{
    Stored([](TTunerSettings&) {});
    for (int n = 1; n <= 21; ++n)
        SavePreset(n, "Station " + std::to_string(n), true, 87.5 + n * 0.5);
    TMainForm& f = Start();
    EXPECT_EQ(f.ChannelCount, 21);
    const QList<QAction*> tray = f.sp_preset->actions();
    ASSERT_EQ(tray.size(), 22);
    EXPECT_TRUE(tray[20]->isSeparator());
    EXPECT_EQ(tray[21]->text(), "21  Station 21");

    // Opened from the menu bar with a click, as a user does.
    QMenuBar* bar = f.menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(f.mnu_channels->menuAction()).center());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.mnu_channels));
    TColumnMenu* columns = f.mnu_channels->findChild<TColumnMenu*>();
    ASSERT_NE(columns, nullptr);
    ASSERT_TRUE(columns->isVisible());
    ASSERT_EQ(columns->actions().size(), 21);
    EXPECT_EQ(columns->actions()[20]->text(), "21  Station 21");
    const QRect first(columns->mapToGlobal(columns->EntryRect(0).topLeft()), columns->EntryRect(0).size());
    const QRect last(columns->mapToGlobal(columns->EntryRect(20).topLeft()), columns->EntryRect(20).size());
    EXPECT_GT(last.left(), first.right()) << "entry 21 is not right of entry 1";
    EXPECT_EQ(last.top(), first.top()) << "entry 21 does not begin its column";
    EXPECT_TRUE(f.mnu_channels->geometry().contains(last)) << "the menu does not hold the second column";

    // A click on entry 5 chooses it, closes the menu and marks both entries.
    QTest::mouseMove(columns, columns->EntryRect(4).center());
    QTest::mouseClick(columns, Qt::LeftButton, {}, columns->EntryRect(4).center());
    EXPECT_FALSE(f.mnu_channels->isVisible());
    EXPECT_EQ(CurrentPresetNumber, 5);
    EXPECT_TRUE(f.channelEntries[8]->isChecked());   // its main entry
    EXPECT_TRUE(f.channelEntries[9]->isChecked());   // and its tray entry
    EXPECT_FALSE(f.channelEntries[0]->isChecked());
}

// A station list imported by the card tool while the panel runs: the panel
// takes it in at its next look at the store, menus, memory and display, a
// preset the list empties included.
TEST_F(PanelTest, AStationListImportedMeanwhileReachesTheMenusAndEmptiesWhatItLeavesOut)
{
    Stored([](TTunerSettings&) {});
    SavePreset(1, "One", true, 94.2);
    SavePreset(2, "Two", true, 99.0);
    TMainForm& f = Start();
    QTest::mouseClick(f.pre[1], Qt::LeftButton);
    ASSERT_EQ(f.lbl_station->text(), "2 Two");
    const std::string list = dir + "/stations.csv";
    std::ofstream(list) << "number,frequency,name,in scan\n1,94.2,One,yes\n3,103.3,Three,yes\n";
    QProcess tool;
    tool.start(TUNZO_CARD_TOOL, {"presets", "import", QString::fromStdString(list)});
    ASSERT_TRUE(tool.waitForFinished());
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();

    f.FollowStoreChanges();
    EXPECT_EQ(Presets[1].Frequency, 0.0) << "slot 2 still holds " << Presets[1].StationName;
    EXPECT_EQ(Presets[2].StationName, "Three");
    const QList<QAction*> entries = f.channelColumns->actions();
    const std::vector<QString> main = Captions({entries.begin(), entries.end()});
    EXPECT_EQ(main, (std::vector<QString>{"1    One", "3    Three"}));
    ASSERT_EQ(f.sp_preset->actions().size(), 2);
    EXPECT_EQ(f.sp_preset->actions()[1]->text(), "3   Three");
    EXPECT_EQ(f.pre[1]->toolTip(), "Not set");
    EXPECT_EQ(f.lbl_station->text(), "") << "the display names a preset gone";
    EXPECT_FALSE(f.pre[1]->font().bold()) << "the button of a preset gone stays lit";
}

TEST_F(PanelTest, PresetScanVisitsTheIncludedPresetsOnTheTickAndStopsBackAtItsStart)
{
    Stored([](TTunerSettings& s) { s.PresetScanDelay = 1; });
    SavePreset(1, "One", true, 94.2);
    SavePreset(2, "Two", true, 99.0);
    SavePreset(3, "Left out", false, 101.0);
    TMainForm& f = Start();
    QTest::mouseClick(f.pre[0], Qt::LeftButton);
    QTest::mouseClick(f.cmd_presetup, Qt::RightButton);  // a right release starts it upward
    EXPECT_TRUE(f.PresetScanRunning);
    EXPECT_EQ(f.cmd_memory->Caption(), "S&top");
    EXPECT_TRUE(f.mnu_pscan_up->isChecked());

    f.Timer1Timer();
    EXPECT_NEAR(Card().frequency, 99.0, 1e-9);
    EXPECT_EQ(f.windowTitle(), "Tunzo  Preset scan -  99 Two");
    f.Timer1Timer();  // slot 3 is left out, slot 4 is empty: a silent stop
    EXPECT_EQ(CurrentPresetNumber, 4);
    EXPECT_NEAR(Card().frequency, 99.0, 1e-9);
    // Stopped there, the title no longer says a scan runs.
    QTest::mouseClick(f.cmd_memory, Qt::LeftButton);
    EXPECT_FALSE(f.PresetScanRunning);
    EXPECT_EQ(f.windowTitle(), "Tunzo 99 Two");
    QTest::mouseClick(f.pre[0], Qt::LeftButton);
    QTest::mouseClick(f.cmd_presetup, Qt::RightButton);
    f.Timer1Timer();
    f.Timer1Timer();
    for (int tick = 0; tick < 97 && f.PresetScanRunning; ++tick)
        f.Timer1Timer();
    EXPECT_FALSE(f.PresetScanRunning);
    EXPECT_EQ(CurrentPresetNumber, 1);
    EXPECT_EQ(f.cmd_memory->Caption(), "&Write");
    EXPECT_EQ(f.windowTitle(), "Tunzo  94.2 One");

    // Every slot stored and left out: the scan ends instead of looping.
    for (int n = 1; n <= PresetCount; ++n)
        Presets[static_cast<size_t>(n - 1)] = {90.0, "x", false};
    f.SetPresetScan(true, true);
    f.Timer1Timer();
    EXPECT_FALSE(f.PresetScanRunning);
}

// "Station" from the display's menu names the preset the display shows:
// what the dialog shows and stores must also be what the panel keeps, or the
// next start finds another frequency there. (Once the radio is tuned away
// the item is greyed: see the display tests.)
TEST_F(PanelTest, NamingAPresetFromTheDisplayKeepsPanelAndStoreAlike)
{
    Stored([](TTunerSettings&) {});
    SavePreset(3, "Night", true, 94.2);
    TMainForm& f = Start();
    QTest::mouseClick(f.pre[2], Qt::LeftButton);
    ASSERT_EQ(CurrentPresetNumber, 3);
    const double tuned = TunerSettings.CurrentFrequency;

    QTest::mouseClick(f.Digit, Qt::RightButton);
    ASSERT_TRUE(f.pop_preset->isVisible());
    AnswerNameDialog("Late", true);
    QTest::mouseClick(f.pop_preset, Qt::LeftButton, {}, f.pop_preset->actionGeometry(f.pitem_name).center());

    const PresetSlot kept = Presets[2];
    Presets = {};
    LoadPresets();
    EXPECT_EQ(Presets[2].StationName, "Late");
    EXPECT_EQ(Presets[2].Frequency, kept.Frequency);
    EXPECT_EQ(kept.Frequency, tuned) << "the frequency the dialog showed";
}
