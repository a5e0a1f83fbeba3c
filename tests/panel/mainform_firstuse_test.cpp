// What a person meets in the first minutes with the panel: the window's
// layout in each display mode and its frames, keys pressed again and again,
// long station names, the action count over a panel on top, and a locale
// whose decimal separator is not Latin-1.

#include "FmDigi.h"
#include "JumpForm.h"
#include "PanelFixture.h"
#include "PopBtn.h"
#include "TaskbarButton.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QSlider>
#include <QWindow>

namespace {

// Every control that shows lies whole inside the window's client area.
void ExpectEveryVisibleControlInside(const TMainForm& f)
{
    const QRect client = f.centralWidget()->rect();
    for (const QWidget* w : f.centralWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (w->isHidden())
            continue;
        EXPECT_TRUE(client.contains(w->geometry())) << w->objectName().toStdString() << " at "
                                                    << w->geometry().x() << "," << w->geometry().y() << " "
                                                    << w->width() << "x" << w->height() << " outside "
                                                    << client.width() << "x" << client.height();
    }
}

bool HasDialogFrame(Qt::WindowFlags flags)
{
    return (flags & Qt::CustomizeWindowHint) && (flags & Qt::WindowTitleHint) &&
           !(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
}

}  // namespace

TEST_F(PanelTest, EachDisplayModeShowsOnlyWhatFitsItsWindowInTheDesignedFrames)
{
    Stored([](TTunerSettings& s) { s.MinimalWindow = true; });
    TMainForm& f = Start();
    for (QWidget* w : std::initializer_list<QWidget*>{f.gr_tune, f.gr_scan, f.gr_volume, f.gr_snooze, f.logo,
                                                       f.cmd_exit})
        EXPECT_TRUE(w->isHidden()) << w->objectName().toStdString();
    ExpectEveryVisibleControlInside(f);
    f.mnu_display_minimalClick();
    EXPECT_FALSE(f.gr_tune->isHidden());
    ExpectEveryVisibleControlInside(f);
    f.mnu_display_sliderClick();
    ExpectEveryVisibleControlInside(f);

    // A minimise box and no maximise box on a window of fixed size; dialogs
    // with neither.
    const Qt::WindowFlags main = f.windowFlags();
    EXPECT_TRUE(main & Qt::CustomizeWindowHint);
    EXPECT_TRUE(main & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(main & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(HasDialogFrame(f.frm_jump()->windowFlags()));

    // The bank buttons' hints take two lines.
    EXPECT_EQ(f.cmd_presetup->toolTip().split('\n').size(), 2);
    EXPECT_EQ(f.cmd_presetdown->toolTip().split('\n').size(), 2);
}

TEST_F(PanelTest, EveryPressOfAKeyActsWhateverHasTheFocus)
{
    Stored([](TTunerSettings& s) { s.ShowFrequencySlider = false; });
    TMainForm& f = Start();
    f.TuneTo(94.2);
    // With the slider hidden nothing has the focus and keys go to the window
    // itself; then with a button focused. Qt builds each key it delivers at
    // the same place, so two presses may well be one and the same object.
    for (QWidget* focus : std::initializer_list<QWidget*>{nullptr, f.pre[0]}) {
        if (focus)
            focus->setFocus();
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &f;
        QKeyEvent press(QEvent::KeyPress, Qt::Key_M, Qt::NoModifier, "m");
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_M, Qt::NoModifier, "m");
        QApplication::sendEvent(target, &press);
        QApplication::sendEvent(target, &release);
        EXPECT_FALSE(Card().audible);
        QApplication::sendEvent(target, &press);
        QApplication::sendEvent(target, &release);
        EXPECT_TRUE(Card().audible);
        const int volume = Card().volume;
        Press(Qt::Key_Plus, Qt::KeypadModifier);
        Press(Qt::Key_Plus, Qt::KeypadModifier);
        EXPECT_EQ(Card().volume, volume + 2);
    }
}

TEST_F(PanelTest, ALongStationNameIsCutWithDotsAndShownWholeInTheHint)
{
    Stored([](TTunerSettings& s) { s.CurrentFrequency = 103.3; });
    SavePreset(1, "Radio Tunzo Overnight Classics and Jazz", true, 103.3);
    SavePreset(2, "Short", true, 94.2);
    TMainForm& f = Start();
    f.RecogniseStation();
    const QString shown = f.lbl_station->text();
    EXPECT_TRUE(shown.endsWith("...")) << shown.toStdString();
    EXPECT_TRUE(QString("1 Radio Tunzo Overnight Classics and Jazz").startsWith(shown.chopped(3)));
    EXPECT_LE(f.lbl_station->fontMetrics().horizontalAdvance(shown), f.lbl_station->contentsRect().width());
    EXPECT_EQ(f.lbl_station->toolTip(), "1 Radio Tunzo Overnight Classics and Jazz");

    f.TuneTo(94.2);
    f.RecogniseStation();
    EXPECT_EQ(f.lbl_station->text(), "2 Short");
    EXPECT_EQ(f.lbl_station->toolTip(), "");
}

TEST_F(PanelTest, TheActionCountShowsAboveAPanelThatStaysOnTop)
{
    Stored([](TTunerSettings& s) { s.AlwaysOnTop = true; });
    TMainForm& f = Start({"VUP"});
    ASSERT_NE(f.actionsBox, nullptr);
    EXPECT_TRUE(f.actionsBox->isVisible());
    EXPECT_TRUE(f.actionsBox->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(HasDialogFrame(f.actionsBox->windowFlags()));
}

TEST_F(PanelTest, ASeparatorOutsideLatinOneReachesTitlesWholeAndTheDisplayAsItsDecimalCell)
{
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt));
    const QString separator = QLocale().decimalPoint();
    ASSERT_GT(separator.front().unicode(), 0xFF);
    Stored([](TTunerSettings& s) { s.CurrentFrequency = 103.3; });
    TMainForm& f = Start();
    QLocale::setDefault(previous);
    f.RecogniseStation();
    EXPECT_EQ(f.windowTitle(), "Tunzo 103" + separator + "3");
    EXPECT_FALSE(f.windowTitle().contains(QChar(0)));
    EXPECT_EQ(f.Digit->Value(), "103.3");
}

TEST_F(PanelTest, TheTrayIconAloneStandsForTheWindowOnlyWhenTheDesktopShowsIt)
{
    struct Row {
        int8_t iconsWhenShown;
        bool desktopHasTray;
        bool taskbarButton;
    };
    for (const Row row : {Row{IconsTrayOnly, true, false}, Row{IconsTrayOnly, false, true},
                          Row{IconsBoth, true, true}, Row{IconsTaskbarOnly, true, true}}) {
        SCOPED_TRACE(testing::Message() << int(row.iconsWhenShown) << " tray " << row.desktopHasTray);
        Stored([&](TTunerSettings& s) { s.IconsWhenShown = row.iconsWhenShown; });
        tray.desktopHasTray = row.desktopHasTray;
        TMainForm& f = Start();
        EXPECT_EQ(TaskbarButtonShown(&f), row.taskbarButton);
        // A restore from the tray applies the same rule again.
        f.sp_restoreClick();
        EXPECT_EQ(TaskbarButtonShown(&f), row.taskbarButton);
        form.reset();
    }
}

TEST_F(PanelTest, AKeyOpensItsDialogOnceAndThePanelHasTheKeysAgainAfterIt)
{
    Stored([](TTunerSettings&) {});
    TMainForm& f = Start();
    f.TrackBar1->setFocus();  // the dialog moves the focus; the key travels on from the slider
    // Every dialog that opens is closed; the answers end with this test.
    int closed = 0;
    std::function<void()> closeAll;
    QObject answering;
    closeAll = [&] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()); dialog && dialog->isVisible()) {
            ++closed;
            dialog->reject();
        }
        QTimer::singleShot(5, &answering, closeAll);
    };
    QTimer::singleShot(0, &answering, closeAll);
    Press(Qt::Key_J);
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(f.frm_jump()->isVisible());
    EXPECT_EQ(QApplication::activeWindow(), &f);
}

TEST_F(PanelTest, CtrlHeldBlocksTheKeysUntilReleasedAndDoubleClicksToggleTheDisplay)
{
    Stored([](TTunerSettings& s) { s.CurrentFrequency = 88.0; });
    SavePreset(1, "One", true, 94.2);
    TMainForm& f = Start();
    f.TuneTo(88.0);
    QWindow* window = f.windowHandle();
    QTest::keyPress(window, Qt::Key_Control, Qt::ControlModifier);
    for (Qt::Key key : {Qt::Key_1, Qt::Key_M, Qt::Key_PageUp})
        QTest::keyClick(window, key);
    EXPECT_NEAR(Card().frequency, 88.0, 1e-9);
    EXPECT_TRUE(Card().audible);
    QTest::keyRelease(window, Qt::Key_Control);
    Press(Qt::Key_1);
    EXPECT_NEAR(Card().frequency, 94.2, 1e-9);

    // A double click on the display makes the window minimal and back; one
    // on the window's background hides the slider.
    QTest::mouseDClick(f.Digit, Qt::LeftButton);
    EXPECT_TRUE(TunerSettings.MinimalWindow);
    QTest::mouseDClick(f.Digit, Qt::LeftButton);
    EXPECT_FALSE(TunerSettings.MinimalWindow);
    const QPoint background(f.gr_tune->geometry().right() + 1, f.gr_tune->geometry().center().y());
    ASSERT_EQ(f.centralWidget()->childAt(background), nullptr);
    QTest::mouseDClick(f.centralWidget(), Qt::LeftButton, {}, background);
    EXPECT_FALSE(TunerSettings.ShowFrequencySlider);
    EXPECT_TRUE(f.TrackBar1->isHidden());
}
