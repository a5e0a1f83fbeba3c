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

#include <QKeyEvent>
#include <QLabel>
#include <QSlider>

namespace {
// The longest title the desktop is handed.
constexpr int MaxTitleLength = 255;
}  // namespace

void TMainForm::WireTuning()
{
    RC_TuneUp->OnClick = [this](QObject*) { RC_TuneUpClick(); };
    RC_FTuneUp->OnClick = [this](QObject*) { RC_FTuneUpClick(); };
    RC_FTuneDown->OnClick = [this](QObject*) { RC_FTuneDownClick(); };
    RC_TuneDown->OnClick = [this](QObject*) { RC_TuneDownClick(); };
    cmd_jump->OnClick = [this](QObject*) { cmd_jumpClick(); };
    for (QAction* a : {item_jump, Quickjump1})
        connect(a, &QAction::triggered, this, &TMainForm::cmd_jumpClick);
    // Clicks on the band labels and the mouse on the slider reach the
    // window's event filter, which sees every event of the application.
    connect(TrackBar1, &QSlider::valueChanged, this, &TMainForm::TrackBar1Change);
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
    ShowFrequency();
    ShowTuneState();
    SetSliderPosition();
}

void TMainForm::ShowFrequency()
{
    const std::string text = DigitDisplayText(TunerSettings.CurrentFrequency, DisplaySeparator(decimalSeparator_));
    Digit->SetValue(QString::fromStdString(text));
}

void TMainForm::ShowTuneState()
{
    const TuneState state = RadioDriver::TunedStatus();
    const QString text = FrequencyTextQ(TunerSettings.CurrentFrequency);
    if (state <= NotTuned) {
        lbl_status->setText(" ");
        lbl_status->setToolTip("Not tuned: " + text);
        return;
    }
    if (state == Tuned)
        lbl_status->setText("T");
    else if (state == TunedStereo)
        lbl_status->setText("ST");
    lbl_status->setToolTip("Tuned: " + text);
}

void TMainForm::ShowStationCaption(const QString& caption)
{
    // A long name is cut at a whole character with "..." and shown whole in
    // the hint, rather than clipped in mid-letter by the label's edge.
    const QFontMetrics metrics = lbl_station->fontMetrics();
    const int room = lbl_station->contentsRect().width();
    QString shown = caption;
    if (metrics.horizontalAdvance(caption) > room) {
        const QString dots = "...";
        shown.chop(1);
        while (!shown.isEmpty() && metrics.horizontalAdvance(shown + dots) > room)
            shown.chop(1);
        shown = shown.trimmed() + dots;
    }
    lbl_station->setText(shown);
    lbl_station->setToolTip(shown == caption ? QString() : caption);
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
    RadioDriver::Tune(TunerSettings.CurrentFrequency);
    CtrlHeld = false;
    ShowFrequency();
    StationCheckPhase = 0;
    TickEverySecondIfNeeded();
    lbl_status->setText("");
    ShowStationCaption("");
    RadioDriver::SoundOn = true;
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
    SetBtnFace(LitButton, 0);
    const double f = TunerSettings.CurrentFrequency + step;
    TunerSettings.CurrentFrequency = f;
    TuneTo(f);
    ShowStationCaption("");
    RecogniseStation();
}

void TMainForm::RC_TuneUpClick() { StepBy(+TunerSettings.TuneStep); }
void TMainForm::RC_FTuneUpClick() { StepBy(+TunerSettings.FineTuneStep); }
void TMainForm::RC_FTuneDownClick() { StepBy(-TunerSettings.FineTuneStep); }
void TMainForm::RC_TuneDownClick() { StepBy(-TunerSettings.TuneStep); }

void TMainForm::lbl_freqClick(int mhz)
{
    TunerSettings.CurrentFrequency = mhz;
    TuneTo(mhz);
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
    MarkChannelMenu(0);
    QuickJump();
    SetBtnFace(LitButton, 0);
}

void TMainForm::QuickJumpWithDigit(int digit)
{
    frm_jump()->QuickJumpPending = true;
    MarkChannelMenu(0);
    SetBtnFace(LitButton, 0);
    frm_jump()->QuickJumpDigit = QString::number(digit);
    QuickJump();
}

void TMainForm::RecogniseStation()
{
    ShowStationCaption("");
    const std::string text = FrequencyText(TunerSettings.CurrentFrequency, decimalSeparator_);
    const int n = RecognisedPreset(TunerSettings.CurrentFrequency);
    if (n == 0) {
        SetTitle(QString::fromStdString(RecognitionTitle(text, nullptr)));
        return;
    }
    const std::string& name = Presets[static_cast<size_t>(n - 1)].StationName;
    ShowStationCaption(QString::number(n) + " " + QString::fromStdString(name));
    SetTitle(QString::fromStdString(RecognitionTitle(text, &name)));
    CurrentPresetNumber = static_cast<int8_t>(n);
    MarkChannelMenu(n);
    SelectBankFor(n);
    SetBtnFace(PrevLitButton, n - PresetBank);
}

void TMainForm::SetTitle(const QString& text)
{
    const QString title = text.left(MaxTitleLength);
    setWindowTitle(title);
    TrayIcon->SetToolTip(title);
    ShowStationOnBus();
}
