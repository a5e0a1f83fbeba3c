// What a screen reader hears: the dot-matrix display is a picture, its
// letters are one or two characters and the preset buttons show numbers.
// Each is given a name that says in words what it shows, set again whenever
// what it shows changes.

#include "MainForm.h"

#include "Display.h"
#include "FmDigi.h"
#include "Frequency.h"
#include "PopBtn.h"
#include "Presets.h"
#include "TunerSettings.h"

#include <QLabel>

namespace {
QString Capitalised(const std::string& text)
{
    QString words = QString::fromStdString(text);
    if (!words.isEmpty())
        words[0] = words[0].toUpper();
    return words;
}

const QString ShownOnDisplay = "Shown on the display";
}  // namespace

void TMainForm::DescribeForScreenReaders()
{
    DisplayReading reading;
    reading.frequencyText = FrequencyText(TunerSettings.CurrentFrequency, decimalSeparator_);
    if (ShownPreset > 0)
        reading.stationName = ShownStationName(ShownPreset).toStdString();
    else
        reading.stationName = RdsStationName().toStdString();
    reading.status = lbl_status->text().toStdString();
    reading.muted = !lbl_mute->isHidden();
    reading.sleepTimerOn = !lbl_sleep->isHidden();
    reading.alarmOn = !lbl_alarm->isHidden();
    reading.recording = lbl_rec && !lbl_rec->isHidden();
    Digit->setAccessibleName(QString::fromStdString(DescribeDisplay(reading)));
    Digit->setAccessibleDescription("Frequency display");

    lbl_status->setAccessibleName(Capitalised(StatusIndicatorName(reading.status)));
    lbl_mute->setAccessibleName("Muted");
    lbl_sleep->setAccessibleName("Sleep timer on");
    lbl_alarm->setAccessibleName("Alarm on");
    // The caption may be cut with dots; its hint holds it whole.
    lbl_station->setAccessibleName(lbl_station->toolTip().isEmpty() ? lbl_station->text() : lbl_station->toolTip());

    for (int b = 1; b <= PresetButtonCount; ++b) {
        const int n = PresetBank + b;
        const PresetSlot& slot = Presets[static_cast<size_t>(n - 1)];
        TPopButton* button = pre[static_cast<size_t>(b - 1)];
        const QString number = "Preset " + QString::number(n);
        button->setAccessibleName(slot.StationName.size() < 2 ? number + ", not set"
                                                               : number + ", " + ShownStationName(n) + ", " +
                                                                     FrequencyTextQ(slot.Frequency) + " MHz");
        button->setAccessibleDescription(b == LitButton ? ShownOnDisplay : button->toolTip());
    }
}
