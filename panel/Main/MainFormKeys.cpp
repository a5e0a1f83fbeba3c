// Keys, the display menus and the display modes: the window sees every key
// before the focused control, and lays itself out for the minimal window,
// the slider, the clock and staying on top.

#include "MainForm.h"

#include "AdapterCatalogue.h"
#include "CustomPanel.h"
#include "Display.h"
#include "PopBtn.h"
#include "RadioDriver.h"
#include "ScrollingLabel.h"
#include "TaskbarButton.h"
#include "TrayIcon.h"
#include "TunerSettings.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QScreen>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QSlider>
#include <QWindow>

void TMainForm::WireKeys()
{
    // Every event of the application passes the window first: the keys, as
    // the window sees them before the focused control, and the clicks on the
    // labels, the logo and the display, which have no click of their own.
    qApp->installEventFilter(this);
    for (QAction* a : {mnu_display_minimal, mnu_sys_minimal})
        connect(a, &QAction::triggered, this, &TMainForm::mnu_display_minimalClick);
    for (QAction* a : {mnu_display_ontop, mnu_sys_ontop})
        connect(a, &QAction::triggered, this, &TMainForm::mnu_display_ontopClick);
    for (QAction* a : {mnu_display_slider, mnu_sys_slider})
        connect(a, &QAction::triggered, this, &TMainForm::mnu_display_sliderClick);
    for (QAction* a : {mnu_display_Clock, mnu_sys_clock})
        connect(a, &QAction::triggered, this, &TMainForm::mnu_display_ClockClick);
}

// ---------------------------------------------------------------- display modes

QSize TMainForm::DesignWindowSize() const
{
    const TTunerSettings& s = TunerSettings;
    if (s.MinimalWindow)
        return {Panel2->width() + 20, Panel2->height() + 55};
    const int width = Panel2->width() + gr_preset->width() + gr_snooze->width() + 21;
    const int height = s.ShowFrequencySlider ? TrackBar1->y() + TrackBar1->height() + 50 : TrackBar1->y() + 30;
    return {width, height};
}

namespace {
// The display panel's place at the window's left in the full window.
constexpr int DisplayLeft = 2;
}  // namespace

void TMainForm::KeepWindowOnScreen()
{
    // A place saved on a larger screen, or a window grown by a display mode,
    // would leave part of it off screen: it comes onto the screen it is on,
    // frame and all. Before the window is first shown the desktop's frame
    // is not known; the design's allowance stands in for it.
    QScreen* screen = QGuiApplication::screenAt(pos());
    if (!screen)
        screen = QGuiApplication::screenAt(geometry().center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QSize outer = isVisible() && frameGeometry().size() != size()
                            ? frameGeometry().size()
                            : size() + QSize(DesignFrameWidth, DesignFrameHeight);
    const QRect area = screen->availableGeometry();
    const ScreenArea kept =
        KeepOnArea({x(), y(), outer.width(), outer.height()}, {area.x(), area.y(), area.width(), area.height()});
    if (kept.x != x() || kept.y != y())
        move(kept.x, kept.y);
}

void TMainForm::ApplyDisplayMode()
{
    TTunerSettings& s = TunerSettings;
    const bool minimal = s.MinimalWindow;
    mnu_file->setTitle(minimal ? "&Act" : "&Actions");
    mnu_options->setTitle(minimal ? "&Opt" : "&Options");
    mnu_channels->setTitle(minimal ? "&Chan" : "&Channels");
    // The minimal window shows the display panel only; whatever it does not
    // show is hidden, not left cut off at its edge.
    for (QWidget* w : std::initializer_list<QWidget*>{gr_preset, gr_snooze, gr_tune, gr_scan, gr_volume, logo,
                                                       cmd_exit, lbl_radiotext})
        w->setVisible(!minimal);
    for (QLabel* label : lbl_freq)
        label->setVisible(!minimal && s.ShowFrequencySlider);
    TrackBar1->setVisible(!minimal && s.ShowFrequencySlider);
    const QSize design = DesignWindowSize();
    setFixedSize(design.width() - DesignFrameWidth, design.height() - DesignFrameHeight);
    // The minimal window is the display with a margin: as wide on the right
    // as on the left.
    const int clientWidth = design.width() - DesignFrameWidth;
    Panel2->move(minimal ? (clientWidth - Panel2->width()) / 2 : DisplayLeft, Panel2->y());
    KeepWindowOnScreen();

    mnu_display_minimal->setChecked(minimal);
    mnu_sys_minimal->setChecked(minimal);
    mnu_display_slider->setChecked(s.ShowFrequencySlider);
    mnu_sys_slider->setChecked(s.ShowFrequencySlider);
    mnu_display_slider->setEnabled(!minimal);
    mnu_sys_slider->setEnabled(!minimal);
    mnu_display_ontop->setChecked(s.AlwaysOnTop);
    mnu_sys_ontop->setChecked(s.AlwaysOnTop);
    StayOnTop(s.AlwaysOnTop);
    ApplyVolumeTargetRules();
    cmd_scanup->setEnabled(s.Adapter != SF16FMPAdapter);
    cmd_scandown->setEnabled(s.Adapter != SF16FMPAdapter);
}

void TMainForm::StayOnTop(bool onTop)
{
    if (bool(windowFlags() & Qt::WindowStaysOnTopHint) == onTop)
        return;
    // Changing a flag hides the window; it comes back where it was.
    const bool wasVisible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (wasVisible)
        show();
}

void TMainForm::mnu_display_minimalClick()
{
    TunerSettings.MinimalWindow = !TunerSettings.MinimalWindow;
    ApplyDisplayMode();
}

void TMainForm::mnu_display_ontopClick()
{
    TunerSettings.AlwaysOnTop = !TunerSettings.AlwaysOnTop;
    ApplyDisplayMode();
}

void TMainForm::mnu_display_sliderClick()
{
    TunerSettings.ShowFrequencySlider = !TunerSettings.ShowFrequencySlider;
    ApplyDisplayMode();
}

void TMainForm::mnu_display_ClockClick()
{
    TunerSettings.ShowClock = !TunerSettings.ShowClock;
    mnu_display_Clock->setChecked(TunerSettings.ShowClock);
    mnu_sys_clock->setChecked(TunerSettings.ShowClock);
    ShowClockTimeNow();
    lbl_time->setVisible(TunerSettings.ShowClock);
    TickEverySecondIfNeeded();
}

// The taskbar button and the tray icon while the window shows, by the first
// digit of "Display icons".
void TMainForm::HideTaskbarIcon()
{
    switch (TunerSettings.IconsWhenShown) {
    case IconsTrayOnly:
        TrayIcon->SetActive(true);
        break;
    case IconsTaskbarOnly:
        TrayIcon->SetActive(false);
        show();
        break;
    case IconsBoth:
        TrayIcon->SetActive(true);
        show();
        break;
    default:
        break;
    }
    ShowTaskbarButtonUnlessTheTrayStandsIn();
}

void TMainForm::ShowTaskbarButtonUnlessTheTrayStandsIn()
{
    // The tray icon alone stands for the shown window only when the desktop
    // really shows it; without a tray the taskbar button stays, or nothing
    // would be left to reach the window by.
    const bool trayOnly = TunerSettings.IconsWhenShown == IconsTrayOnly && TrayIcon->OnDesktop();
    ShowTaskbarButton(this, !trayOnly);
}

// ---------------------------------------------------------------- keys and mouse

bool TMainForm::IsFirstDeliveryOfKey(QObject* watched, QEvent* event)
{
    // A key reaches the window, then the focused control and, while it is
    // ignored, that control's parents, as one and the same event; only its
    // first delivery to a control counts. The focus cannot tell which that
    // was, since a command run by the key may move it. Nor can the address
    // alone: Qt builds every key at the same place. A press is told from the
    // next one by the release between them, and by the window's delivery
    // that begins each real key.
    const QEvent*& inDelivery = event->type() == QEvent::KeyPress ? pressInDelivery_ : releaseInDelivery_;
    if (watched == static_cast<QObject*>(windowHandle())) {
        inDelivery = nullptr;
        return false;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this || event == inDelivery)
        return false;
    inDelivery = event;
    (event->type() == QEvent::KeyPress ? releaseInDelivery_ : pressInDelivery_) = nullptr;
    return true;
}

bool TMainForm::HandleDisplayMouse(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        for (size_t i = 0; i < lbl_freq.size(); ++i)
            if (watched == lbl_freq[i]) {
                lbl_freqClick(BandLabelMHz[i]);
                return true;
            }
        if (watched == logo) {
            item_haboutClick();
            return true;
        }
    }
    if (event->type() == QEvent::MouseButtonDblClick && watched->isWidgetType() &&
        (watched == Panel2 || Panel2->isAncestorOf(static_cast<QWidget*>(watched)))) {
        mnu_display_minimalClick();
        return true;
    }
    // The window's own background, between the groups.
    if (event->type() == QEvent::MouseButtonDblClick && watched == centralWidget()) {
        mnu_display_sliderClick();
        return true;
    }
    return false;
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        if (IsFirstDeliveryOfKey(watched, event)) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (watched == TrackBar1)
                TrackBar1KeyDown(key);
            FormKeyDown(key);
        }
        return false;  // seen first, never consumed
    case QEvent::KeyRelease:
        if (IsFirstDeliveryOfKey(watched, event))
            FormKeyUp(static_cast<QKeyEvent*>(event));
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
        // The user's mouse moves the slider: a drag, a click on the track or
        // the wheel tunes, whatever moved the slider before.
        if (watched == TrackBar1)
            SliderGuard = false;
        return false;
    default:
        break;
    }
    if (HandleDisplayMouse(watched, event))
        return true;
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::FormKeyDown(QKeyEvent* key)
{
    if (key->key() == Qt::Key_Control) {
        CtrlHeld = true;
        return;
    }
    if (CtrlHeld)
        return;
    const bool keypad = key->modifiers() & Qt::KeypadModifier;
    if (keypad && KeypadKeyDown(key->key()))
        return;
    switch (key->key()) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        PageKeyDown(key->key() == Qt::Key_PageUp, (key->modifiers() & ~Qt::KeypadModifier) == Qt::ShiftModifier);
        break;
    case Qt::Key_J:
        cmd_jumpClick();
        break;
    case Qt::Key_L:
        cmd_alarmClick();
        break;
    case Qt::Key_M:
        cmd_muteClick();
        break;
    case Qt::Key_P:
        LeaveProgram();
        break;
    case Qt::Key_R:
        item_recordClick();
        break;
    case Qt::Key_S:
        cmd_sleepClick();
        break;
    case Qt::Key_W:
        cmd_memoryClick();
        break;
    default:
        // The digits of the main keyboard choose a button of the bank; 0 is
        // the tenth.
        if (!keypad && key->key() >= Qt::Key_0 && key->key() <= Qt::Key_9) {
            const int digit = key->key() - Qt::Key_0;
            Preset_click(PresetBank + (digit == 0 ? PresetButtonCount : digit), false);
        }
        break;
    }
}

bool TMainForm::KeypadKeyDown(int key)
{
    switch (key) {
    case Qt::Key_1:
    case Qt::Key_8:
    case Qt::Key_9:
        // The first digit of every FM frequency opens the jump dialog.
        QuickJumpWithDigit(key - Qt::Key_0);
        return true;
    case Qt::Key_Plus:
        StepVolume(true);
        return true;
    case Qt::Key_Minus:
        StepVolume(false);
        return true;
    default:
        // The other keypad digits mean nothing; its page keys are page keys.
        return key != Qt::Key_PageUp && key != Qt::Key_PageDown;
    }
}

void TMainForm::PageKeyDown(bool up, bool shiftAlone)
{
    // The page keys choose presets; the slider's own move for them must not
    // tune.
    SliderGuard = true;
    if (shiftAlone)
        SetPresetScan(!PresetScanRunning, up);
    else if (up)
        NextPreset();
    else
        PreviousPreset();
}

void TMainForm::FormKeyUp(QKeyEvent* key)
{
    if (key->key() == Qt::Key_Control)
        CtrlHeld = false;
}
