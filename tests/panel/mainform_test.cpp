// The front panel driven as a user would: clicks, keys, the slider and the
// jump dialog, checked on the display, the indicators, the title and the
// simulated card.

#include "AuxMixer.h"
#include "FmDigi.h"
#include "JumpForm.h"
#include "PanelFixture.h"
#include "PopBtn.h"
#include "RecordingPorts.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QSlider>
#include <QTest>

#include <limits>
#include <QTimer>
#include <QWheelEvent>

#include <fstream>
#include <functional>
#include <memory>
#include <sqlite3.h>

TEST_F(PanelTest, StepsWrapAtTheBandEndsOnDisplayAndCard)
{
    Stored([](TTunerSettings& s) { s.CurrentFrequency = 107.9; });
    TMainForm& f = Start();
    EXPECT_EQ(f.Digit->Value(), "107.9");

    QTest::mouseClick(f.RC_FTuneUp, Qt::LeftButton);
    EXPECT_EQ(f.Digit->Value(), "108.0");
    QTest::mouseClick(f.RC_FTuneUp, Qt::LeftButton);
    EXPECT_EQ(f.Digit->Value(), "087.0");  // wrapped, not 87.1
    EXPECT_NEAR(Card().frequency, 87.0, 1e-9);
    QTest::mouseClick(f.RC_TuneDown, Qt::LeftButton);
    EXPECT_EQ(f.Digit->Value(), "108.0");

    f.TuneTo(86.9);
    EXPECT_EQ(TunerSettings.CurrentFrequency, 108.0);
    f.TuneTo(108.05);
    EXPECT_EQ(TunerSettings.CurrentFrequency, 87.0);
    EXPECT_EQ(f.TrackBar1->value(), 870);
}

TEST_F(PanelTest, IndicatorShowsTunedStereoAndNotTuned)
{
    Stored([](TTunerSettings&) {});
    TMainForm& f = Start();
    f.TuneTo(94.2);
    EXPECT_EQ(f.lbl_status->text(), "T");
    EXPECT_EQ(f.lbl_status->toolTip(), "Tuned: 94.2");
    f.TuneTo(99.0);
    EXPECT_EQ(f.lbl_status->text(), " ");
    EXPECT_EQ(f.lbl_status->toolTip(), "Not tuned: 99");
    EXPECT_EQ(f.Digit->Value(), "099.0");
    EXPECT_EQ(f.windowTitle(), "Tunzo 103.3");  // titles follow recognition, not TuneTo

    form.reset();
    Stored([](TTunerSettings& s) {
        s.Adapter = 4;
        s.CardPort = 0x350;
    });
    TMainForm& aztech = Start();
    aztech.TuneTo(103.3);
    EXPECT_EQ(aztech.lbl_status->text(), "ST");
    EXPECT_EQ(aztech.lbl_status->toolTip(), "Tuned: 103.3");
}

TEST_F(PanelTest, BandLabelsTuneTheirWholeMegahertz)
{
    Stored([](TTunerSettings& s) { s.WideRange = true; });
    TMainForm& f = Start();
    QTest::mouseClick(f.lbl_freq[4], Qt::LeftButton);  // "95"
    EXPECT_EQ(TunerSettings.CurrentFrequency, 95.0);
    EXPECT_NEAR(Card().frequency, 95.0, 1e-9);
    f.TuneTo(150.0);  // wide range: the slider stops at its end
    EXPECT_EQ(f.TrackBar1->value(), 1080);
}

TEST_F(PanelTest, SliderTunesForTheUserOnlyAndRecognisesTwoTicksLater)
{
    Stored([](TTunerSettings&) {});
    SavePreset(7, "Radio Seven", true, 103.3);
    SavePreset(12, "Also 103.3", true, 103.3);
    TMainForm& f = Start();
    f.TuneTo(99.0);

    // The program's own moves do not tune.
    const double before = Card().frequency;
    f.SetSliderPosition();
    f.TrackBar1->setValue(1000);
    EXPECT_EQ(Card().frequency, before);
    // Page Up on the slider chooses the next preset; the slider's own step
    // for the key does not tune.
    QTest::keyClick(f.TrackBar1, Qt::Key_PageUp);
    EXPECT_NEAR(Card().frequency, 103.3, 1e-9);
    EXPECT_EQ(f.TrackBar1->value(), 1034);
    f.TuneTo(99.0);

    // Any other key on the slider, or the mouse, hands it to the user: a
    // click on the track beside the handle moves it one step, and tunes.
    f.TrackBar1->setFocus();
    QTest::keyClick(f.TrackBar1, Qt::Key_Right);
    EXPECT_NEAR(Card().frequency, 99.1, 1e-9);
    QTest::mouseClick(f.TrackBar1, Qt::LeftButton, {}, QPoint(f.TrackBar1->width() - 4, f.TrackBar1->height() / 2));
    EXPECT_EQ(f.TrackBar1->value(), 992);
    EXPECT_NEAR(Card().frequency, 99.2, 1e-9);
    f.SetSliderPosition();
    QWheelEvent wheel(QPointF(10, 10), f.TrackBar1->mapToGlobal(QPointF(10, 10)), {}, QPoint(0, 120), Qt::NoButton,
                      {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(f.TrackBar1, &wheel);
    EXPECT_NE(Card().frequency, 99.2);
    f.TrackBar1->setValue(1033);
    EXPECT_NEAR(Card().frequency, 103.3, 1e-9);
    EXPECT_EQ(f.Digit->Value(), "103.3");
    EXPECT_EQ(f.lbl_station->text(), "");

    f.Timer1Timer();
    EXPECT_EQ(f.lbl_station->text(), "");
    f.Timer1Timer();
    EXPECT_EQ(f.lbl_station->text(), "7 Radio Seven");  // the lower of two equal presets
    EXPECT_EQ(f.windowTitle(), "Tunzo 103.3 Radio Seven");
    EXPECT_EQ(tray.tip, "Tunzo 103.3 Radio Seven");
    EXPECT_EQ(f.LitButton, 7);
    EXPECT_TRUE(f.pre[6]->font().bold());
    EXPECT_EQ(CurrentPresetNumber, 7);
    ASSERT_EQ(f.ChannelCount, 2);
    EXPECT_TRUE(f.channelEntries[0]->isChecked());
    EXPECT_FALSE(f.channelEntries[2]->isChecked());
}

TEST_F(PanelTest, RecognitionLightsTheButtonInItsBank)
{
    Stored([](TTunerSettings&) {});
    SavePreset(23, "Bank Three", true, 94.2);
    SavePreset(24, "X", true, 89.0);
    TMainForm& f = Start();
    EXPECT_EQ(f.pre[3]->toolTip(), "Not set");
    QTest::mouseClick(f.RC_FTuneUp, Qt::LeftButton);  // 103.4: no preset
    EXPECT_EQ(f.windowTitle(), "Tunzo 103.4");
    f.TuneTo(94.1);
    QTest::mouseClick(f.RC_FTuneUp, Qt::LeftButton);
    EXPECT_EQ(f.PresetBank, 20);
    EXPECT_EQ(f.pre[0]->Caption(), "21");
    EXPECT_EQ(f.pre[2]->toolTip(), "Bank Three  94.2");
    EXPECT_EQ(f.pre[3]->toolTip(), "Not set");  // a one-character name
    EXPECT_EQ(f.LitButton, 3);
    EXPECT_EQ(f.lbl_station->text(), "23 Bank Three");
}

TEST_F(PanelTest, JumpDialogTunesOnlyWhenTheFrequencyChanged)
{
    Stored([](TTunerSettings&) {});
    TMainForm& f = Start();
    f.TuneTo(99.0);
    auto typeAndOk = [&](const QString& typing) {
        QTimer::singleShot(0, &f, [&f, typing] {
            QTest::keyClicks(f.frm_jump()->txt_freq, typing);
            QTest::mouseClick(f.frm_jump()->cmd_OK, Qt::LeftButton);
            if (f.frm_jump()->isVisible())
                f.frm_jump()->reject();
        });
    };
    typeAndOk("94,2");
    QTest::mouseClick(f.cmd_jump, Qt::LeftButton);
    EXPECT_NEAR(Card().frequency, 94.2, 1e-9);
    EXPECT_EQ(f.Digit->Value(), "094.2");

    sim->card(0x30C)->Write(0x00);  // mark the card: an unchanged jump must not touch it
    typeAndOk("109");
    f.cmd_jumpClick();
    EXPECT_FALSE(Card().audible);
    EXPECT_EQ(TunerSettings.CurrentFrequency, 94.2);

    // Keypad 9 opens it with the 9 typed.
    QString shown;
    QTimer::singleShot(0, &f, [&] {
        shown = f.frm_jump()->txt_freq->text();
        QTest::keyClicks(f.frm_jump()->txt_freq, "8.6");
        QTest::mouseClick(f.frm_jump()->cmd_OK, Qt::LeftButton);
    });
    Press(Qt::Key_9, Qt::KeypadModifier);
    EXPECT_EQ(shown, "9");
    EXPECT_NEAR(Card().frequency, 98.6, 1e-9);
}

TEST_F(PanelTest, MuteIndicatorAndTrayFollowTheSound)
{
    Stored([](TTunerSettings&) {});
    TMainForm& f = Start();
    f.TuneTo(94.2);
    EXPECT_TRUE(tray.Shows(":/ST_NORMAL"));
    EXPECT_TRUE(f.lbl_mute->isHidden());

    f.TrayIcon->TrayMessage(TrayMouseMessage::LeftButtonUp);  // a click on the tray icon mutes
    EXPECT_FALSE(RadioDriver::SoundOn);
    EXPECT_FALSE(f.lbl_mute->isHidden());
    EXPECT_TRUE(f.item_mute->isChecked());
    EXPECT_TRUE(f.sp_mute->isChecked());
    EXPECT_TRUE(tray.Shows(":/ST_MUTE"));
    EXPECT_FALSE(Card().audible);

    QTest::mouseClick(f.cmd_mute, Qt::LeftButton);
    EXPECT_TRUE(f.lbl_mute->isHidden());
    EXPECT_TRUE(tray.Shows(":/ST_NORMAL"));
    EXPECT_TRUE(Card().audible);

    // Down from mute: the card steps down twice and plays, so the "M" goes
    // (it used to stay until the next refresh); up from mute clears it too.
    QTest::mouseClick(f.cmd_mute, Qt::LeftButton);
    const int volume = Card().volume;
    QTest::mouseClick(f.RC_vol_down, Qt::LeftButton);
    EXPECT_EQ(Card().volume, volume - 2);
    EXPECT_TRUE(RadioDriver::SoundOn);
    EXPECT_TRUE(f.lbl_mute->isHidden());
    QTest::mouseClick(f.cmd_mute, Qt::LeftButton);  // sound is on: this mutes
    Press(Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(Card().volume, volume - 1);
    EXPECT_TRUE(f.lbl_mute->isHidden());
    EXPECT_TRUE(tray.Shows(":/ST_NORMAL"));
}

TEST_F(PanelTest, VolumeTargetFollowsTheAdapterAndTheMixer)
{
    Stored([](TTunerSettings& s) { s.VolumeControl = 5; });
    TMainForm& f = Start();  // no mixer device here: back to the card
    EXPECT_EQ(TunerSettings.VolumeControl, 0);
    EXPECT_FALSE(f.item_volctrl_line->isEnabled());
    EXPECT_TRUE(f.item_volctrl_radio->isChecked());
    // Without a line in a toggle has nowhere to go (it used to switch to
    // the missing line in); with one it switches and is saved.
    f.ToggleVolumeTarget();
    EXPECT_EQ(TunerSettings.VolumeControl, 0);
    auto owned = std::make_unique<FakeAuxMixer>(std::vector<uint32_t>{0});
    std::unique_ptr<AuxMixer> previous = SetAuxMixer(std::move(owned));
    const auto restore = qScopeGuard([&] { SetAuxMixer(std::move(previous)); });
    form.reset();
    Stored([](TTunerSettings& s) { s.VolumeControl = 0; });
    TMainForm& withLineIn = Start();
    withLineIn.ToggleVolumeTarget();
    EXPECT_EQ(TunerSettings.VolumeControl, 5);
    EXPECT_TRUE(withLineIn.pop_volctrl_line->isChecked());
    LoadSettings();  // it was saved
    EXPECT_EQ(TunerSettings.VolumeControl, 5);
}

// The mixer is asked only when the line in is chosen or offered: a start
// with the steps on the card leaves it alone until the volume menu opens.
TEST_F(PanelTest, MixerIsCountedWhenTheVolumeMenuFirstOpens)
{
    auto owned = std::make_unique<FakeAuxMixer>(std::vector<uint32_t>{0});
    FakeAuxMixer* mixer = owned.get();
    std::unique_ptr<AuxMixer> previous = SetAuxMixer(std::move(owned));
    const auto restore = qScopeGuard([&] { SetAuxMixer(std::move(previous)); });
    Stored([](TTunerSettings&) {});
    TMainForm& f = Start();
    EXPECT_EQ(mixer->countCalls, 0);

    QTest::mousePress(f.RC_vol_up, Qt::RightButton);
    ASSERT_TRUE(f.pop_volcontrol->isVisible());
    EXPECT_TRUE(f.pop_volctrl_line->isEnabled());
    f.pop_volcontrol->close();
    EXPECT_EQ(mixer->countCalls, 1);

    // Counted once: the next menu does not ask the sound system again.
    QTest::mousePress(f.RC_vol_down, Qt::RightButton);
    EXPECT_TRUE(f.pop_volctrl_line->isEnabled());
    f.pop_volcontrol->close();
    EXPECT_EQ(mixer->countCalls, 1);
}

TEST_F(PanelTest, DisplayModesSizeTheWindowAndRenameTheMenus)
{
    Stored([](TTunerSettings& s) { s.MinimalWindow = true; });
    TMainForm& f = Start();
    EXPECT_EQ(f.DesignWindowSize(), QSize(204, 118));
    EXPECT_EQ(f.mnu_file->title(), "&Act");
    EXPECT_EQ(f.mnu_channels->title(), "&Chan");
    EXPECT_FALSE(f.mnu_display_slider->isEnabled());
    EXPECT_TRUE(f.gr_preset->isHidden());

    f.mnu_display_minimalClick();
    EXPECT_EQ(f.mnu_options->title(), "&Options");
    EXPECT_EQ(f.DesignWindowSize().width(), 431);
    f.mnu_display_sliderClick();
    EXPECT_EQ(f.DesignWindowSize().height(), f.TrackBar1->y() + 30);
    EXPECT_TRUE(f.lbl_freq[0]->isHidden());
    EXPECT_EQ(f.size(), f.DesignWindowSize() - QSize(DesignFrameWidth, DesignFrameHeight));
}

TEST_F(PanelTest, ForwardedActionsRunAtOnceAndExtraEntriesAreDropped)
{
    Stored([](TTunerSettings&) {});
    SavePreset(3, "Three", true, 94.2);
    TMainForm& f = Start();
    f.TuneTo(99.0);
    const int volume = Card().volume;

    f.ReceiveActions(100, 2);
    f.ReceiveActions(2, 0);  // VUP
    f.ReceiveActions(4, 0);  // VMT
    EXPECT_EQ(Card().volume, volume + 1);
    EXPECT_FALSE(Card().audible);
    ASSERT_NE(f.actionsBox, nullptr);
    EXPECT_TRUE(f.actionsBox->isVisible());  // shown, not waited for
    EXPECT_EQ(f.actionsBox->text(), "2 actions");
    EXPECT_FALSE(f.lbl_mute->isHidden());

    // Seven announced, four taken: the list has room for four.
    f.ReceiveActions(100, 7);
    for (int code : {5, 1, 2, 2, 3, 3, 3})
        f.ReceiveActions(code, code == 1 ? 3 : 0);
    EXPECT_EQ(ActionList.Count, 4);
    EXPECT_NEAR(Card().frequency, 94.2, 1e-9);
    EXPECT_EQ(Card().volume, volume + 3);
    EXPECT_EQ(f.windowTitle(), "Tunzo  94.2 Three");
    EXPECT_EQ(f.actionsBox->text(), "4 actions");

    // 999 and entries without a header change nothing.
    f.ReceiveActions(999, 0);
    f.ReceiveActions(4, 0);
    EXPECT_TRUE(Card().audible);
}

TEST_F(PanelTest, ClosingAlwaysMutesAndPowerFollowsTheShutdownOption)
{
    Stored([](TTunerSettings&) {});
    Start().TuneTo(94.2);
    form->move(120, 80);
    form->close();
    EXPECT_FALSE(Card().audible);
    EXPECT_EQ(terminations, 1);
    terminations = 0;
    form.reset();
    EXPECT_EQ(LoadWindowLeft("Main Window"), 120);
    LoadSettings();
    EXPECT_NEAR(TunerSettings.CurrentFrequency, 94.2, 1e-9);

    for (int option : {0, 3}) {
        Stored([option](TTunerSettings& s) { s.ShutdownOptions = static_cast<int8_t>(option); });
        Start().TuneTo(103.3);
        QTest::mouseClick(form->cmd_exit, Qt::LeftButton);
        EXPECT_EQ(Card().audible, option == 3) << option;
        EXPECT_EQ(terminations, 1);
        terminations = 0;
        form.reset();
    }
}


TEST_F(PanelTest, AMalformedValueCostsOnlyItselfAndThePanelStartsAnyway)
{
    Stored([](TTunerSettings& s) { s.PresetScanDelay = 9; });
    {
        TRegistry reg;
        reg.SetRootKey(RegistryRoot::LocalMachine);
        ASSERT_TRUE(reg.OpenKey(MainKey, true));
        reg.WriteString("Tune step", "fast");  // not a float
        reg.CloseKey();
    }
    // Reported on standard error and in the system log, not in a box that
    // would hold the start-up.
    QString shown;
    AnswerNextMessageBox(shown);
    TMainForm& f = Start();
    EXPECT_TRUE(shown.isEmpty()) << shown.toStdString();
    EXPECT_TRUE(f.started());
    EXPECT_EQ(f.Digit->Value(), "103.3");
    EXPECT_EQ(TunerSettings.PresetScanDelay, 9) << "the values after the malformed one are read";
    QTest::mouseClick(f.RC_TuneUp, Qt::LeftButton);
    EXPECT_EQ(f.Digit->Value(), "104.3") << "the initial tune step stands in";
}

TEST_F(PanelTest, AStoredFrequencyThatIsNoneStartsThePanelOnTheInitialOne)
{
    const double none[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), 1e300};
    for (double stored : none) {
        SCOPED_TRACE(stored);
        form.reset();
        Stored([&](TTunerSettings& s) {
            s.CurrentFrequency = stored;
            s.TuneStep = stored;
            s.TuneToLastStation = true;
        });
        TMainForm& f = Start();
        EXPECT_EQ(f.Digit->Value(), "103.3");
        QTest::mouseClick(f.RC_TuneUp, Qt::LeftButton);
        EXPECT_EQ(f.Digit->Value(), "104.3") << "the initial tune step stands in";
    }
}

TEST_F(PanelTest, ADamagedStoreIsReportedOnceAndThePanelPlaysOnTheDefaultCard)
{
    std::ofstream(dir + "/registry.sqlite") << "not a settings store at all";
    int boxes = 0;
    QString shown;
    // The answers end with this test.
    QObject answering;
    std::function<void()> answerAll = [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            ++boxes;
            shown = box->text();
            box->done(QMessageBox::Ok);
        }
        if (!form || !form->started())
            QTimer::singleShot(5, &answering, answerAll);
    };
    QTimer::singleShot(0, &answering, answerAll);
    TMainForm& f = Start();
    EXPECT_EQ(boxes, 1) << "last: " << shown.toStdString();
    EXPECT_TRUE(shown.contains("is damaged or not a Tunzo settings store")) << shown.toStdString();
    ASSERT_TRUE(f.started()) << "the port gate refused the port of a store it could not read";
    QTest::mouseClick(f.RC_TuneUp, Qt::LeftButton);
    EXPECT_EQ(f.Digit->Value(), "104.3");
    EXPECT_NEAR(Card(0x30C).frequency, 104.3, 1e-9);
}

TEST_F(PanelTest, AStoreLockedByAnotherProgramHoldsUpNeitherTheWindowNorItsHandle)
{
    Stored([](TTunerSettings& s) { s.CurrentFrequency = 94.2; });
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open((dir + "/registry.sqlite").c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);

    TMainForm& f = Start();
    EXPECT_EQ(f.Digit->Value(), "094.2") << "the settings were read past the lock";
    EXPECT_NE(ReadPublishedWindowHandle(), TunerSettings.WindowHandle) << "written through another's lock?";

    // Once the other program lets go, a second start can find this window.
    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ReadPublishedWindowHandle() == TunerSettings.WindowHandle; }, 5000));
}

TEST_F(PanelTest, RefusedPortAccessEndsStartUpBeforeAnyCardTraffic)
{
    Stored([](TTunerSettings& s) { s.TuneToLastStation = true; });
    auto owned = std::make_unique<RecordingPortBackend>();
    owned->grantAccess = false;
    RecordingPortBackend* ports = owned.get();
    SetPortBackend(std::move(owned));
    QString shown;
    AnswerNextMessageBox(shown);
    form = std::make_unique<TMainForm>(std::vector<std::string>{"VUP"}, &tray);
    EXPECT_FALSE(form->started());
    EXPECT_TRUE(shown.contains("I/O port 0x30c")) << shown.toStdString();
    EXPECT_TRUE(shown.contains("setcap cap_sys_rawio+ep"));
    EXPECT_TRUE(ports->events.empty());
}

TEST_F(PanelTest, MinimisingHidesTheWindowOnlyBehindATrayIconOnScreen)
{
    for (bool hasTray : {true, false}) {
        Stored([](TTunerSettings& s) { s.IconsWhenShown = 1; s.IconsWhenMinimized = 0; });
        tray.desktopHasTray = hasTray;
        TMainForm& f = Start();
        EXPECT_FALSE(f.TrayIcon->Active());
        f.showMinimized();
        QApplication::processEvents();
        EXPECT_TRUE(f.TrayIcon->Active());
        // No tray to restore it from: the window stays within reach.
        EXPECT_EQ(f.isVisible(), !hasTray) << hasTray;
        f.sp_restoreClick();  // a double click on the icon
        EXPECT_TRUE(f.isVisible());
        EXPECT_FALSE(f.isMinimized());
        EXPECT_FALSE(f.TrayIcon->Active());  // shown: taskbar button only
        form.reset();
    }
}

// A start minimised to the tray finishes its start-up at the minimise: the
// icon it hides behind stays up, and a second start can find it.
TEST_F(PanelTest, AStartMinimisedToTheTrayHidesBehindItsIconAndCanBeFound)
{
    Stored([](TTunerSettings& s) {
        s.StartMinimized = true;
        s.IconsWhenShown = IconsTaskbarOnly;
        s.IconsWhenMinimized = IconsTrayOnly;
    });
    form = std::make_unique<TMainForm>(std::vector<std::string>{}, &tray);
    form->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->startUpFinished() && !form->isVisible(); }));
    EXPECT_TRUE(form->TrayIcon->Active());
    EXPECT_TRUE(form->TrayIcon->OnDesktop());
    EXPECT_EQ(ReadPublishedWindowHandle(), static_cast<int32_t>(getpid()));
}

TEST_F(PanelTest, RightButtonOnAVolumeButtonChoosesTheTargetAndStepsNothing)
{
    Stored([](TTunerSettings&) {});
    TMainForm& f = Start();
    f.TuneTo(94.2);
    const int volume = Card().volume;
    const QPoint inButton(10, 8);
    QTest::mousePress(f.RC_vol_up, Qt::RightButton, {}, inButton);
    QTest::mouseRelease(f.RC_vol_up, Qt::RightButton, {}, inButton);
    EXPECT_TRUE(f.pop_volcontrol->isVisible());
    const QPoint mouse = f.RC_vol_up->mapToGlobal(inButton);
    EXPECT_NEAR(f.pop_volcontrol->pos().x(), mouse.x() + 5, 1);
    EXPECT_NEAR(f.pop_volcontrol->pos().y(), mouse.y(), 1);
    EXPECT_EQ(Card().volume, volume);
    f.pop_volcontrol->close();

    QTest::mouseClick(f.RC_vol_up, Qt::LeftButton);
    EXPECT_EQ(Card().volume, volume + 1);
}
