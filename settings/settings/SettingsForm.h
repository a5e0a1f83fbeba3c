#pragma once
// "Tunzo settings": one small dialog with three pages that share a group box:
// the snooze (sleep timer) length, a preset's station name and scan flag, and
// the alarm time with its preset and weekdays. The front panel chooses the
// page in SettingsDialogMode before showing it, and afterwards reads
// SettingsDialogAccepted and the fields of TunerSettings and Presets that the
// dialog changed. It is made once and shown again for every use.

#include <QDialog>

#include <array>
#include <cstdint>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// The values of SettingsDialogMode.
inline constexpr int32_t SettingsPageSnooze = 2;
inline constexpr int32_t SettingsPagePresetName = 3;
inline constexpr int32_t SettingsPageAlarm = 4;

// The page the next showing opens on; set by the caller.
extern int32_t SettingsDialogMode;
// True after OK; false after Cancel, the close box, or a showing that was
// refused (the name page without a chosen preset).
extern bool SettingsDialogAccepted;

class Tfrm_settings : public QDialog {
    Q_OBJECT
public:
    explicit Tfrm_settings(QWidget* parent = nullptr);

    static constexpr int SnoozeStartMinutes = 20;  // the snooze page always starts here
    static constexpr int SnoozeMinimum = 1;
    static constexpr int SnoozeMaximum = 1940;
    static constexpr int SnoozeStep = 5;
    static constexpr int AlarmMinuteStep = 5;
    static constexpr int WeekdayCount = 7;  // characters of the weekdays text, Sunday first

    QLabel* logo = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QGroupBox* grpbox = nullptr;
    QLabel* lbl_freq = nullptr;
    QLabel* lbl_sleepminutes = nullptr;
    QSpinBox* minutes = nullptr;
    QLineEdit* txt_name = nullptr;
    QCheckBox* chb_prescan = nullptr;
    QLabel* lbl_alarm_hour = nullptr;
    QSpinBox* alarm_hour = nullptr;
    QLabel* lbl_alarm_minute = nullptr;
    QSpinBox* alarm_minute = nullptr;
    QLabel* lbl_channel = nullptr;
    QComboBox* cmb_channels = nullptr;
    QGroupBox* grp_days = nullptr;
    QCheckBox* Mon = nullptr;
    QCheckBox* tue = nullptr;
    QCheckBox* wed = nullptr;
    QCheckBox* thu = nullptr;
    QCheckBox* fri = nullptr;
    QCheckBox* sat = nullptr;
    QCheckBox* sun = nullptr;

    // The name page needs a chosen preset (1 to PresetCount); without one the
    // dialog does not open: exec() returns Rejected at once and show() shows
    // nothing, with SettingsDialogAccepted false.
    int exec() override;
    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CreateControls();
    void CreateSnoozeControls();
    void CreatePresetNameControls();
    void CreateAlarmControls();

    bool CanShow() const;
    void FormActivate();
    void ShowPageControls();
    void ShowPresetNamePage();
    void ShowAlarmPage();
    void FillChannelList();
    void SelectAlarmPresetItem();
    void FocusPageControl();

    void OKBtnClick();
    void ApplyPage();
    void ApplyPresetNamePage();
    void ApplyAlarmPage();
    void cmb_channelsChange(int index);

    // The day boxes in the order of the weekdays text: Sunday first.
    std::array<QCheckBox*, WeekdayCount> DayBoxes() const;

    static constexpr int ClientWidth = 346;
    static constexpr int ClientHeight = 289;

    // What this showing is about, fixed when it opens: the panel's timer and
    // a second start may move CurrentPresetNumber and CurrentFrequency while
    // the dialog is open, and the name typed belongs to the preset shown.
    int32_t shownMode_ = 0;
    int editedPreset_ = 0;
    double editedFrequency_ = 0.0;
};
