// The programs the panel hands work to (the setup program it waits for, the
// companion it hands the radio to) and help, as the panel's user asks for it:
// the Help menus, and F1 on whatever has the focus.
#include "FmDigi.h"
#include "HelpWindow.h"
#include "JumpForm.h"
#include "PopBtn.h"
#include "PanelFixture.h"
#include "Registry.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QTextBrowser>

namespace {

// A program standing in for one of the system's, in the folder "Path" names.
void WriteProgram(const std::string& folder, const char* name, const QString& script)
{
    QFile program(QString::fromStdString(folder) + "/" + name);
    ASSERT_TRUE(program.open(QIODevice::WriteOnly));
    program.write(("#!/bin/sh\n" + script + "\n").toUtf8());
    program.setPermissions(program.permissions() | QFileDevice::ExeOwner);
}

// "Path", as the setup program stores it; the panel only reads it.
void StoreProgramFolder(const std::string& folder)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(MainKey, true));
    reg.WriteString("Path", folder);
    reg.CloseKey();
}

QString ShownTopic()
{
    THelpWindow* help = THelpWindow::Current();
    return help && help->isVisible() ? help->Browser->source().fragment() : QString();
}
}  // namespace

TEST_F(PanelTest, HelpMenusAndF1OpenTheTopicOfWhatHasTheFocus)
{
    Stored([](TTunerSettings&) {});
    TMainForm& f = Start();

    f.Index2->trigger();  // the tray menu's "Help topics"
    EXPECT_EQ(ShownTopic(), "ctx-103");
    THelpWindow::Current()->close();
    f.Searchforhelpon1->trigger();
    EXPECT_EQ(ShownTopic(), "ctx-103");
    ASSERT_TRUE(QTest::qWaitForWindowActive(THelpWindow::Current()));
    EXPECT_EQ(QApplication::focusWidget(), THelpWindow::Current()->SearchField);
    THelpWindow::Current()->close();

    // "Mute", highlighted with the arrow keys in the open "Actions" menu.
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    f.mnu_file->popup(f.mapToGlobal(QPoint(0, 0)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.mnu_file));
    for (int i = 0; i < f.mnu_file->actions().size() && f.mnu_file->activeAction() != f.item_mute; ++i)
        QTest::keyClick(f.mnu_file->windowHandle(), Qt::Key_Down);
    ASSERT_EQ(f.mnu_file->activeAction(), f.item_mute);
    QTest::keyClick(f.mnu_file->windowHandle(), Qt::Key_F1);
    EXPECT_EQ(ShownTopic(), "ctx-804");
    EXPECT_TRUE(RadioDriver::SoundOn);  // F1 is not a click on the item
    f.mnu_file->close();
    THelpWindow::Current()->close();

    // A control without a topic of its own: the main window's.
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    f.cmd_scanup->setFocus();
    Press(Qt::Key_F1);
    EXPECT_EQ(ShownTopic(), "ctx-50");
    THelpWindow::Current()->close();

    // The jump dialog has its own topic, and stays open behind the help.
    QString topic;
    bool dialogWaited = false;
    QTimer::singleShot(0, &f, [&] {
        QTest::keyClick(f.frm_jump()->windowHandle(), Qt::Key_F1);
        topic = ShownTopic();
        dialogWaited = f.frm_jump()->isVisible();
        THelpWindow::Current()->close();
        f.frm_jump()->reject();
    });
    f.cmd_jumpClick();
    EXPECT_EQ(topic, "ctx-503");
    EXPECT_TRUE(dialogWaited);
}

// The setup program runs while the panel goes on working, and what it left
// in the store is read back, but the station that plays is kept.
TEST_F(PanelTest, SettingsRunTheSetupProgramAndReadBackWhatItStored)
{
    Stored([](TTunerSettings& s) { s.CurrentFrequency = 94.2; });
    StoreProgramFolder(dir);
    // Stores "Adapter" 2 and "DefaultStation" 90.0, once the test says go.
    WriteProgram(dir, "tunecfg", QString(R"(
for i in $(seq 200); do [ -e "%1/go" ] && break; sleep 0.05; done
sqlite3 "$TUNZO_REGISTRY" "UPDATE vals SET data = x'02000000' WHERE name = 'Adapter';
  UPDATE vals SET data = x'0000000000805640' WHERE name = 'DefaultStation';")").arg(QString::fromStdString(dir)));
    TMainForm& f = Start();
    f.TuneTo(103.3);

    bool settingsEnabledMeanwhile = true;
    QTimer::singleShot(0, &f, [&] {
        settingsEnabledMeanwhile = f.item_settings->isEnabled() || f.Settings1->isEnabled();
        Press(Qt::Key_M);  // the panel answers while it waits
        QFile(QString::fromStdString(dir + "/go")).open(QIODevice::WriteOnly);
    });
    f.item_settings->trigger();

    EXPECT_FALSE(Card().audible) << "the panel did not answer while the setup program ran";
    EXPECT_TRUE(f.lbl_mute->isVisible()) << "the card is still muted after the reload";
    EXPECT_FALSE(settingsEnabledMeanwhile) << "a second setup program could be started";
    EXPECT_TRUE(f.item_settings->isEnabled());
    EXPECT_EQ(TunerSettings.Adapter, 2);
    EXPECT_NEAR(TunerSettings.CurrentFrequency, 103.3, 1e-9) << "not the 90.0 the setup program stored";
    EXPECT_EQ(f.Digit->Value(), "103.3");

    // Without the program: it says which, and reads the store all the same.
    std::filesystem::remove(dir + "/tunecfg");
    QString said;
    AnswerNextMessageBox(said);
    f.Settings1->trigger();
    EXPECT_TRUE(said.contains(QString::fromStdString(dir + "/tunecfg"))) << said.toStdString();
    EXPECT_TRUE(f.Settings1->isEnabled());
}

// The panel goes on working while the setup program runs; what it did
// meanwhile stays, and what the setup program stored comes in.
TEST_F(PanelTest, WhatThePanelDidWhileTheSetupProgramRanStaysAfterIt)
{
    Stored([](TTunerSettings& s) {
        s.CurrentFrequency = 94.2;
        s.TuneToLastStation = true;
    });
    StoreProgramFolder(dir);
    WriteProgram(dir, "tunecfg", QString(R"(
for i in $(seq 200); do [ -e "%1/go" ] && break; sleep 0.05; done
sqlite3 "$TUNZO_REGISTRY" "UPDATE vals SET data = x'09000000' WHERE name = 'Preset scan delay';")")
                                     .arg(QString::fromStdString(dir)));
    TMainForm& f = Start();
    QTimer::singleShot(0, &f, [&] {
        QTest::mouseClick(f.RC_TuneUp, Qt::LeftButton);  // tunes 95.2 while the setup program is open
        QFile(QString::fromStdString(dir + "/go")).open(QIODevice::WriteOnly);
    });
    f.item_settings->trigger();

    EXPECT_NEAR(TunerSettings.CurrentFrequency, 95.2, 1e-9) << "the station tuned meanwhile was undone";
    EXPECT_EQ(f.Digit->Value(), "095.2");
    EXPECT_EQ(TunerSettings.PresetScanDelay, 9);
    QTest::mouseClick(f.RC_TuneUp, Qt::LeftButton);
    EXPECT_NEAR(Card().frequency, 96.2, 1e-9) << "the next step starts from the station shown";
    f.close();
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(MainKey, false));
    EXPECT_EQ(reg.ReadInteger("Preset scan delay"), 9);
    EXPECT_NEAR(reg.ReadFloat("DefaultStation"), 96.2, 1e-9);
}

// The setup program run on its own while the panel runs: the panel takes
// its changes in before it acts on them, and its save at exit keeps them.
TEST_F(PanelTest, ASetupProgramRunBesideThePanelIsFollowedAndNotSavedOver)
{
    Stored([](TTunerSettings& s) { s.CurrentFrequency = 94.2; });
    TMainForm& f = Start();
    QProcess setup;
    setup.start("sqlite3", {QString::fromStdString(dir + "/registry.sqlite"),
                            "UPDATE vals SET data = x'000000000000E03F' WHERE name = 'Tune step';"
                            "UPDATE vals SET data = x'01000000' WHERE name = 'Cycle stations';"});
    ASSERT_TRUE(setup.waitForFinished());
    ASSERT_EQ(setup.exitCode(), 0);
    f.storeWatch_.start(0);  // its next look, now rather than within the second
    EXPECT_TRUE(QTest::qWaitFor([] { return TunerSettings.TuneStep == 0.5; }));
    QTest::mouseClick(f.RC_TuneUp, Qt::LeftButton);
    EXPECT_NEAR(TunerSettings.CurrentFrequency, 94.7, 1e-9) << "the step the setup program stored";
    f.close();
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(MainKey, false));
    EXPECT_DOUBLE_EQ(reg.ReadFloat("Tune step"), 0.5);
    EXPECT_TRUE(reg.ReadBool("Cycle stations"));
}

// With "Always on top" the setup program's window opened under the panel.
TEST_F(PanelTest, ThePanelStepsBackFromTheTopWhileTheSetupProgramRuns)
{
    Stored([](TTunerSettings& s) { s.AlwaysOnTop = true; });
    StoreProgramFolder(dir);
    WriteProgram(dir, "tunecfg", QString(R"(
for i in $(seq 200); do [ -e "%1/go" ] && break; sleep 0.05; done)").arg(QString::fromStdString(dir)));
    TMainForm& f = Start();
    ASSERT_TRUE(f.windowFlags() & Qt::WindowStaysOnTopHint);
    bool onTopMeanwhile = true;
    QTimer::singleShot(0, &f, [&] {
        onTopMeanwhile = f.windowFlags() & Qt::WindowStaysOnTopHint;
        QFile(QString::fromStdString(dir + "/go")).open(QIODevice::WriteOnly);
    });
    f.item_settings->trigger();
    EXPECT_FALSE(onTopMeanwhile);
    EXPECT_TRUE(f.windowFlags() & Qt::WindowStaysOnTopHint) << "on top again afterwards";
}

// The companion takes the radio over as it plays, as the only instance.
TEST_F(PanelTest, LaunchPipitHandsTheRadioOverOnlyToACompanionThatIsThere)
{
    Stored([](TTunerSettings&) {});
    StoreProgramFolder(dir);
    TMainForm& f = Start();
    int released = 0;
    f.ReleaseInstance = [&] { ++released; };
    RadioDriver::Unmute();

    QString said;
    AnswerNextMessageBox(said);
    f.LaunchPipit1->trigger();
    EXPECT_TRUE(said.contains(QString::fromStdString(dir + "/pipit"))) << said.toStdString();
    EXPECT_EQ(terminations, 0) << "the panel ended with nobody to take the radio";
    EXPECT_EQ(released, 0);

    WriteProgram(dir, "pipit", QString("touch \"%1/pipit-ran\"").arg(QString::fromStdString(dir)));
    f.LaunchPipit1->trigger();
    EXPECT_EQ(terminations, 1);
    EXPECT_EQ(released, 1);
    EXPECT_TRUE(Card().audible) << "the radio plays on for the companion";
    for (int i = 0; i < 200 && !std::filesystem::exists(dir + "/pipit-ran"); ++i)
        QTest::qWait(10);
    EXPECT_TRUE(std::filesystem::exists(dir + "/pipit-ran"));
}

// Asked each time the Actions menu opens: a tray may come after the panel.
TEST_F(PanelTest, LaunchPipitIsOffWithoutATrayToLiveIn)
{
    Stored([](TTunerSettings&) {});
    tray.desktopHasTray = false;
    TMainForm& f = Start();
    const auto enabledWhenOpened = [&] {
        Press(Qt::Key_A, Qt::AltModifier);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(f.mnu_file));
        const bool enabled = f.LaunchPipit1->isEnabled();
        f.mnu_file->close();
        return enabled;
    };
    EXPECT_FALSE(enabledWhenOpened());
    tray.desktopHasTray = true;
    EXPECT_TRUE(enabledWhenOpened());
}

// The dialogs are made when first opened: each still belongs to the panel,
// answers F1 with its own topic and stays on top with a panel that does.
TEST_F(PanelTest, DialogsMadeOnFirstUseKeepTheirOwnerTopicAndPlaceOnTop)
{
    Stored([](TTunerSettings& s) { s.AlwaysOnTop = true; });
    TMainForm& f = Start();
    EXPECT_TRUE(f.findChildren<QDialog*>().isEmpty());

    const auto open = [&](const std::function<void()>& click) {
        QString topic;
        bool owned = false;
        bool onTop = false;
        QTimer::singleShot(0, &f, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            owned = dialog->parentWidget() == &f;
            onTop = dialog->windowFlags() & Qt::WindowStaysOnTopHint;
            QTest::keyClick(dialog->windowHandle(), Qt::Key_F1);
            topic = ShownTopic();
            if (THelpWindow::Current())
                THelpWindow::Current()->close();
            dialog->reject();
        });
        click();
        EXPECT_TRUE(owned);
        EXPECT_TRUE(onTop);
        return topic;
    };
    EXPECT_EQ(open([&] { f.item_habout->trigger(); }), "ctx-57");
    EXPECT_EQ(open([&] { QTest::mouseClick(f.cmd_jump, Qt::LeftButton); }), "ctx-503");
    EXPECT_EQ(open([&] { QTest::mouseClick(f.cmd_sleep, Qt::LeftButton); }), "ctx-97");
    EXPECT_EQ(f.findChildren<QDialog*>().size(), 3);
    // Opened again, each is the one made the first time.
    EXPECT_EQ(open([&] { f.item_habout->trigger(); }), "ctx-57");
    EXPECT_EQ(f.findChildren<QDialog*>().size(), 3);
}
