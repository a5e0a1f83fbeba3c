// The panel's start-up: what the constructor does before the window shows,
// and what waits until the window has painted its first picture (the tray
// icon and the published handle), so that the user's first look at the
// panel does not wait for round trips to the desktop and the disk.

#include "MainForm.h"

#include "AdapterCatalogue.h"
#include "CustomPanel.h"
#include "FmDigi.h"
#include "PortAccess.h"
#include "RadioDriver.h"
#include "RuntimeDirectory.h"
#include "SettingsStore.h"
#include "TaskbarButton.h"
#include "TrayIcon.h"
#include "TunzoResources.h"

#include <QLabel>
#include <QMessageBox>
#include <QPixmap>

#include <unistd.h>

namespace {
// The digit strip's cells are 19 pixels wide; it holds eleven of them, not
// the ten the display assumes by default.
constexpr int DigitCellWidth = 19;
}  // namespace

void TMainForm::ReportStoreError(const std::exception& error)
{
    // A store that cannot be read fails every step of the start-up that
    // touches it, each with the same words: they are shown once.
    const QString text = QString::fromStdString(error.what());
    if (startingUp_ && text == lastStartUpStoreError_)
        return;
    if (startingUp_)
        lastStartUpStoreError_ = text;
    QMessageBox::critical(this, "Tunzo", text);
}

void TMainForm::FormCreate(const std::vector<std::string>& arguments)
{
    RestoreHookInstalled = true;
    ActivatedOnce = false;
    AlarmFiredThisMinute = false;
    try {
        move(LoadWindowLeft("Main Window"), LoadWindowTop("Main Window"));
    } catch (const std::exception& e) {
        ReportStoreError(e);
    }
    // The display shows no bevels of its own on the black panel.
    Digit->SetBevelInner(TPanelBevel::bvNone);
    Digit->SetBevelOuter(TPanelBevel::bvNone);
    Digit->SetNumbers(ProgramPicture(":/DIGITS"));
    Digit->SetNumberWidth(DigitCellWidth);

    // A store error leaves the values read so far; the panel still starts.
    try {
        InitialiseSettings();
    } catch (const std::exception& e) {
        settingsLoaded_ = true;
        // The box waits for OK; a logout meanwhile ends the session there.
        ReportStoreError(e);
    }
    settingsLoaded_ = true;
    if (ending_)
        return;
    LoadScheduledEvents();
    RadioDriver::RefreshMuteIndicator = [this] { RefreshMuteIndicator(); };
    RadioDriver::ProcessMessages = [] { QApplication::processEvents(); };
    SliderGuard = false;

    // No card traffic without port access; the serial line needs none.
    if (RadioDriver::ReachedByPort(TunerSettings.Adapter) && !OpenPortAccess()) {
        QMessageBox::critical(this, "Tunzo",
                              QString::fromStdString(PortAccessDeniedMessage(TunerSettings.CardPort, "tunzo")));
        return;
    }
    ParseCommandLine(arguments);

    setup_menu();
    ApplyDisplayMode();
    mnu_display_slider->setChecked(TunerSettings.ShowFrequencySlider);
    mnu_display_Clock->setChecked(TunerSettings.ShowClock);
    lbl_time->setVisible(TunerSettings.ShowClock);
    logo->setPixmap(QPixmap::fromImage(ProgramIconPicture()));
    ShowAlarmState();
    LabelPresetButtons();
    OpenSerialLine();
    OpenReceiver();

    // Actions given on the command line take the place of the last station.
    ShowFrequency();
    if (ActionList.Count > 0)
        ExecuteActions();
    else if (TunerSettings.TuneToLastStation)
        TuneTo(TunerSettings.CurrentFrequency);
    else
        ShowWhatTheReceiverPlays();
    SetSliderPosition();
    RecogniseStation();
    RefreshMuteIndicator();
    LeaveTrayIconForTheFirstPicture();

    SearchRunning = false;
    AlarmFiredThisMinute = false;
    // The handle is our process id; the hand-over socket carries it, and the
    // store tells a second start where to find it once the window is on
    // screen (FinishStartUp).
    TunerSettings.WindowHandle = static_cast<int32_t>(getpid());
    receiver.Listen(RuntimeDirectory(), TunerSettings.WindowHandle);

    ActivatedOnce = false;
    PresetScanMarker.clear();
    SliderGuard = false;
    Timer1.start();
    started_ = true;
}

void TMainForm::PublishHandleWithoutWaiting()
{
    // A second start finds this window through the store. While another
    // program holds the store's write lock the window does not wait for it:
    // the handle goes in once the lock is free, tried once a second for as
    // long as a write would otherwise have waited.
    bool done = true;
    try {
        const TRegistryNoWait noWait;
        done = PublishWindowHandle() || --publishTriesLeft_ <= 0;
    } catch (const std::exception& e) {
        ReportStoreError(e);
    }
    if (done)
        publishRetry_.stop();
    else if (!publishRetry_.isActive())
        publishRetry_.start();
}

void TMainForm::LeaveTrayIconForTheFirstPicture()
{
    // Making the tray icon and docking it are round trips to the desktop,
    // and to its bus to learn which kind of tray it has: the icon goes up
    // once the window has painted its first picture. Until then the taskbar
    // button is left out as though the desktop shows the icon, as it mostly
    // does, so that the button does not flash.
    ShowTaskbarButton(this, TunerSettings.IconsWhenShown != IconsTrayOnly);
}

// ---------------------------------------------------------------- after the first picture

void TMainForm::FinishStartUp()
{
    // Once, even when a message box below lets a minimise come in.
    if (startUpFinished_)
        return;
    startUpFinished_ = true;
    TrayIcon->SetActive(TunerSettings.IconsWhenShown != IconsTaskbarOnly);
    ShowTaskbarButtonUnlessTheTrayStandsIn();
    // Writing the store waits for the disk; a second start that comes
    // before this waits for the handle.
    publishTriesLeft_ = PublishTries;
    PublishHandleWithoutWaiting();
    startingUp_ = false;
}

