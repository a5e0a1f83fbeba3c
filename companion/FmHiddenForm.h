#pragma once
// pipit's one object: what the design's hidden window does. It has no window
// of its own; it lives as a tray icon whose left click mutes or unmutes and
// whose right click opens a popup menu built anew each time (presets, the
// volume path, volume, starting tunzo, the ways out), and it runs the action
// lists of its command line and of second starts. The card work goes through
// the companion's route (CompanionDriver.h).

#include "ActionReceiver.h"
#include "Actions.h"
#include "TrayIcon.h"

#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>

class InstanceLock;
class MediaPlayerService;

// The tips the icon shows.
inline constexpr const char* PipitTip = "Pipit";
inline constexpr const char* PipitMutedTip = "Pipit - muted";
inline constexpr const char* PipitStationTipPrefix = "Pipit - ";

// The exit code of a start that found no tray on the desktop.
inline constexpr int ExitWithoutTray = 1;

// A message of pipit's: always on standard error, and in a message box when a
// display can show one (never on the offscreen platform, where nobody could
// answer it).
void ShowPipitMessage(const QString& text);

class TFmHiddenForm : public QObject {
    Q_OBJECT
public:
    // Runs the start-up at once (the tray icon, the settings, the port gate,
    // the command line's actions, the channel). `shell` is the desktop's tray
    // or a stand-in and must outlive the form; `instance` is the lock this
    // process holds, let go when tunzo is started (none in tests).
    TFmHiddenForm(TrayShell& shell, InstanceLock* instance);
    ~TFmHiddenForm() override;

    // What the form reaches outside itself; tests replace them. An exit asked
    // for outside a running loop would end the next one at once.
    std::function<void()> TerminateApplication = [] { QApplication::exit(0); };
    std::function<void(const QString&)> ShowMessage = ShowPipitMessage;
    std::function<bool(const QString& program, const QStringList& arguments)> StartProgram;

    // False when the start-up ended early; the program then ends with exitCode().
    bool started() const { return started_; }
    int exitCode() const { return exitCode_; }

    // ---- the state the design names ----
    int CurrentPreset = 0;  // chosen last in this run; 0 = none
    ActionReception Reception;
    TTrayIcon TrayIcon;
    ActionReceiver receiver;

    // The menu of the last right click while it is open, for tests.
    QMenu* PopupMenu() const { return popupMenu_; }

    // ---- tray mouse ----
    void TrayLeftClick();
    void TrayRightClick(int x, int y);

    // ---- menu commands, by their ids (CompanionMenu.h) ----
    void MenuCommand(int id);
    void ChoosePreset(int n);
    void ToggleVolumeControl();
    void VolumeStep(int32_t step);
    // `arguments`: action words tunzo carries out as it starts.
    void LaunchTunzo(const QStringList& arguments = {});
    // Asks for the end from the event loop, as a posted close would.
    void Close();

    // ---- mute and unmute with the icon ----
    void MuteWithIcon();
    void UnmuteWithIcon();

    // ---- the desktop's remote control (FmHiddenFormMedia.cpp) ----
    // Offers pipit on the session bus to media keys and sound applets;
    // without a bus pipit runs on as it is, silently.
    void StartMediaControl();
    void ShowStationOnBus();
    void ShowMuteStateOnBus();
    void ChooseNextPreset(bool up);
    MediaPlayerService* mediaPlayer = nullptr;  // none until started, or without a bus

    // ---- another program's changes to the store (FmHiddenFormStore.cpp) ----
    // Takes in what another program wrote (the settings this one has not
    // changed itself, the presets) before pipit acts on them, at each look
    // of the watch and before the menu opens; a port card named now gets its
    // gate. The station the card plays stays.
    void FollowStoreChanges();
    static constexpr int StoreWatchMs = 1000;
    QTimer storeWatch;

    // ---- actions ----
    void RunActions();
    // Entries from `first` on, as words for tunzo's command line.
    void HandActionsToTunzo(int first);
    void ReceiveActions(int32_t code, int32_t value);

    // Removes the icon, ends the loop and saves the settings.
    void Shutdown();

private:
    void FormCreate();
    bool PassPortGate();
    void Publish();
    void EndAtOnce();
    void SaveSettingsReporting();
    void ShowIcon(const QIcon& icon, const QString& tip);
    QString TunzoProgram() const;

    InstanceLock* instance_;
    QIcon soundOnIcon_;
    QIcon mutedIcon_;
    QPointer<QMenu> popupMenu_;
    bool auxDevicesCounted_ = false;
    bool started_ = false;
    bool ending_ = false;
    bool saved_ = false;
    int exitCode_ = 0;
};
