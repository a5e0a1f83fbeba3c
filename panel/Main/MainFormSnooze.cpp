// The sleep timer ("Snooze"), which mutes the radio after a number of
// minutes, and the switch of the alarm, with their labels "Z" and "A" on the
// display and the menu items that share their commands.

#include "MainForm.h"

#include "Alarm.h"
#include "PopBtn.h"
#include "Presets.h"
#include "RadioDriver.h"
#include "SettingsForm.h"
#include "SettingsStore.h"
#include "TunerSettings.h"

#include <QLabel>

void TMainForm::WireSnooze()
{
    connect(&tmr_sleep, &QTimer::timeout, this, &TMainForm::tmr_sleepTimer);
    cmd_sleep->OnClick = [this](QObject*) { cmd_sleepClick(); };
    cmd_alarm->OnClick = [this](QObject*) { cmd_alarmClick(); };
    for (QAction* a : {Snooze1, Snooze2})
        connect(a, &QAction::triggered, this, &TMainForm::cmd_sleepClick);
    for (QAction* a : {Alarm1, Alarm2})
        connect(a, &QAction::triggered, this, &TMainForm::cmd_alarmClick);
}

// ---------------------------------------------------------------- sleep timer

void TMainForm::StopSleepTimer()
{
    TunerSettings.SnoozeActive = false;
    tmr_sleep.stop();
    SnoozeElapsed = 0;
    lbl_sleep->hide();
    Snooze1->setChecked(false);
    Snooze2->setChecked(false);
    DescribeForScreenReaders();
}

void TMainForm::ShowSleepTimeLeft()
{
    lbl_sleep->setToolTip(
        QString("Snooze off in %1 minutes").arg(TunerSettings.SnoozeMinutes - SnoozeElapsed));
    DescribeForScreenReaders();
}

void TMainForm::cmd_sleepClick()
{
    // A running timer is stopped without a question. A "Snooze active" left
    // in the store by the last run starts no timer, but takes this branch too.
    if (TunerSettings.SnoozeActive) {
        StopSleepTimer();
        return;
    }
    SettingsDialogMode = SettingsPageSnooze;
    ShowModal(*frm_settings());
    const bool active = TunerSettings.SnoozeActive;
    if (active)
        tmr_sleep.start();
    else
        tmr_sleep.stop();
    lbl_sleep->setVisible(active);
    ShowSleepTimeLeft();
    Snooze1->setChecked(active);
    Snooze2->setChecked(active);
}

void TMainForm::tmr_sleepTimer()
{
    // Whole minutes of the timer, counted from the moment it was set.
    ++SnoozeElapsed;
    if (SnoozeElapsed < TunerSettings.SnoozeMinutes) {
        ShowSleepTimeLeft();
        return;
    }
    RadioDriver::Mute();
    RefreshMuteIndicator();
    StopSleepTimer();
}

// ---------------------------------------------------------------- alarm

void TMainForm::ShowAlarmState()
{
    // "A" on the display while the alarm is on, with its time and station.
    lbl_alarm->setVisible(TunerSettings.AlarmActive);
    if (TunerSettings.AlarmActive) {
        const int n = AlarmPresetSlot(TunerSettings);
        lbl_alarm->setToolTip(QString::fromStdString(TunerSettings.AlarmTimeText) + " - " + ShownStationName(n));
    }
    DescribeForScreenReaders();
}

void TMainForm::cmd_alarmClick()
{
    TTunerSettings& s = TunerSettings;
    s.AlarmActive = !s.AlarmActive;
    try {
        if (s.AlarmActive) {
            SettingsDialogMode = SettingsPageAlarm;
            ShowModal(*frm_settings());
            s.AlarmActive = SettingsDialogAccepted;
            if (s.AlarmActive)
                SaveAlarm();
        } else {
            // Stored as off, so that the next start has no alarm either.
            SaveAlarm();
        }
    } catch (const std::exception& e) {
        ReportStoreError(e);
    }
    ShowAlarmState();
}
