// The programs the panel hands work to: the setup program, which it waits
// for and then reads the store again, and the companion, which takes the
// radio over; the GemTek's serial line, which the setup program may need;
// help and the About box.

#include "MainForm.h"

#include "AdapterCatalogue.h"
#include "Events.h"
#include "HelpContexts.h"
#include "HelpWindow.h"
#include "PortAccess.h"
#include "Presets.h"
#include "RadioDriver.h"
#include "SerialRadio.h"
#include "SettingsStore.h"
#include "TrayIcon.h"
#include "TunerSettings.h"
#include "about.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QEventLoop>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QScopeGuard>

#include <cstdio>
#include <unistd.h>

namespace {

// A program of the system, in the folder "Path" names, or in the running
// program's own folder when "Path" is empty.
QString ProgramPath(const char* name)
{
    const QString folder = TunerSettings.ProgramFolder.empty()
                               ? QCoreApplication::applicationDirPath()
                               : QString::fromStdString(TunerSettings.ProgramFolder);
    return folder + "/" + name;
}

}  // namespace

void TMainForm::WirePrograms()
{
    for (QAction* a : {item_habout, About1, sp_about})
        connect(a, &QAction::triggered, this, &TMainForm::item_haboutClick);
    // A click on the logo arrives through the window's event filter.
    for (QAction* a : {Index1, Index2})
        connect(a, &QAction::triggered, this, &TMainForm::Index1Click);
    for (QAction* a : {Searchforhelpon1, Searchforhelpon2})
        connect(a, &QAction::triggered, this, &TMainForm::Searchforhelpon1Click);
    InstallHelpKey(HelpMainWindow);

    connect(&storeWatch_, &QTimer::timeout, this, &TMainForm::FollowStoreChanges);
    storeWatch_.start(StoreWatchMs);

    for (QAction* a : {item_settings, Settings1})
        connect(a, &QAction::triggered, this, &TMainForm::item_settingsClick);
    connect(LaunchPipit1, &QAction::triggered, this, &TMainForm::LaunchPipit1Click);
    // The companion lives only in the tray: without one nobody could reach
    // it. Asked when the menu opens, not at start-up: the question is a
    // round trip to the desktop's bus, and a tray may come or go meanwhile.
    connect(mnu_file, &QMenu::aboutToShow, this, [this] { LaunchPipit1->setEnabled(TrayIcon->DesktopHasTray()); });
}

bool TMainForm::ProgramFound(const QString& program, const char* what)
{
    if (QFileInfo(program).isExecutable())
        return true;
    QMessageBox::warning(this, "Tunzo", QString("The %1 %2 was not found.").arg(what, program));
    return false;
}

int TMainForm::RunAndWait(const QString& program)
{
    // Never destroyed while it runs: destroying a QProcess kills its
    // program, and a panel that ends meanwhile must not take the user's
    // half-done setup with it.
    auto* process = new QProcess;
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    QEventLoop wait;
    connect(process, &QProcess::finished, &wait, &QEventLoop::quit);
    connect(process, &QProcess::errorOccurred, &wait, [&wait](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            wait.quit();
    });
    process->start(program, {});
    // The program's window opens above a panel that stays on top, not under
    // it; the panel stays on top again once the program has ended.
    StayOnTop(false);
    const auto onTopAgain = qScopeGuard([this] {
        if (!ending_)
            StayOnTop(TunerSettings.AlwaysOnTop);
    });
    // The panel goes on working meanwhile: its events run in this loop.
    if (process->state() != QProcess::NotRunning)
        wait.exec();
    if (process->state() != QProcess::NotRunning)
        return ProgramNotEnded;  // the panel is ending; the program stays
    const int code = process->error() == QProcess::FailedToStart ? ProgramNotEnded : process->exitCode();
    if (process->error() == QProcess::FailedToStart)
        QMessageBox::warning(this, "Tunzo", QString("%1 could not be started: %2").arg(program, process->errorString()));
    delete process;
    return code;
}

void TMainForm::item_settingsClick()
{
    // One setup program at a time: a second would write the same settings,
    // and the first one's end would open the serial line under the second.
    for (QAction* a : {item_settings, Settings1})
        a->setEnabled(false);
    const auto enable = qScopeGuard([this] {
        for (QAction* a : {item_settings, Settings1})
            a->setEnabled(true);
    });
    CloseSerialLine();  // the setup program may need it
    SaveSettingsAndPosition();
    const QString setup = ProgramPath(SetupProgramName);
    setupRunning_ = true;
    if (ProgramFound(setup, "setup program"))
        RunAndWait(setup);
    setupRunning_ = false;
    if (ending_)
        return;
    TakeInStoreChanges(true);
}

void TMainForm::FollowStoreChanges()
{
    // The setup program's changes come in once it has ended, with the
    // serial line it may have used.
    if (!started_ || ending_ || setupRunning_ || takingInStore_)
        return;
    // Not under a dialog or inside a search, which work on the settings as
    // they were: the next look, once they are done, takes the change in.
    if (QApplication::activeModalWidget() || SearchRunning)
        return;
    bool changed = false;
    try {
        changed = StoreChangedElsewhere();
    } catch (const std::exception& e) {
        ReportStoreProblemOnce(e.what());
    }
    if (changed)
        TakeInStoreChanges(false);
}

void TMainForm::TakeInStoreChanges(bool afterSetup)
{
    takingInStore_ = true;
    const auto done = qScopeGuard([this] { takingInStore_ = false; });
    // The card goes on playing what it plays, muted or not, whatever the
    // store says: the panel shows what the card does. Taken now, not before
    // the setup program: an event or a key may have tuned meanwhile.
    const double frequency = TunerSettings.CurrentFrequency;
    const bool soundOn = RadioDriver::SoundOn;
    const TTunerSettings before = TunerSettings;
    const PresetSlot shownBefore = ShownPreset > 0 ? Presets[static_cast<size_t>(ShownPreset - 1)] : PresetSlot{};
    try {
        RefreshSettings();
        LoadEvents();
    } catch (const std::exception& e) {
        // Between the user's commands nobody asked: a box each second would
        // bury the desktop. After the setup program the user waits for it.
        if (afterSetup)
            ReportStoreError(e);
        else
            ReportStoreProblemOnce(e.what());
    }
    TunerSettings.CurrentFrequency = frequency;
    RadioDriver::SoundOn = soundOn;

    const bool cardChanged = before.Adapter != TunerSettings.Adapter || before.CardPort != TunerSettings.CardPort ||
                             before.PortNumber != TunerSettings.PortNumber ||
                             before.RadioDevice != TunerSettings.RadioDevice;
    if (cardChanged && !afterSetup && before.Adapter == SerialLineAdapter)
        CloseSerialRadio();
    if (cardChanged || afterSetup)
        PassPortGateForReloadedCard();
    if (cardChanged || afterSetup) {
        OpenSerialLine();
        OpenReceiver();
    }
    RefreshMuteIndicator();
    // Another program may have stored, renamed or cleared presets; the
    // display names the preset it shows only while that one is as it was.
    setup_menu();
    MarkChannelMenu(ShownPreset);
    if (ShownPreset > 0) {
        const PresetSlot& shown = Presets[static_cast<size_t>(ShownPreset - 1)];
        if (shown.Frequency != shownBefore.Frequency || shown.StationName != shownBefore.StationName)
            RecogniseStation();
    }
    LabelPresetButtons();
    HideTaskbarIcon();
    ApplyDisplayMode();
    TickEverySecondIfNeeded();
}

void TMainForm::PassPortGateForReloadedCard()
{
    // A port card named now gets its port opened as at start-up; without
    // it every write to the card would be dropped unseen.
    if (!RadioDriver::ReachedByPort(TunerSettings.Adapter) || OpenPortAccess())
        return;
    QMessageBox::critical(this, "Tunzo",
                          QString::fromStdString(PortAccessDeniedMessage(TunerSettings.CardPort, "tunzo")));
}

void TMainForm::LaunchPipit1Click()
{
    const QString pipit = ProgramPath(CompanionProgramName);
    if (!ProgramFound(pipit, "companion"))
        return;  // the panel stays: nobody else would control the radio
    SaveSettingsAndPosition();
    // The companion starts as the only instance and may later start a
    // first-instance tunzo of its own.
    ReleaseInstance();
    receiver.Close();
    if (!QProcess::startDetached(pipit, {}))
        std::fprintf(stderr, "tunzo: %s could not be started\n", pipit.toLocal8Bit().constData());
    // Not muted: the companion takes over the playing card.
    Terminate();
}

void TMainForm::Index1Click()
{
    ShowHelp(HelpTopics);
}

void TMainForm::Searchforhelpon1Click()
{
    ShowHelpSearch();
}

void TMainForm::item_haboutClick()
{
    frm_about()->AlwaysOnTop = TunerSettings.AlwaysOnTop;
    ShowModal(*frm_about());
}

void TMainForm::ShowModal(QDialog& dialog)
{
    dialog.exec();
    // Not every window manager gives the focus back to the window a dialog
    // belonged to; without it the panel's keys would go nowhere.
    if (isVisible() && !isMinimized())
        activateWindow();
}

void TMainForm::OpenSerialLine()
{
    if (TunerSettings.Adapter != SerialLineAdapter)
        return;
    try {
        OpenSerialRadio();
    } catch (const std::exception& e) {
        QMessageBox::critical(this, "Tunzo", QString::fromStdString(SerialRadioErrorText(e)));
    }
}

void TMainForm::CloseSerialLine()
{
    if (TunerSettings.Adapter == SerialLineAdapter)
        CloseSerialRadio();
}
