#pragma once
// Every control, menu item, dialog and timer of the front panel, made with
// its name, caption, hint and place: no behaviour. TMainForm inherits it, and
// each of its rooms wires the controls it owns.

#include <QSize>
#include <QSlider>
#include <QTimer>

#include <array>
#include <functional>

class QAction;
class QGroupBox;
class QLabel;
class QMainWindow;
class QMenu;
class QWidget;
class TCustomPanel;
class TFmDigital;
class TPopButton;
class TTrayIcon;
class TrayShell;
class Tfrm_about;
class Tfrm_jump;
class Tfrm_settings;

// The band labels over the slider: every odd whole MHz.
inline constexpr int BandLabelCount = 11;
inline constexpr std::array<int, BandLabelCount> BandLabelMHz = {87, 89, 91, 93, 95, 97, 99, 101, 103, 105, 107};

inline constexpr int PresetButtonCount = 10;

// The desktop's frame that the design's window sizes include and Qt's do not.
inline constexpr int DesignFrameWidth = 6;
inline constexpr int DesignFrameHeight = 25;

// The frequency slider. A press on its track moves it a page and only then
// starts the page repeat that a held button goes on with; a tune made for
// that move lets events run, and the release handled inside the press would
// come before the repeat it should stop. OnPressHandled runs once the press
// has been dealt with, for the work that has to wait until then.
class TTrackBar : public QSlider {
public:
    using QSlider::QSlider;
    bool InPress() const { return inPress_; }
    std::function<void()> OnPressHandled;

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    bool inPress_ = false;
};

class TMainFormUi {
public:
    // `shell` replaces the desktop's tray when given.
    void SetupUi(QMainWindow* form, TrayShell* shell);

    // ---- the display panel ----
    TCustomPanel* Panel2 = nullptr;
    TFmDigital* Digit = nullptr;
    QLabel *lbl_status = nullptr, *lbl_station = nullptr, *lbl_mute = nullptr, *lbl_time = nullptr,
           *lbl_sleep = nullptr, *lbl_alarm = nullptr;

    // ---- the groups and their buttons ----
    QGroupBox *gr_preset = nullptr, *gr_snooze = nullptr, *gr_tune = nullptr, *gr_scan = nullptr,
              *gr_volume = nullptr;
    std::array<TPopButton*, PresetButtonCount> pre{};
    TPopButton *cmd_memory = nullptr, *cmd_presetdown = nullptr, *cmd_presetup = nullptr;
    TPopButton *cmd_sleep = nullptr, *cmd_alarm = nullptr;
    TPopButton *RC_TuneDown = nullptr, *RC_FTuneDown = nullptr, *cmd_jump = nullptr, *RC_FTuneUp = nullptr,
               *RC_TuneUp = nullptr;
    TPopButton *cmd_scandown = nullptr, *cmd_scanup = nullptr;
    TPopButton *RC_vol_down = nullptr, *cmd_mute = nullptr, *RC_vol_up = nullptr;
    TPopButton* cmd_exit = nullptr;
    QLabel* logo = nullptr;
    std::array<QLabel*, BandLabelCount> lbl_freq{};
    TTrackBar* TrackBar1 = nullptr;

    // ---- timers and the tray ----
    QTimer Timer1;     // the one-second tick
    QTimer tmr_sleep;  // the sleep timer's minute
    TTrayIcon* TrayIcon = nullptr;

    // ---- the main menu ----
    QMenu *mnu_file = nullptr, *mnu_options = nullptr, *mnu_channels = nullptr, *mnu_help = nullptr;
    QAction *item_jump = nullptr, *mnu_pscan_up = nullptr, *mnu_pscan_down = nullptr, *VolumeUp1 = nullptr,
            *item_mute = nullptr, *VolumeDown1 = nullptr, *Alarm1 = nullptr, *Snooze1 = nullptr,
            *LaunchPipit1 = nullptr, *item_exit = nullptr;
    QAction* item_settings = nullptr;
    QMenu *mnu_display = nullptr, *item_volcontrol = nullptr;
    QAction *mnu_display_ontop = nullptr, *mnu_display_minimal = nullptr, *mnu_display_Clock = nullptr,
            *mnu_display_slider = nullptr, *item_volctrl_radio = nullptr, *item_volctrl_line = nullptr;
    QAction *Index1 = nullptr, *Searchforhelpon1 = nullptr, *item_habout = nullptr;

    // ---- the tray menu ----
    QMenu *popup_systray = nullptr, *File1 = nullptr, *Options1 = nullptr, *Display1 = nullptr,
          *sp_preset = nullptr, *N3 = nullptr;
    QAction *sp_restore = nullptr, *Quickjump1 = nullptr, *pitem_pscan_up = nullptr, *pitem_pscan_down = nullptr,
            *Snooze2 = nullptr, *Alarm2 = nullptr, *Exit2 = nullptr, *Settings1 = nullptr;
    QAction *mnu_sys_minimal = nullptr, *mnu_sys_ontop = nullptr, *mnu_sys_clock = nullptr,
            *mnu_sys_slider = nullptr;
    QAction *Index2 = nullptr, *Searchforhelpon2 = nullptr, *About1 = nullptr;
    QAction *sp_volup = nullptr, *sp_mute = nullptr, *sp_voldown = nullptr, *sp_about = nullptr, *Exit1 = nullptr;

    // ---- popups ----
    QMenu* pop_volcontrol = nullptr;
    QAction *pop_volctrl_radio = nullptr, *pop_volctrl_line = nullptr;
    QMenu* pop_preset = nullptr;
    QAction *pitem_name = nullptr, *pitem_clear = nullptr;

    // ---- dialogs ----
    // Each is made at its first use, with its parent and help topic: most
    // starts never open one, and making all three held up the window's first
    // picture (the settings dialog alone loaded Qt's image plugins).
    Tfrm_jump* frm_jump();
    Tfrm_about* frm_about();
    Tfrm_settings* frm_settings();

private:
    QMainWindow* form_ = nullptr;
    Tfrm_jump* jumpForm_ = nullptr;
    Tfrm_about* aboutForm_ = nullptr;
    Tfrm_settings* settingsForm_ = nullptr;

    void CreateDisplay(QWidget* client);
    void CreateGroups(QWidget* client);
    void CreateSlider(QWidget* client);
    void CreateMainMenu(QMainWindow* form);
    void CreateTrayMenu(QMainWindow* form);
    void CreatePopups(QMainWindow* form);
    void SetHelpContexts(QMainWindow* form);
};
