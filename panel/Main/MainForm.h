#pragma once
// The front panel: the main window of tunzo. Its handlers carry the names of
// their controls and events and stay short; the decisions they take live in
// PanelLogic.h, the card work in RadioDriver.

#include "ActionReceiver.h"
#include "Actions.h"
#include "PanelLogic.h"
#include "Registry.h"

#include <QApplication>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QMessageBox;
class QGroupBox;
class QSlider;
class TCustomPanel;
class TFmDigital;
class TPopButton;
class TTrayIcon;
class TrayShell;
class Tfrm_jump;
class Tfrm_about;

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    // `shell` replaces the desktop's tray (tests); it must outlive the form.
    explicit TMainForm(const std::vector<std::string>& arguments, TrayShell* shell = nullptr);
    ~TMainForm() override;

    // Ends the application's event loop; tests replace it, since an exit
    // asked for outside a running loop would end the next one at once.
    std::function<void()> TerminateApplication = [] { QApplication::exit(0); };

    // False when start-up ended early (no port access): the program ends.
    bool started() const { return started_; }

    // ---- the state the design names ----
    bool SliderGuard = false;
    int8_t StationCheckPhase = 3;
    bool ActivatedOnce = false;
    bool RestoreHookInstalled = false;
    bool AlarmFiredThisMinute = false;
    bool SearchRunning = false;
    bool CtrlHeld = false;
    int8_t CurrentPresetNumber = 0;
    int8_t PresetBank = 0;
    int8_t LitButton = 0;
    int8_t PrevLitButton = 0;
    uint8_t ChannelCount = 0;
    std::array<uint8_t, 100> MenuPosition{};
    QString PresetScanMarker;
    ActionReception Reception;

    // ---- front-panel operations ----
    void TuneTo(double mhz);
    void ShowFrequency();
    void ShowTuneState();
    void SetSliderPosition();
    void RecogniseStation();
    void SetTitle(const QString& text);
    void QuickJump();
    void RefreshMuteIndicator();
    void ApplyDisplayMode();
    void LabelPresetButtons();
    void SetBtnFace(int prev, int lit);
    void SelectBankFor(int n);
    void setup_menu();
    void MarkChannelMenu(int n);
    void ExecuteActions();
    void ReceiveActions(int32_t code, int32_t value);
    void LeaveProgram();
    void EndSession();
    void HideTaskbarIcon();
    void AppOnMinimize();
    void DoRestore();

    // ---- handlers ----
    void cmd_jumpClick();
    void RC_TuneUpClick();
    void RC_FTuneUpClick();
    void RC_FTuneDownClick();
    void RC_TuneDownClick();
    void lbl_freqClick(int mhz);
    void TrackBar1Change(int position);
    void cmd_muteClick();
    void ToggleVolumeTarget();
    void PopupVolumeMenu(int x, int y);
    void mnu_display_minimalClick();
    void mnu_display_ontopClick();
    void mnu_display_sliderClick();
    void mnu_display_ClockClick();
    void Timer1Timer();
    void item_haboutClick();
    void sp_restoreClick();

    // The design's outer window size for the current display mode, before
    // the desktop's own frame is taken off.
    QSize DesignWindowSize() const;

    // ---- controls ----
    TCustomPanel* Panel2 = nullptr;
    TFmDigital* Digit = nullptr;
    QLabel *lbl_status = nullptr, *lbl_station = nullptr, *lbl_mute = nullptr, *lbl_time = nullptr,
           *lbl_sleep = nullptr, *lbl_alarm = nullptr;
    QGroupBox *gr_preset = nullptr, *gr_snooze = nullptr, *gr_tune = nullptr, *gr_scan = nullptr,
              *gr_volume = nullptr;
    std::array<TPopButton*, 10> pre{};
    TPopButton *cmd_memory = nullptr, *cmd_presetdown = nullptr, *cmd_presetup = nullptr;
    TPopButton *cmd_sleep = nullptr, *cmd_alarm = nullptr;
    TPopButton *RC_TuneDown = nullptr, *RC_FTuneDown = nullptr, *cmd_jump = nullptr, *RC_FTuneUp = nullptr,
               *RC_TuneUp = nullptr;
    TPopButton *cmd_scandown = nullptr, *cmd_scanup = nullptr;
    TPopButton *RC_vol_down = nullptr, *cmd_mute = nullptr, *RC_vol_up = nullptr;
    TPopButton* cmd_exit = nullptr;
    QLabel* logo = nullptr;
    std::array<QLabel*, 11> lbl_freq{};  // 87, 89, ... 107
    QSlider* TrackBar1 = nullptr;
    QTimer Timer1;
    QTimer tmr_sleep;
    TTrayIcon* TrayIcon = nullptr;

    QMenu *mnu_file = nullptr, *mnu_options = nullptr, *mnu_channels = nullptr, *mnu_help = nullptr;
    QMenu *mnu_display = nullptr, *item_volcontrol = nullptr;
    QAction *item_mute = nullptr, *mnu_display_ontop = nullptr, *mnu_display_minimal = nullptr,
            *mnu_display_Clock = nullptr, *mnu_display_slider = nullptr, *item_volctrl_radio = nullptr,
            *item_volctrl_line = nullptr;
    QMenu *popup_systray = nullptr, *pop_volcontrol = nullptr, *pop_preset = nullptr;
    QAction *sp_mute = nullptr, *mnu_sys_minimal = nullptr, *mnu_sys_ontop = nullptr, *mnu_sys_clock = nullptr,
            *mnu_sys_slider = nullptr, *pop_volctrl_radio = nullptr, *pop_volctrl_line = nullptr;
    QAction *mnu_pscan_up = nullptr, *mnu_pscan_down = nullptr, *pitem_pscan_up = nullptr,
            *pitem_pscan_down = nullptr;
    std::vector<QAction*> channelEntries;  // main menu, then tray, per entry

    Tfrm_jump* frm_jump = nullptr;
    Tfrm_about* frm_about = nullptr;
    QMessageBox* actionsBox = nullptr;  // the count message, shown without waiting
    ActionReceiver receiver;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate(const std::vector<std::string>& arguments);
    void FormActivate();
    void FormKeyDown(QKeyEvent* key);
    void CreateControls();
    void CreateMenus();
    void StepBy(double step);
    void QuickJumpWithDigit(int digit);
    void ReportStoreError(const std::exception& error);
    void Terminate();
    QString FrequencyTextQ(double mhz) const;

    void PublishHandleWithoutWaiting();

    static constexpr int PublishRetryMs = 1000;
    static constexpr int PublishTries = RegistryBusyTimeoutMs / PublishRetryMs;
    QTimer publishRetry_;
    int publishTriesLeft_ = 0;
    QString lastStartUpStoreError_;
    char decimalSeparator_ = '.';
    const QEvent* lastKeyEvent_ = nullptr;  // compared, never used
    QPointer<QWidget> lastKeyWidget_;
    bool started_ = false;
    bool ending_ = false;
};

// How long the end of a session waits for another program's lock on the
// store: a logout does not wait for us for long.
inline constexpr int SessionEndBusyTimeoutMs = 2000;

// The desktop's frame that the design's window sizes include and Qt's do not.
inline constexpr int DesignFrameWidth = 6;
inline constexpr int DesignFrameHeight = 25;
