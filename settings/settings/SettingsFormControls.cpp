// The dialog's controls, made with their names, captions, places and ranges,
// and wired to the handlers in SettingsForm.cpp.

#include "SettingsForm.h"

#include "TunerSettings.h"
#include "TunzoResources.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>

#include <algorithm>

namespace {

constexpr int FontPointSize = 8;
constexpr int FrequencyPointSize = 10;
constexpr int LastHour = 23;
constexpr int LastMinute = 59;
constexpr int LabelGap = 4;  // pixels between a label and its control

QSpinBox* SpinEdit(QWidget* parent, int x, int y, int width, int minimum, int maximum, int step)
{
    auto* spin = new QSpinBox(parent);
    spin->setGeometry(x, y, width, 22);
    spin->setRange(minimum, maximum);
    spin->setSingleStep(step);
    return spin;
}

QLabel* Label(QWidget* parent, const QString& text, int x, int y)
{
    auto* label = new QLabel(text, parent);
    label->move(x, y);
    label->adjustSize();
    return label;
}

// The places were drawn for a narrower font than the desktop's sans-serif:
// a label that would run under the control it names moves the control right.
void KeepRightOf(const QWidget* label, QWidget* control)
{
    const int free = label->geometry().right() + LabelGap;
    if (control->x() < free)
        control->move(free, control->y());
}

QCheckBox* DayBox(QWidget* parent, const QString& text, int x, int y)
{
    auto* box = new QCheckBox(text, parent);
    box->setGeometry(x, y, 50, 17);
    return box;
}

}  // namespace

Tfrm_settings::Tfrm_settings(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    InitTunzoResources();
    setWindowTitle("Tunzo settings");
    setFixedSize(ClientWidth, ClientHeight);
    QFont small = font();
    small.setPointSize(FontPointSize);
    setFont(small);
    CreateControls();
    minutes->setValue(TunerSettings.SnoozeMinutes);
}

void Tfrm_settings::CreateControls()
{
    logo = new QLabel(this);
    logo->setGeometry(275, 10, 36, 36);
    logo->setScaledContents(true);
    logo->setPixmap(QPixmap::fromImage(ProgramIconPicture()));

    grpbox = new QGroupBox(this);
    grpbox->setGeometry(5, 5, 261, 220);
    CreateSnoozeControls();
    CreatePresetNameControls();
    CreateAlarmControls();

    OKBtn = new QPushButton("&OK", this);
    OKBtn->setGeometry(115, 234, 75, 25);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton("&Cancel", this);
    CancelBtn->setGeometry(195, 234, 75, 25);
    connect(OKBtn, &QPushButton::clicked, this, &Tfrm_settings::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &Tfrm_settings::reject);
}

void Tfrm_settings::CreateSnoozeControls()
{
    lbl_sleepminutes = Label(grpbox, "Turn off radio after (minutes)", 25, 93);
    minutes = SpinEdit(grpbox, 165, 89, 51, SnoozeMinimum, SnoozeMaximum, SnoozeStep);
    KeepRightOf(lbl_sleepminutes, minutes);
    minutes->setValue(SnoozeStartMinutes);
}

void Tfrm_settings::CreatePresetNameControls()
{
    lbl_freq = new QLabel(grpbox);
    lbl_freq->move(40, 65);
    QFont bold = lbl_freq->font();
    bold.setBold(true);
    bold.setPointSize(FrequencyPointSize);
    lbl_freq->setFont(bold);
    QPalette black = lbl_freq->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    lbl_freq->setPalette(black);

    txt_name = new QLineEdit(grpbox);
    txt_name->setGeometry(40, 106, 151, 21);
    chb_prescan = new QCheckBox("&Include in Preset scan", grpbox);
    chb_prescan->setGeometry(48, 160, 145, 17);
}

void Tfrm_settings::CreateAlarmControls()
{
    lbl_alarm_hour = Label(grpbox, "Hour", 75, 56);
    alarm_hour = SpinEdit(grpbox, 75, 74, 46, 0, LastHour, 1);
    lbl_alarm_minute = Label(grpbox, "Minute", 120, 56);
    alarm_minute = SpinEdit(grpbox, 120, 74, 46, 0, LastMinute, AlarmMinuteStep);
    cmb_channels = new QComboBox(grpbox);
    cmb_channels->move(76, 104);
    cmb_channels->resize(145, cmb_channels->sizeHint().height());
    // Beside the list it names rather than in front of the hour box, where
    // it would read as the hour's label; left of the list whatever the font.
    lbl_channel = Label(grpbox, "Channel", 30, 0);
    lbl_channel->move(std::min(lbl_channel->x(), cmb_channels->x() - LabelGap - lbl_channel->width()),
                      cmb_channels->y() + (cmb_channels->height() - lbl_channel->height()) / 2);
    // Only a choice of the user's counts, not the list being filled.
    connect(cmb_channels, &QComboBox::activated, this, &Tfrm_settings::cmb_channelsChange);

    grp_days = new QGroupBox("Weekdays", grpbox);
    grp_days->setGeometry(32, 136, 209, 73);
    Mon = DayBox(grp_days, "Mon", 16, 16);
    tue = DayBox(grp_days, "Tue", 16, 32);
    wed = DayBox(grp_days, "Wed", 16, 48);
    thu = DayBox(grp_days, "Thu", 72, 16);
    fri = DayBox(grp_days, "Fri", 72, 32);
    sat = DayBox(grp_days, "Sat", 128, 16);
    sun = DayBox(grp_days, "Sun", 128, 32);
}

std::array<QCheckBox*, Tfrm_settings::WeekdayCount> Tfrm_settings::DayBoxes() const
{
    return {sun, Mon, tue, wed, thu, fri, sat};
}
