#pragma once
// The front panel: the main window of tunzo. Its controls are made in
// MainFormUi; its handlers carry the names of their controls and events and
// stay short, one source file per concern (MainForm.cpp for the life cycle,
// MainFormStartUp, MainFormTuning, MainFormVolume, MainFormPresets, MainFormTimers,
// MainFormKeys, MainFormPrograms). The decisions they take live in
// panel/logic, the card work in RadioDriver.

#include "ActionReceiver.h"
#include "Actions.h"
#include "AudioPlayer.h"
#include "CardOps.h"
#include "MainFormUi.h"
#include "Presets.h"
#include "RdsDecoder.h"
#include "ReceiverFeed.h"
#include "Recorder.h"
#include "Registry.h"
#include "SoundPath.h"

#include <QApplication>
#include <QDateTime>
#include <QMainWindow>
#include <QTimer>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class QDialog;
class TScrollingLabel;
class MediaPlayerService;
struct ClockReading;
class QKeyEvent;
class QMessageBox;
class QSocketNotifier;
class TColumnMenu;

// The local time, asking the system for its time zone once a minute rather
// than on every call, as Qt's own reading does.
QDateTime LocalTimeNow();

class TMainForm : public QMainWindow, public TMainFormUi {
    Q_OBJECT
public:
    // `shell` replaces the desktop's tray (tests); it must outlive the form.
    // `sessionEnd`, when given, ends the session from the first moment the
    // form can wait for anything, its start-up's message boxes included.
    explicit TMainForm(const std::vector<std::string>& arguments, TrayShell* shell = nullptr,
                       SessionEndNotifier* sessionEnd = nullptr);
    ~TMainForm() override;

    // Ends the application's event loop; tests replace it, since an exit
    // asked for outside a running loop would end the next one at once.
    std::function<void()> TerminateApplication = [] { QApplication::exit(0); };
    // Gives up the single-instance lock, before the companion is started.
    std::function<void()> ReleaseInstance = [] {};

    // The wall clock, read once per tick of Timer1; tests set the time.
    std::function<QDateTime()> WallClock = LocalTimeNow;

    // False when start-up ended early (no port access): the program ends.
    bool started() const { return started_; }
    // True once a way out has begun (a logout during the start-up, say).
    bool ending() const { return ending_; }
    // True once the steps that wait for the window's first picture (or a
    // minimise) have run: the tray icon up as "Display icons" says, and the
    // handle published for a second start.
    bool startUpFinished() const { return startUpFinished_; }

    // ---- the state the design names ----
    bool SliderGuard = false;
    int8_t StationCheckPhase = 3;
    bool ActivatedOnce = false;
    bool RestoreHookInstalled = false;
    bool AlarmFiredThisMinute = false;
    int32_t SnoozeElapsed = 0;
    bool SearchRunning = false;
    bool SearchStopRequested = false;
    double SearchStart = 0.0;
    bool WriteArmed = false;
    bool PresetScanRunning = false;
    bool PresetScanUp = true;
    int32_t PresetScanTick = 0;
    int8_t PresetScanIndex = 0;
    int8_t PresetScanStart = 0;
    bool CtrlHeld = false;
    int8_t PresetBank = 0;
    int8_t LitButton = 0;
    int8_t PrevLitButton = 0;
    // The preset whose number and name the display shows, 0 for none: the
    // one lit button, and the one "Station" and "Clear" act on.
    int8_t ShownPreset = 0;
    uint8_t ChannelCount = 0;
    std::array<uint8_t, PresetCount> MenuPosition{};
    QString PresetScanMarker;
    ActionReception Reception;

    // ---- life cycle (MainForm.cpp) ----
    void ExecuteActions();
    void ReceiveActions(int32_t code, int32_t value);
    void LeaveProgram();
    void EndSession();
    void AppOnMinimize();
    void DoRestore();
    void sp_restoreClick();

    // ---- tuning (MainFormTuning.cpp) ----
    void TuneTo(double mhz);
    void ShowFrequency();
    void ShowTuneState();
    void SetSliderPosition();
    void RecogniseStation();
    void SetTitle(const QString& text);
    // The display's caption: preset n with its name, or nothing for 0.
    void ShowStationCaption(int n);
    void ShowStationLine();  // its caption and hint alone: the shown preset, else the RDS name
    void QuickJump();
    void cmd_jumpClick();
    void RC_TuneUpClick();
    void RC_FTuneUpClick();
    void RC_FTuneDownClick();
    void RC_TuneDownClick();
    void lbl_freqClick(int mhz);
    void TrackBar1Change(int position);
    void TrackBar1KeyDown(QKeyEvent* key);

    // ---- volume (MainFormVolume.cpp) ----
    void cmd_muteClick();
    // A step of the volume, on the card or the line in; the mute mark then
    // says whether the radio plays.
    void StepVolume(bool up);
    void RefreshMuteIndicator();
    void ToggleVolumeTarget();
    void PopupVolumeMenu(int x, int y);
    void RC_vol_upClick();
    void RC_vol_downClick();
    void VolumeUp1Click();
    void VolumeDown1Click();

    // ---- station search (MainFormSearch.cpp) ----
    void cmd_scanupClick(QObject* sender);

    // ---- presets (MainFormPresets.cpp) ----
    void LabelPresetButtons();
    void SetBtnFace(int prev, int lit);
    // Lights the button of the shown preset, when it is in the bank.
    void LightShownPreset();
    // "Station" and "Clear" name the shown preset, greyed without one.
    void NamePresetItems();
    void SelectBankFor(int n);
    void setup_menu();
    void MarkChannelMenu(int n);
    void Chanselect(int n);
    void Preset_click(int n, bool keepLit);
    void SelectPreset(int n);
    void pre1Click(int b);
    void pre1MouseDown(int b, Qt::MouseButton button);
    void DigitMouseDown();
    void pitem_nameClick();
    void pitem_clearClick();
    void cmd_memoryClick();
    void cmd_presetdownClick();
    void cmd_presetupClick();
    void NextPreset();
    void PreviousPreset();
    void TunePresetFromAction(int n);

    // ---- preset scan (MainFormPresetScan.cpp) ----
    void SetPresetScan(bool run, bool up);
    void PresetScanStep();
    void mnu_pscan_upClick();
    void mnu_pscan_downClick();

    // ---- timers (MainFormTimers.cpp) ----
    void Timer1Timer();
    bool TickEverySecond() const;
    // After a change that needs the tick each second (the clock shown, a
    // preset scan, a slider move) while it waits for the next minute.
    void TickEverySecondIfNeeded();
    void LoadScheduledEvents();

    // ---- sleep timer and alarm switch (MainFormSnooze.cpp) ----
    void tmr_sleepTimer();
    void cmd_sleepClick();
    void cmd_alarmClick();
    void ShowAlarmState();

    // ---- keys, menus and display modes (MainFormKeys.cpp) ----
    void ApplyDisplayMode();
    void HideTaskbarIcon();
    void ShowTaskbarButtonUnlessTheTrayStandsIn();
    void mnu_display_minimalClick();
    void mnu_display_ontopClick();
    void mnu_display_sliderClick();
    void mnu_display_ClockClick();
    // The design's outer window size for the current display mode, before
    // the desktop's own frame is taken off.
    QSize DesignWindowSize() const;
    // Keeps the window above the others, or lets it go below them.
    void StayOnTop(bool onTop);
    // Moves the window the least so that it lies wholly on its screen.
    void KeepWindowOnScreen();
    // What the display, its letters and the preset buttons show, in words
    // for a screen reader (MainFormAccessible.cpp).
    void DescribeForScreenReaders();

    // ---- the desktop's remote control (MainFormMedia.cpp) ----
    // Offers the panel on the session bus to media keys and sound applets;
    // without a bus the panel runs on as it is, silently.
    void StartMediaControl();
    void ShowStationOnBus();
    void ShowMuteStateOnBus();
    MediaPlayerService* mediaPlayer = nullptr;  // none until started, or without a bus

    // ---- programs and help (MainFormPrograms.cpp) ----
    void item_haboutClick();
    void Index1Click();
    void Searchforhelpon1Click();
    void item_settingsClick();
    void LaunchPipit1Click();
    // Starts a program and lets the panel run until it ends; its exit code,
    // or ProgramNotEnded when it did not start or the panel ends first.
    int RunAndWait(const QString& program);
    static constexpr int ProgramNotEnded = -1;
    static constexpr const char* SetupProgramName = "tunecfg";
    static constexpr const char* CompanionProgramName = "pipit";
    // Takes in what another program changed in the store (settings, presets,
    // events) and puts it to work: the card and its gate or serial line, the
    // display mode, the preset buttons. The panel's own unsaved changes and
    // the station the card plays stay. `afterSetup`: the setup program has
    // just ended, and the serial line was closed for it.
    void TakeInStoreChanges(bool afterSetup);
    // Asked once a second: another program's write is taken in before the
    // panel acts on what it changed, not only at the next start.
    void FollowStoreChanges();
    // A port card's gate, run again when the store names one; its message
    // when access is refused. The panel stays, so the user can choose again.
    void PassPortGateForReloadedCard();
    static constexpr int StoreWatchMs = 1000;
    QTimer storeWatch_;
    bool setupRunning_ = false;   // the store is taken in once it has ended
    bool takingInStore_ = false;  // a message box of the take-in lets the watch run
    // Runs one of the panel's dialogs and gives the panel the focus back.
    void ShowModal(QDialog& dialog);
    // The GemTek's serial line, when "Adapter" is 5: a line that cannot be
    // opened is shown, and the panel runs on without it.
    void OpenSerialLine();
    void CloseSerialLine();

    // ---- a receiver reached by a device node, adapter 7 (MainFormReceiver.cpp) ----
    // Opens it and watches it: a device that is missing, busy or not allowed
    // is shown and the panel runs on; an unplug is shown in the display and
    // the title, and a replug tunes it again with the mute state it had.
    void OpenReceiver();
    // A receiver that can be asked is shown as it is set when the start
    // leaves it alone (a stick plugged in since comes up elsewhere, muted);
    // one that cannot is tuned to the station shown.
    void ShowWhatTheReceiverPlays();
    void CheckReceiver();
    void ShowReceiverGone(const std::string& problem);
    void ShowReceiverMessage(const std::string& text);
    // The Scan buttons on a receiver that seeks by itself: the seek runs on a
    // worker, and the window stays free. False when the receiver cannot.
    bool StartHardwareSeek(bool down);
    void HardwareSeekDone(const SeekResult& result);
    void ReceiverCameBack();
    static constexpr int ReceiverCheckMs = 1000;  // an unplug is shown within two seconds
    QTimer receiverWatch_;
    QSocketNotifier* receiverHotplug_ = nullptr;  // udev's news of radio nodes, where there is udev
    bool receiverGone_ = false;
    bool hardwareSeekPending_ = false;  // a seek's worker has not answered yet
    std::jthread seekWorker_;

    // ---- what the receiver hands over besides tuning (MainFormFeed.cpp) ----
    // Started with the receiver, stopped before the final mute: RDS and sound.
    void StartFeed();
    void StopFeed();
    FeedSettings FeedSettingsNow() const;  // the receiver and its sound as the store says now
    // On the window's thread: what the station says changed (MainFormRds.cpp).
    void FeedRds(uint32_t changed, const RdsState& state);
    // On the feed's own thread, never the window's: the station's sound
    // (MainFormAudio.cpp). It must not wait and must not touch widgets.
    void FeedAudio(const float* frames, size_t count);
    void FeedFailed(const QString& message);
    bool feedRunning_ = false;

    // ---- the station's sound played (MainFormAudio.cpp) and recorded (MainFormRecording.cpp) ----
    // What the receiver can hand over; tests stand in for a receiver family.
    std::function<FeedAbilities(const FeedSettings&)> FeedAbilitiesOf = ReceiverFeedAbilities;
    void StartAudio();  // with the feed, after every settings reload
    void StopAudio();   // before the final mute; a recording closes whole
    void FollowSoundState();  // the mute mark and the volume gain onto the player
    void StepPlayGain(bool up);
    void PlayerFailed(const QString& message);
    void CreateRecordingControls();
    void item_recordClick();
    // Minutes > 0: stops by itself then; RecordUntilStopped: runs until stopped; 0 stops.
    void RecordFor(int32_t minutes);
    bool StartRecording();
    void StopRecording();
    void RecordingFailed(const QString& message);
    void RecordingTick();
    // The title with the recording's time after it, within maxLength.
    QString WithRecordingMark(const QString& title, int maxLength) const;
    bool Recording() const { return recordingStarted_.isValid(); }
    static constexpr int RecordingTickMs = 1000;
    QLabel* lbl_rec = nullptr;
    QAction *item_record = nullptr, *Record2 = nullptr;
    QTimer recordingTick_;
    QDateTime recordingStarted_, recordingEnds_;  // invalid: none, or until stopped
    QString titleText_;  // the title before the recording's mark
    int playGainLevel_ = kPlayGainSteps;
    // FeedAudio runs on the feed's thread: the player and recorder it
    // reaches are swapped under this lock, and are never stopped under it.
    std::mutex audioMutex_;
    std::unique_ptr<AudioPlayer> player_;
    std::unique_ptr<Recorder> recorder_;
    // ---- what the station says by RDS (MainFormRds.cpp); Find all stations (MainFormFindStations.cpp) ----
    RdsStandard RdsStandardInUse() const;  // the stored "RDS standard", else the locale's country's
    QString RdsStationName() const;        // empty unless heard on the frequency tuned now
    QString RdsRadioText() const;
    void ShowRdsOnDisplay();
    void SetTitleForUnnamedStation();      // "Tunzo 94.2 TEN FM" where no preset names it
    QString StationLineHint(const QString& wholeCaption) const;  // the cut caption whole, the programme type
    void mnu_findallClick();
    bool FindStationsListening(const RdsState& state);  // a running sweep takes the state for its station
    void CreateRdsDisplay();
    struct {
        RdsState state;
        std::string frequencyText;  // the station the state belongs to
    } rds_;
    TScrollingLabel* lbl_radiotext = nullptr;
    QLabel* lbl_rds = nullptr;
    QAction *item_findall = nullptr, *sp_findall = nullptr;
    class TFindStationsDialog* findStations_ = nullptr;  // while one runs

    QMessageBox* actionsBox = nullptr;   // the count message, shown without waiting
    std::vector<QAction*> channelEntries;       // main menu, then tray, per entry
    std::vector<QAction*> channelColumnBreaks;  // the tray's separators where a column begins
    TColumnMenu* channelColumns = nullptr;      // the main menu's entries, in columns
    ActionReceiver receiver;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Each room connects the controls it owns.
    void WireLifeCycle();
    void WireTuning();
    void WireVolume();
    void WireTimers();
    void WireSnooze();
    void WireSearch();
    void WirePresets();
    void WirePresetScan();
    void WireKeys();
    void WirePrograms();

    // ---- start-up (MainFormStartUp.cpp) ----
    void FormCreate(const std::vector<std::string>& arguments);
    void LeaveTrayIconForTheFirstPicture();
    void FinishStartUp();
    void FormActivate();
    void FormKeyDown(QKeyEvent* key);
    void FormKeyUp(QKeyEvent* key);
    bool KeypadKeyDown(int key);
    void PageKeyDown(bool up, bool shiftAlone);
    bool IsFirstDeliveryOfKey(QObject* watched, QEvent* event);
    bool HandleDisplayMouse(QObject* watched, QEvent* event);
    void ShowActionCount();
    bool ActionsEndTheProgram() const;
    // The first step of every way out: no more hand-overs, no more media
    // commands.
    void StopTakingOrders();
    void SaveSettingsAndPosition();
    void StepBy(double step);
    void QuickJumpWithDigit(int digit);
    QString ShownStationName(int n) const;
    void ShowPresetChoice(int n);
    void StorePreset(int n);
    bool EditStationName();
    void ShowBank(int bank);
    void ChooseNextUsablePreset(bool up);
    std::optional<TuneState> SearchStep(double step);
    void CheckVolumeTargets();
    void ApplyVolumeTargetRules();
    // Counts the mixer devices at its first call; true when there is one.
    bool LineInAvailable();
    void ReportStoreError(const std::exception& error);
    // Says which program is missing when it is.
    bool ProgramFound(const QString& program, const char* what);
    void Terminate();
    QString FrequencyTextQ(double mhz) const;
    void PublishHandleWithoutWaiting();
    void RecogniseAfterSliderMove();
    void TuneAfterSliderPress();
    void RunDueEvents(const ClockReading& now);
    void ShowClockTime(const ClockReading& now);
    void ShowClockTimeNow();
    void SoundAlarm(const ClockReading& now);
    void StopSleepTimer();
    void ShowSleepTimeLeft();

    static constexpr int PublishRetryMs = 1000;
    static constexpr int PublishTries = RegistryBusyTimeoutMs / PublishRetryMs;
    QTimer publishRetry_;
    int publishTriesLeft_ = 0;
    QString lastStartUpStoreError_;
    bool startingUp_ = true;  // until the handle's first publishing
    std::string decimalSeparator_ = ".";  // the locale's, as UTF-8 text
    std::string timeSeparator_ = ":";     // the locale's, looked up once: the clock asks every second
    const QEvent* pressInDelivery_ = nullptr;    // compared, never used
    const QEvent* releaseInDelivery_ = nullptr;  // compared, never used
    bool started_ = false;
    bool settingsLoaded_ = false;  // the start-up has read the store (or tried)
    bool startUpFinished_ = false;
    // The latest the start-up waits for a window that is not put on screen.
    static constexpr int FinishStartUpLatestMs = 500;
    bool ending_ = false;
    bool auxDevicesCounted_ = false;
    int64_t alarmFiredAt_ = 0;  // the calendar minute of the last alarm
    bool inTick_ = false;  // Timer1Timer is running; a nested tick is dropped
    bool sliderTunePending_ = false;  // a slider move made by a mouse press still to reach the card
};

// How long the end of a session waits for another program's lock on the
// store: a logout does not wait for us for long.
inline constexpr int SessionEndBusyTimeoutMs = 2000;
