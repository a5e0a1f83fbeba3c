#include "FmHiddenForm.h"

#include "AdapterCatalogue.h"
#include "AuxVolume.h"
#include "CompanionDriver.h"
#include "CompanionMenu.h"
#include "Frequency.h"
#include "InstanceLock.h"
#include "MessageBoxes.h"
#include "PortAccess.h"
#include "Presets.h"
#include "RadioDriver.h"
#include "RuntimeDirectory.h"
#include "SettingsStore.h"
#include "StationNameFile.h"
#include "TunzoResources.h"

#include <QCoreApplication>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPixmap>
#include <QProcess>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

QIcon StateIcon(TrayState state)
{
    return QIcon(QPixmap::fromImage(TrayStatePicture(state)));
}

// Shown as written: an "&" in a station name is no shortcut.
QString MenuText(const std::string& text)
{
    return QString::fromStdString(text).replace('&', "&&");
}

void AppendItems(QMenu& menu, const std::vector<CompanionMenuItem>& items)
{
    for (const CompanionMenuItem& item : items) {
        switch (item.kind) {
        case CompanionMenuItem::Separator:
            menu.addSeparator();
            break;
        case CompanionMenuItem::Submenu:
            AppendItems(*menu.addMenu(MenuText(item.text)), item.items);
            break;
        case CompanionMenuItem::Command: {
            // Qt's menus have no column break: a separator marks where a
            // column begins, and Qt makes columns of a menu taller than the
            // screen itself.
            if (item.beginsColumn)
                menu.addSeparator();
            QAction* action = menu.addAction(MenuText(item.text));
            action->setData(item.id);
            action->setCheckable(item.checked);
            action->setChecked(item.checked);
            action->setEnabled(!item.disabled);
            break;
        }
        }
    }
}

}  // namespace

void ShowPipitMessage(const QString& text)
{
    std::fprintf(stderr, "pipit: %s\n", text.toLocal8Bit().constData());
    if (CanShowMessageBox())
        QMessageBox::warning(nullptr, "Tunzo", text);
}

TFmHiddenForm::TFmHiddenForm(TrayShell& shell, InstanceLock* instance)
    : TrayIcon(shell), instance_(instance)
{
    StartProgram = [](const QString& program, const QStringList& arguments) {
        return QProcess::startDetached(program, arguments);
    };
    soundOnIcon_ = StateIcon(TrayState::SoundOn);
    mutedIcon_ = StateIcon(TrayState::Muted);
    TrayIcon.OnClick = [this](QObject*) { TrayLeftClick(); };
    TrayIcon.OnRightClick = [this](QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int x, int y) {
        TrayRightClick(x, y);
    };
    connect(&receiver, &ActionReceiver::received, this, &TFmHiddenForm::ReceiveActions);
    FormCreate();
}

TFmHiddenForm::~TFmHiddenForm()
{
    delete popupMenu_;
}

// ---------------------------------------------------------------- start-up

void TFmHiddenForm::FormCreate()
{
    TrayIcon.SetIcon(soundOnIcon_);
    TrayIcon.SetToolTip(PipitTip);
    TrayIcon.SetActive(true);
    // Without a tray nothing of pipit could be reached: it ends before it
    // touches the card.
    if (!TrayIcon.OnDesktop()) {
        TrayIcon.SetActive(false);
        ShowMessage("Pipit lives in the system tray, and this desktop has none. "
                    "Use Tunzo instead, or start Pipit on a desktop with a system tray.");
        exitCode_ = ExitWithoutTray;
        return;
    }
    // The settings come before the gate: it opens the port they name.
    try {
        InitialiseSettings();
    } catch (const std::exception& e) {
        ShowMessage(QString::fromStdString(e.what()));
    }
    if (!PassPortGate()) {
        TrayIcon.SetActive(false);
        return;
    }
    // Taking over a radio that tunzo left playing: the name its station
    // sent by RDS, which tunzo left in the runtime folder.
    const std::string heard = ReadStationNameFile(FrequencyText(TunerSettings.CurrentFrequency));
    if (!heard.empty())
        TrayIcon.SetToolTip(PipitStationTipPrefix + QString::fromStdString(heard));
    RunActions();
    if (ending_)
        return;
    Publish();
    started_ = true;
    connect(&storeWatch, &QTimer::timeout, this, &TFmHiddenForm::FollowStoreChanges);
    storeWatch.start(StoreWatchMs);
}

bool TFmHiddenForm::PassPortGate()
{
    // As in tunzo, the serial card needs no port; the companion sends it
    // nothing anyway. A receiver reached by its device node needs none either.
    if (!RadioDriver::ReachedByPort(TunerSettings.Adapter) || OpenPortAccess())
        return true;
    ShowMessage(QString::fromStdString(PortAccessDeniedMessage(TunerSettings.CardPort, "pipit")));
    return false;
}

void TFmHiddenForm::Publish()
{
    // The handle is our process id; the hand-over socket carries it, and the
    // store tells a second start where to find it.
    TunerSettings.WindowHandle = static_cast<int32_t>(getpid());
    receiver.Listen(RuntimeDirectory(), TunerSettings.WindowHandle);
    try {
        PublishWindowHandle();
    } catch (const std::exception& e) {
        ShowMessage(QString::fromStdString(e.what()));
    }
}

// ---------------------------------------------------------------- the icon

void TFmHiddenForm::ShowIcon(const QIcon& icon, const QString& tip)
{
    TrayIcon.SetIcon(icon);
    TrayIcon.SetToolTip(tip);
}

void TFmHiddenForm::TrayLeftClick()
{
    if (RadioDriver::SoundOn)
        MuteWithIcon();
    else
        UnmuteWithIcon();
}

void TFmHiddenForm::TrayRightClick(int x, int y)
{
    // Only the menu's "Line in" needs the sound card's mixer: it is counted
    // here, once, rather than at every start, which would load and read the
    // sound system for runs that never open the menu.
    if (!auxDevicesCounted_) {
        EnumerateAuxDevices();
        auxDevicesCounted_ = true;
    }
    FollowStoreChanges();  // the menu lists the presets as stored now
    delete popupMenu_;
    auto* menu = new QMenu;
    popupMenu_ = menu;
    AppendItems(*menu, BuildCompanionMenu({CurrentPreset, RadioDriver::SoundOn, QLocale().decimalPoint().toStdString()}));
    // The choice runs once the menu is gone, as a command that arrives
    // afterwards; the menu itself is not kept.
    connect(menu, &QMenu::triggered, this, [this](QAction* action) {
        const int id = action->data().toInt();
        QTimer::singleShot(0, this, [this, id] { MenuCommand(id); });
    });
    connect(menu, &QMenu::aboutToHide, menu, &QObject::deleteLater);
    menu->popup(QPoint(x, y));
}

void TFmHiddenForm::MuteWithIcon()
{
    ShowIcon(mutedIcon_, PipitMutedTip);
    RadioDriver::CompanionMute();
    ShowMuteStateOnBus();
}

void TFmHiddenForm::UnmuteWithIcon()
{
    RadioDriver::CompanionUnmute();
    ShowIcon(soundOnIcon_, PipitTip);
    ShowMuteStateOnBus();
}

// ---------------------------------------------------------------- menu commands

void TFmHiddenForm::MenuCommand(int id)
{
    if (ending_)
        return;
    if (id >= 1 && id <= PresetCount) {
        ChoosePreset(id);
        return;
    }
    switch (id) {
    case MenuRadio:
    case MenuLineIn:
        ToggleVolumeControl();
        break;
    case MenuVolumeUp:
        VolumeStep(CompanionVolumeUpStep);
        break;
    case MenuMute:
        if (RadioDriver::SoundOn)
            MuteWithIcon();
        else
            UnmuteWithIcon();
        break;
    case MenuVolumeDown:
        VolumeStep(CompanionVolumeDownStep);
        break;
    case MenuLaunchTunzo:
        LaunchTunzo();
        break;
    case MenuRecordInTunzo:
        LaunchTunzo({QString::fromUtf8(ActionVocabulary[ActionRecord].Keyword)});
        break;
    case MenuExitPipit:
        Close();
        break;
    case MenuMuteAndExit:
        RadioDriver::CompanionMute();
        Close();
        break;
    default:
        break;
    }
}

void TFmHiddenForm::ChoosePreset(int n)
{
    const PresetSlot& slot = Presets[static_cast<size_t>(n - 1)];
    ShowIcon(soundOnIcon_, PipitStationTipPrefix + QString::fromStdString(slot.StationName));
    TunerSettings.CurrentFrequency = slot.Frequency;
    CurrentPreset = n;
    RadioDriver::CompanionTune(slot.Frequency);
    ShowStationOnBus();
}

void TFmHiddenForm::ToggleVolumeControl()
{
    // Either item switches: choosing the checked one goes to the other.
    TunerSettings.VolumeControl = TunerSettings.VolumeControl > VolumeOnCard ? VolumeOnCard : VolumeOnLineIn;
    SaveSettingsReporting();
}

void TFmHiddenForm::VolumeStep(int32_t step)
{
    RadioDriver::CompanionVolumeStep(step);
}

QString TFmHiddenForm::TunzoProgram() const
{
    // An empty "Path" is our own folder, where tunzo is installed beside us.
    const QString folder = TunerSettings.ProgramFolder.empty()
                               ? QCoreApplication::applicationDirPath()
                               : QString::fromStdString(TunerSettings.ProgramFolder);
    return folder + "/tunzo";
}

void TFmHiddenForm::LaunchTunzo(const QStringList& arguments)
{
    // Saved first: tunzo reads the settings as it starts, and ours must not
    // land on top of what it writes afterwards.
    SaveSettingsReporting();
    saved_ = true;
    if (instance_)
        instance_->Release();
    const QString program = TunzoProgram();
    if (StartProgram(program, arguments)) {
        Close();
        return;
    }
    // Nothing took over: we go on as the running program.
    saved_ = false;
    if (instance_ && instance_->Acquire(RuntimeDirectory()) != InstanceLock::Outcome::Acquired) {
        ShowMessage("Tunzo could not be started (" + program + "), and another program of Tunzo runs now.");
        Shutdown();
        return;
    }
    ShowMessage("Tunzo could not be started: " + program + " is missing or cannot be run.");
}

void TFmHiddenForm::Close()
{
    QTimer::singleShot(0, this, &TFmHiddenForm::Shutdown);
}

void TFmHiddenForm::Shutdown()
{
    if (ending_)
        return;
    ending_ = true;
    delete popupMenu_;
    TrayIcon.SetActive(false);
    receiver.Close();
    TerminateApplication();
    if (!saved_)
        SaveSettingsReporting();
}

void TFmHiddenForm::SaveSettingsReporting()
{
    try {
        SaveSettings();
    } catch (const std::exception& e) {
        ShowMessage(QString::fromStdString(e.what()));
    }
}

// ---------------------------------------------------------------- actions

void TFmHiddenForm::EndAtOnce()
{
    // "DIE" ends the program at once: the later entries are not run, and
    // nothing is saved; the icon does not stay behind.
    ending_ = true;
    delete popupMenu_;
    TrayIcon.SetActive(false);
    receiver.Close();
    if (started_)
        TerminateApplication();
}
