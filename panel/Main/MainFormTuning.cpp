// Tuning and what shows it: the step buttons, the band labels, the slider,
// the jump dialog, the digit display, the tuned indicator, preset
// recognition and the titles.

#include "MainForm.h"

#include "FmDigi.h"
#include "Frequency.h"
#include "JumpForm.h"
#include "PopBtn.h"
#include "Presets.h"
#include "RadioDriver.h"
#include "TrayIcon.h"
#include "Tuning.h"
#include "Display.h"

#include <QKeyEvent>
#include <QLabel>
#include <QSlider>

namespace {
// The longest title the desktop is handed.
constexpr int MaxTitleLength = 255;
// The most of a station name the panel shows anywhere (display, hints,
// menus): a store may hold a name of any length.
constexpr int MaxShownNameLength = 64;
// The display's caption ends in these when the name is cut.
const QString CutMark = "...";
}  // namespace

void TMainForm::WireTuning()
{
    RC_TuneUp->OnClick = [this](QObject*) { RC_TuneUpClick(); };
    RC_FTuneUp->OnClick = [this](QObject*) { RC_FTuneUpClick(); };
    RC_FTuneDown->OnClick = [this](QObject*) { RC_FTuneDownClick(); };
    RC_TuneDown->OnClick = [this](QObject*) { RC_TuneDownClick(); };
    // A quick second click on a step button reaches it as a double click;
    // it is a second step all the same.
    for (TPopButton* b : {RC_TuneUp, RC_FTuneUp, RC_FTuneDown, RC_TuneDown})
        b->OnDblClick = b->OnClick;
    cmd_jump->OnClick = [this](QObject*) { cmd_jumpClick(); };
    for (QAction* a : {item_jump, Quickjump1})
        connect(a, &QAction::triggered, this, &TMainForm::cmd_jumpClick);
    // Clicks on the band labels and the mouse on the slider reach the
    // window's event filter, which sees every event of the application.
    connect(TrackBar1, &QSlider::valueChanged, this, &TMainForm::TrackBar1Change);
    TrackBar1->OnPressHandled = [this] { TuneAfterSliderPress(); };
}

QString TMainForm::FrequencyTextQ(double mhz) const
{
    return QString::fromStdString(FrequencyText(mhz, decimalSeparator_));
}

void TMainForm::TuneTo(double mhz)
{
    const double f = WrapIntoBand(mhz, TunerSettings);
    RadioDriver::Tune(f);
    TunerSettings.CurrentFrequency = f;
    // The display never names a preset the radio is no longer on.
    if (ShownPreset > 0 && FrequencyText(Presets[static_cast<size_t>(ShownPreset - 1)].Frequency, decimalSeparator_) !=
                               FrequencyText(f, decimalSeparator_))
        ShowStationCaption(0);
    ShowFrequency();
    ShowTuneState();
    SetSliderPosition();
}

void TMainForm::ShowFrequency()
{
    const std::string text = DigitDisplayText(TunerSettings.CurrentFrequency, DisplaySeparator(decimalSeparator_));
    Digit->SetValue(QString::fromStdString(text));
    ShowRdsOnDisplay();  // which tells the screen reader too
}

void TMainForm::ShowTuneState()
{
    const TuneState state = RadioDriver::TunedStatus();
    const QString text = FrequencyTextQ(TunerSettings.CurrentFrequency);
    if (state <= NotTuned) {
        lbl_status->setText(" ");
        lbl_status->setToolTip("Not tuned: " + text);
    } else {
        if (state == Tuned)
            lbl_status->setText("T");
        else if (state == TunedStereo)
            lbl_status->setText("ST");
        lbl_status->setToolTip("Tuned: " + text);
    }
    DescribeForScreenReaders();
}

QString TMainForm::ShownStationName(int n) const
{
    const QString name = QString::fromStdString(Presets[static_cast<size_t>(n - 1)].StationName);
    return name.size() > MaxShownNameLength ? name.left(MaxShownNameLength - CutMark.size()) + CutMark : name;
}

void TMainForm::ShowStationCaption(int n)
{
    ShownPreset = static_cast<int8_t>(n >= 1 && n <= PresetCount ? n : 0);
    ShowStationLine();
    NamePresetItems();
    LightShownPreset();
    DescribeForScreenReaders();
}

void TMainForm::ShowStationLine()
{
    const int n = ShownPreset;
    // Without a preset, the station's own name as it sends it by RDS.
    const QString caption =
        n ? QString::fromStdString(StationCaption(n, ShownStationName(n).toStdString())) : RdsStationName();
    // A name too long for the display is cut at a whole character with the
    // dots and shown whole in the hint. The font elides it in one step:
    // cutting a character at a time and measuring again froze the panel on
    // a long name.
    const QFontMetrics metrics = lbl_station->fontMetrics();
    const int room = lbl_station->contentsRect().width();
    QString shown = caption;
    if (metrics.horizontalAdvance(caption) > room) {
        shown = metrics.elidedText(caption, Qt::ElideRight, room - metrics.horizontalAdvance(CutMark));
        shown = shown.left(shown.size() - 1).trimmed() + CutMark;  // the font's own ellipsis, one character
    }
    lbl_station->setText(shown);
    lbl_station->setToolTip(StationLineHint(shown == caption ? QString() : caption));
}

void TMainForm::SetSliderPosition()
{
    // Raised before the move too: the program's own moves never tune.
    SliderGuard = true;
    TrackBar1->setValue(SliderPositionFor(TunerSettings.CurrentFrequency));
}

void TMainForm::TrackBar1Change(int position)
{
    if (SliderGuard)
        return;
    TunerSettings.CurrentFrequency = position * 0.1;
    MarkChannelMenu(0);
    // A move made by a press on the track reaches the card once the slider
    // has dealt with the press (TuneAfterSliderPress).
    if (TrackBar1->InPress())
        sliderTunePending_ = true;
    else
        RadioDriver::Tune(TunerSettings.CurrentFrequency);
    CtrlHeld = false;
    ShowFrequency();
    StationCheckPhase = 0;
    TickEverySecondIfNeeded();
    lbl_status->setText("");
    ShowStationCaption(0);
    RadioDriver::SoundOn = true;
}

void TMainForm::TuneAfterSliderPress()
{
    if (!sliderTunePending_)
        return;
    sliderTunePending_ = false;
    RadioDriver::Tune(TunerSettings.CurrentFrequency);
}

void TMainForm::TrackBar1KeyDown(QKeyEvent* key)
{
    // Page Up and Page Down choose presets; the slider's own move for them
    // must not tune. Any other key on the slider is the user tuning.
    SliderGuard = key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown;
}

void TMainForm::StepBy(double step)
{
    MarkChannelMenu(0);
    ShowStationCaption(0);
    const double f = TunerSettings.CurrentFrequency + step;
    TunerSettings.CurrentFrequency = f;
    TuneTo(f);
    RecogniseStation();
}

void TMainForm::RC_TuneUpClick() { StepBy(+TunerSettings.TuneStep); }
void TMainForm::RC_FTuneUpClick() { StepBy(+TunerSettings.FineTuneStep); }
void TMainForm::RC_FTuneDownClick() { StepBy(-TunerSettings.FineTuneStep); }
void TMainForm::RC_TuneDownClick() { StepBy(-TunerSettings.TuneStep); }

void TMainForm::lbl_freqClick(int mhz)
{
    // As a step does: the display, the title and the tray tip name what the
    // radio is on now, a preset there or none.
    MarkChannelMenu(0);
    TunerSettings.CurrentFrequency = mhz;
    TuneTo(mhz);
    RecogniseStation();
}

void TMainForm::QuickJump()
{
    const double before = TunerSettings.CurrentFrequency;
    ShowModal(*frm_jump());
    if (TunerSettings.CurrentFrequency != before) {
        TuneTo(TunerSettings.CurrentFrequency);
        RecogniseStation();
    }
}

void TMainForm::cmd_jumpClick()
{
    // The lit button follows the preset the jump lands on, if any.
    MarkChannelMenu(0);
    QuickJump();
}

void TMainForm::QuickJumpWithDigit(int digit)
{
    frm_jump()->QuickJumpPending = true;
    MarkChannelMenu(0);
    frm_jump()->QuickJumpDigit = QString::number(digit);
    QuickJump();
}

void TMainForm::RecogniseStation()
{
    const std::string text = FrequencyText(TunerSettings.CurrentFrequency, decimalSeparator_);
    const int n = RecognisedPreset(TunerSettings.CurrentFrequency);
    ShowStationCaption(n);
    if (n == 0) {
        SetTitleForUnnamedStation();
        return;
    }
    const std::string& name = Presets[static_cast<size_t>(n - 1)].StationName;
    SetTitle(QString::fromStdString(RecognitionTitle(text, &name)));
    CurrentPresetNumber = static_cast<int8_t>(n);
    MarkChannelMenu(n);
    SelectBankFor(n);  // which lights its button
}

void TMainForm::SetTitle(const QString& text)
{
    titleText_ = text;
    const QString title = WithRecordingMark(text.left(MaxTitleLength), MaxTitleLength);
    setWindowTitle(title);
    TrayIcon->SetToolTip(title);
    ShowStationOnBus();
}
