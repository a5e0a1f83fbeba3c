// The panel's life cycle: construction and start-up, activation, minimise and
// restore, the actions handed over by a second start, and every way out.

#include "MainForm.h"

#include "AdapterCatalogue.h"
#include "FirstOnScreen.h"
#include "Leaving.h"
#include "MediaPlayerService.h"
#include "PopBtn.h"
#include "PortAccess.h"
#include "Presets.h"
#include "RadioDriver.h"
#include "SettingsStore.h"
#include "SystemLog.h"
#include "TrayIcon.h"
#include "Tuning.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QScopeGuard>


namespace {
constexpr int ActionCountTextWidth = 120;
}  // namespace

TMainForm::TMainForm(const std::vector<std::string>& arguments, TrayShell* shell, SessionEndNotifier* sessionEnd)
{
    RadioDriver::CardTrafficEnded = false;
    // Before anything can wait for the user: a logout while a start-up box
    // waits for its OK ends the session there and then.
    if (sessionEnd)
        connect(sessionEnd, &SessionEndNotifier::sessionEnding, this, &TMainForm::EndSession);
    // The default locale is the system's unless a program (or a test) sets another.
    decimalSeparator_ = QLocale().decimalPoint().toStdString();
    timeSeparator_ = LocaleTimeSeparator();
    SetupUi(this, shell);
    CreateRdsDisplay();
    WireLifeCycle();
    WireTuning();
    WireVolume();
    WireTimers();
    WireSnooze();
    WireSearch();
    WirePresets();
    WirePresetScan();
    WireKeys();
    WirePrograms();
    CreateRecordingControls();
    FormCreate(arguments);
}

TMainForm::~TMainForm()
{
    // The feed's callbacks reach this form: none may run once it is gone.
    // After that nothing else reaches the player or the recorder, which
    // close their device and file as they go.
    StopFeed();
    player_.reset();
    recorder_.reset();
    qApp->removeEventFilter(this);
    RadioDriver::RefreshMuteIndicator = nullptr;
    RadioDriver::ProcessMessages = nullptr;
    RadioDriver::CardTrafficEnded = false;
}

void TMainForm::WireLifeCycle()
{
    cmd_exit->OnClick = [this](QObject*) { LeaveProgram(); };
    for (QAction* a : {item_exit, Exit2, Exit1})
        connect(a, &QAction::triggered, this, &TMainForm::LeaveProgram);
    connect(sp_restore, &QAction::triggered, this, &TMainForm::sp_restoreClick);
    TrayIcon->OnDblClick = [this](QObject*) { sp_restoreClick(); };
    publishRetry_.setInterval(PublishRetryMs);
    connect(&publishRetry_, &QTimer::timeout, this, &TMainForm::PublishHandleWithoutWaiting);
    connect(&receiver, &ActionReceiver::received, this, &TMainForm::ReceiveActions);
}

// ---------------------------------------------------------------- shown, minimised, restored

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!startUpFinished_)
        WhenFirstOnScreen(windowHandle(), FinishStartUpLatestMs, [this] { FinishStartUp(); });
    FormActivate();
}

void TMainForm::FormActivate()
{
    if (!ActivatedOnce && TunerSettings.StartMinimized)
        QTimer::singleShot(0, this, &QWidget::showMinimized);
    ActivatedOnce = true;
}

void TMainForm::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    if (isMinimized())
        AppOnMinimize();
    else if (RestoreHookInstalled && (change->oldState() & Qt::WindowMinimized))
        DoRestore();
}

void TMainForm::AppOnMinimize()
{
    // A window minimised before its first picture (a minimised start)
    // finishes its start-up now, so that the rules below act on the tray
    // icon it settles on.
    FinishStartUp();
    if (TunerSettings.IconsWhenMinimized != IconsTaskbarOnly)
        TrayIcon->SetActive(true);
    // Without a taskbar button the window is hidden; only when the desktop
    // really shows the tray icon, or nothing would be left to restore it by.
    if (TunerSettings.IconsWhenMinimized == IconsTrayOnly && TrayIcon->OnDesktop())
        QTimer::singleShot(0, this, &QWidget::hide);
}

void TMainForm::DoRestore()
{
    // The first restore after a minimised start brings the window back in
    // its normal state, shown, whatever restored it.
    RestoreHookInstalled = false;
    showNormal();
}

void TMainForm::sp_restoreClick()
{
    showNormal();
    raise();
    activateWindow();
    HideTaskbarIcon();
}

// ---------------------------------------------------------------- actions

void TMainForm::ReceiveActions(int32_t code, int32_t value)
{
    const ActionReception::Result result = Reception.Receive(code, value, ActionList, ActionListCapacity());
    if (result == ActionReception::Ignored)
        return;
    QApplication::processEvents();
    if (result == ActionReception::Complete)
        ExecuteActions();
}

void TMainForm::ShowActionCount()
{
    // Shown without waiting for the box to be closed: a forwarded or
    // scheduled action must not wait for a click. Above a panel that stays on
    // top, or the count would hide behind it.
    if (!actionsBox) {
        actionsBox = new QMessageBox(QMessageBox::Information, "Tunzo", "", QMessageBox::Ok, this);
        actionsBox->setObjectName("actionsBox");
        actionsBox->setModal(false);
        actionsBox->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                   Qt::WindowCloseButtonHint);
        // The short text would make a box too narrow for its title beside the
        // frame's buttons.
        if (auto* text = actionsBox->findChild<QLabel*>("qt_msgbox_label"))
            text->setMinimumWidth(ActionCountTextWidth);
    }
    actionsBox->setWindowFlag(Qt::WindowStaysOnTopHint, TunerSettings.AlwaysOnTop);
    actionsBox->setText(QString::number(ActionList.Count) + " actions");
    actionsBox->show();
    actionsBox->raise();
}

bool TMainForm::ActionsEndTheProgram() const
{
    for (int i = 0; i < ActionList.Count; ++i)
        if (ActionList.Entries[static_cast<size_t>(i)].Code == ActionClose)
            return true;
    return false;
}

void TMainForm::ExecuteActions()
{
    // A list that ends the program stops the hand-overs before anything of
    // it runs: a start that comes meanwhile must find nobody to hand its
    // words to, and run itself once this program is gone.
    if (ActionsEndTheProgram())
        StopTakingOrders();
    // A list that arrives while this one runs (its tunes let events run)
    // waits until this one is done, instead of being written over it.
    receiver.Hold();
    const auto resume = qScopeGuard([this] { receiver.Resume(); });
    ShowActionCount();

    for (int i = 0; i < ActionList.Count; ++i) {
        const ActionEntry& entry = ActionList.Entries[static_cast<size_t>(i)];
        switch (entry.Code) {
        case ActionClose:
            // The remaining entries still run; the loop ends afterwards.
            QTimer::singleShot(0, this, &TMainForm::Terminate);
            break;
        case ActionTunePreset:
            TunePresetFromAction(entry.Value);
            break;
        case ActionVolumeUp:
            RadioDriver::VolumeUp();
            StepPlayGain(true);
            RadioDriver::SoundOn = true;
            RefreshMuteIndicator();
            break;
        case ActionVolumeDown:
            RadioDriver::VolumeDown();
            StepPlayGain(false);
            RadioDriver::SoundOn = true;
            RefreshMuteIndicator();  // the radio plays: no "M"
            break;
        case ActionMute:
            RadioDriver::Mute();
            RefreshMuteIndicator();
            break;
        case ActionUnmute:
            RadioDriver::Unmute();
            break;
        case ActionRecord:
            RecordFor(entry.Value);
            break;
        default:
            break;
        }
    }
}

// ---------------------------------------------------------------- ending

void TMainForm::StopTakingOrders()
{
    // Closed first, before the saving and the mute: a second start then
    // finds no listener rather than handing its words to a program that
    // will never carry them out, and no media command queued meanwhile runs
    // after the end. The sound stops before the final mute, so that a muted
    // card is never followed by the tail of what was queued for the output.
    receiver.Close();
    StopFeed();
    StopAudio();
    if (mediaPlayer)
        mediaPlayer->Close();
}

void TMainForm::Terminate()
{
    ending_ = true;
    Timer1.stop();
    tmr_sleep.stop();
    StopTakingOrders();
    // Every way out has said its last word to the card by now.
    RadioDriver::CardTrafficEnded = true;
    TerminateApplication();
}

void TMainForm::SaveSettingsAndPosition()
{
    try {
        SaveSettings();
        SaveWindowPosition("Main Window", x(), y());
    } catch (const std::exception& e) {
        ReportStoreError(e);
    }
}

void TMainForm::LeaveProgram()
{
    TTunerSettings& s = TunerSettings;
    switch (ChooseLeaveAction(s.ShutdownOptions, RadioDriver::SoundOn)) {
    case LeaveChoice::Ask: {
        // The question must not hide behind a panel that stays on top.
        if (s.AlwaysOnTop) {
            setWindowFlag(Qt::WindowStaysOnTopHint, false);
            show();
        }
        SearchRunning = false;
        const auto answer = QMessageBox::question(this, "Tunzo", "Leave radio on the background?",
                                                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        if (answer == QMessageBox::Cancel || answer == QMessageBox::NoButton) {
            if (s.AlwaysOnTop)
                ApplyDisplayMode();
            return;
        }
        if (answer == QMessageBox::No)
            RadioDriver::Mute();
        break;
    }
    case LeaveChoice::Mute:
        RadioDriver::Mute();
        break;
    case LeaveChoice::LeavePlaying:
        break;
    }
    StopTakingOrders();
    SaveSettingsAndPosition();
    Terminate();
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    event->ignore();  // the form's own close processing never runs
    if (ending_)
        return;
    StopTakingOrders();
    CloseSerialLine();
    SaveSettingsAndPosition();
    // The close box never asks and always mutes.
    RadioDriver::Mute();
    Terminate();
}

void TMainForm::EndSession()
{
    // Logout, shutdown or Ctrl+C: save, mute, end at once, and only once
    // however many signals follow. Nobody is left to click a message box,
    // and the session gives us only so long, so problems go to the system
    // log and a locked store is not waited for as long as usual.
    if (ending_)
        return;
    ending_ = true;
    StopTakingOrders();
    const auto report = [](const std::string& text) {
        QString lines = QString::fromStdString(text);
        lines.replace('\r', ' ');
        ReportToSystemLog("tunzo", lines.toStdString());
    };
    SetRegistryWriteErrorHook(report);
    SetRegistryBusyTimeout(SessionEndBusyTimeoutMs);
    // An end during the start-up (its message box waiting for OK) saves what
    // was read, and nothing before the settings were read at all.
    if (settingsLoaded_) {
        try {
            SaveSettings();
        } catch (const std::exception& e) {
            report(e.what());
        }
    }
    // The start-up may not have reached the card's gate yet; the mute must.
    if (!started_ && TunerSettings.Adapter != SerialLineAdapter)
        OpenPortAccess();
    RadioDriver::Mute();
    Terminate();
}
