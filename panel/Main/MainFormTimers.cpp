// The one-second tick: the clock and the preset recognition that follows a
// slider move.

#include "MainForm.h"

#include "SettingsStore.h"

#include <QLabel>
#include <QTime>

namespace {
// Hours, minutes and seconds.
constexpr int ClockFields = 3;
}  // namespace

void TMainForm::WireTimers()
{
    connect(&Timer1, &QTimer::timeout, this, &TMainForm::Timer1Timer);
}

void TMainForm::Timer1Timer()
{
    const QTime now = QTime::currentTime();
    // Two ticks after the last slider move the preset, if any, is recognised.
    if (StationCheckPhase == 1) {
        RecogniseStation();
        StationCheckPhase = 2;
    }
    if (StationCheckPhase == 0)
        StationCheckPhase = 1;
    lbl_time->setText(QString::fromStdString(FormatClockTime(now.hour(), now.minute(), now.second(), ClockFields)));
    if (PresetScanRunning)
        PresetScanStep();
}
