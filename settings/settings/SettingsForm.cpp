#include "SettingsForm.h"

#include "Frequency.h"
#include "Presets.h"
#include "SettingsStore.h"
#include "TunerSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>

#include <exception>
#include <initializer_list>

int32_t SettingsDialogMode = 0;
bool SettingsDialogAccepted = false;

namespace {

constexpr int ClockFieldsHourMinute = 2;

PresetSlot& Slot(int number) { return Presets[static_cast<size_t>(number - 1)]; }

bool IsPresetNumber(int number) { return number >= 1 && number <= PresetCount; }

// The alarm can only tune a preset that holds a station in the band.
bool IsListedForAlarm(int number) { return Slot(number).Frequency > TunerSettings.BandMinimum; }

// A preset without a name would be a blank line: it shows its frequency.
std::string AlarmListText(int number)
{
    return StationLabel(Slot(number).StationName, Slot(number).Frequency, QLocale().decimalPoint().toStdString());
}

}  // namespace

// ---------------------------------------------------------------- showing

bool Tfrm_settings::CanShow() const
{
    // Slot 0 and numbers past the table are no preset to name.
    return SettingsDialogMode != SettingsPagePresetName || IsPresetNumber(CurrentPresetNumber);
}

int Tfrm_settings::exec()
{
    if (!CanShow()) {
        SettingsDialogAccepted = false;
        setResult(Rejected);
        return Rejected;
    }
    return QDialog::exec();
}

void Tfrm_settings::setVisible(bool visible)
{
    if (visible && !isVisible()) {
        if (!CanShow()) {
            SettingsDialogAccepted = false;
            return;
        }
        FormActivate();
    }
    QDialog::setVisible(visible);
}

void Tfrm_settings::FormActivate()
{
    // False until OK: Cancel, the close box and a store that refused all
    // leave it so.
    SettingsDialogAccepted = false;
    shownMode_ = SettingsDialogMode;
    // Both ways, so that turning "Always on top" off lets the next showing
    // go behind other windows.
    setWindowFlag(Qt::WindowStaysOnTopHint, TunerSettings.AlwaysOnTop);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    ShowPageControls();
    switch (shownMode_) {
    case SettingsPageSnooze:
        grpbox->setTitle("");
        minutes->setValue(SnoozeStartMinutes);
        break;
    case SettingsPagePresetName:
        ShowPresetNamePage();
        break;
    case SettingsPageAlarm:
        ShowAlarmPage();
        break;
    default:
        break;
    }
}

void Tfrm_settings::ShowPageControls()
{
    const auto show = [](std::initializer_list<QWidget*> controls, bool visible) {
        for (QWidget* control : controls)
            control->setVisible(visible);
    };
    show({lbl_sleepminutes, minutes}, shownMode_ == SettingsPageSnooze);
    show({lbl_freq, txt_name, chb_prescan}, shownMode_ == SettingsPagePresetName);
    show({alarm_hour, alarm_minute, lbl_alarm_hour, lbl_alarm_minute, lbl_channel, cmb_channels, grp_days},
         shownMode_ == SettingsPageAlarm);
}

void Tfrm_settings::ShowPresetNamePage()
{
    editedPreset_ = CurrentPresetNumber;
    editedFrequency_ = TunerSettings.CurrentFrequency;
    const PresetSlot& slot = Slot(editedPreset_);
    lbl_freq->setText(QString::fromStdString(FrequencyText(editedFrequency_, QLocale().decimalPoint().toStdString())));
    lbl_freq->adjustSize();
    grpbox->setTitle("Station name");
    chb_prescan->setChecked(slot.IncludeInScan);
    txt_name->setText(slot.StationName.empty() ? QString("Preset %1").arg(editedPreset_)
                                               : QString::fromStdString(slot.StationName));
}

void Tfrm_settings::ShowAlarmPage()
{
    grpbox->setTitle("Set alarm time");
    alarm_minute->setValue(TunerSettings.AlarmMinute);
    alarm_hour->setValue(TunerSettings.AlarmHour);
    FillChannelList();
    // A stored text shorter than seven characters leaves its missing days off.
    const std::string& weekdays = TunerSettings.AlarmWeekdays;
    const auto days = DayBoxes();
    for (size_t i = 0; i < days.size(); ++i)
        days[i]->setChecked(i < weekdays.size() && weekdays[i] == '1');
}

void Tfrm_settings::FillChannelList()
{
    cmb_channels->clear();
    for (int n = 1; n <= PresetCount; ++n) {
        if (IsListedForAlarm(n))
            cmb_channels->addItem(QString::fromStdString(AlarmListText(n)), n);
    }
    SelectAlarmPresetItem();
}

void Tfrm_settings::SelectAlarmPresetItem()
{
    // The first item when the alarm preset is not listed; none in an empty list.
    const int item = cmb_channels->findData(static_cast<int>(TunerSettings.AlarmPreset));
    cmb_channels->setCurrentIndex(item >= 0 ? item : 0);
}

void Tfrm_settings::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FocusPageControl();
}

void Tfrm_settings::FocusPageControl()
{
    // The whole value selected, so that typing replaces it.
    switch (shownMode_) {
    case SettingsPageSnooze:
        minutes->setFocus();
        minutes->selectAll();
        break;
    case SettingsPagePresetName:
        txt_name->setFocus();
        txt_name->selectAll();
        break;
    case SettingsPageAlarm:
        alarm_hour->setFocus();
        alarm_hour->selectAll();
        break;
    default:
        OKBtn->setFocus();
        break;
    }
}

void Tfrm_settings::keyPressEvent(QKeyEvent* event)
{
    // Cancel is no cancel button: a stray Escape must not throw away a name
    // or an alarm being set. Enter still presses OK.
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

// ---------------------------------------------------------------- choices

void Tfrm_settings::cmb_channelsChange(int index)
{
    if (index < 0)
        return;
    // The alarm preset is known to the user by what the list shows (its
    // name, or its frequency without one): of the listed presets shown so,
    // the highest-numbered one wins. Unlisted slots (empty, or below the
    // band) are never chosen.
    const std::string chosen = AlarmListText(cmb_channels->itemData(index).toInt());
    for (int n = 1; n <= PresetCount; ++n) {
        if (IsListedForAlarm(n) && AlarmListText(n) == chosen)
            TunerSettings.AlarmPreset = static_cast<int8_t>(n);
    }
    SelectAlarmPresetItem();
}

void Tfrm_settings::OKBtnClick()
{
    try {
        ApplyPage();
    } catch (const std::exception& error) {
        // The store refused: the dialog stays open with everything typed, so
        // that the user can try again or cancel.
        QMessageBox::critical(this, "Tunzo",
                              QString("The settings were not saved.\n\n%1").arg(QString::fromStdString(error.what())));
        return;
    }
    SettingsDialogAccepted = true;
    accept();
}

void Tfrm_settings::ApplyPage()
{
    switch (shownMode_) {
    case SettingsPageSnooze:
        TunerSettings.SnoozeMinutes = minutes->value();
        TunerSettings.SnoozeActive = true;
        break;
    case SettingsPagePresetName:
        ApplyPresetNamePage();
        break;
    case SettingsPageAlarm:
        ApplyAlarmPage();
        break;
    default:
        break;
    }
}

void Tfrm_settings::ApplyPresetNamePage()
{
    const std::string name = txt_name->text().toStdString();
    const bool include = chb_prescan->isChecked();
    // Stored first: when the store raises, the table keeps what it holds and
    // still agrees with the store. The frequency in the table is the caller's.
    SavePreset(editedPreset_, name, include, editedFrequency_);
    PresetSlot& slot = Slot(editedPreset_);
    slot.StationName = name;
    slot.IncludeInScan = include;
}

void Tfrm_settings::ApplyAlarmPage()
{
    TTunerSettings& s = TunerSettings;
    s.AlarmHour = static_cast<int8_t>(alarm_hour->value());
    s.AlarmMinute = static_cast<int8_t>(alarm_minute->value());
    s.AlarmTimeText = FormatClockTime(s.AlarmHour, s.AlarmMinute, 0, ClockFieldsHourMinute);
    s.AlarmActive = true;
    // Written in place; a short stored text gets its missing days first, and
    // anything past the seventh character stays as it was.
    if (s.AlarmWeekdays.size() < WeekdayCount)
        s.AlarmWeekdays.resize(WeekdayCount, '0');
    const auto days = DayBoxes();
    for (size_t i = 0; i < days.size(); ++i)
        s.AlarmWeekdays[i] = days[i]->isChecked() ? '1' : '0';
}
