// The page for the station's sound through the computer and its
// recordings: where the sound plays, which line-in an analogue card comes
// back on, the latency, and where and how recordings are kept.

#include "SetupDialog.h"

#include "AudioFormat.h"
#include "PcmNames.h"
#include "RecordingName.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace {

constexpr RecordingFormat FormatChoices[] = {RecordingFormat::Flac, RecordingFormat::OggVorbis, RecordingFormat::Wav};
constexpr int LatencyIncrementMs = 10;

// An editable list of ALSA's PCMs, each with its description as a tip.
QComboBox* PcmChoice(PcmDirection direction, QWidget* parent)
{
    auto* combo = new QComboBox(parent);
    combo->setEditable(true);
    for (const PcmName& pcm : ListPcmNames(direction)) {
        combo->addItem(QString::fromStdString(pcm.name));
        combo->setItemData(combo->count() - 1, QString::fromStdString(pcm.description), Qt::ToolTipRole);
    }
    return combo;
}

QLabel* PageHint(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

}  // namespace

QWidget* TSetupDialog::CreateSoundPage()
{
    auto* page = new QWidget(this);
    cmb_audiooutput = PcmChoice(PcmDirection::Playback, page);
    cmb_audioinput = PcmChoice(PcmDirection::Capture, page);
    cmb_audioinput->insertItem(0, QString());
    cmb_audioinput->lineEdit()->setPlaceholderText("The receiver's own sound");
    txt_latency = new QSpinBox(page);
    txt_latency->setRange(kMinLatencyMs, kMaxLatencyMs);
    txt_latency->setSingleStep(LatencyIncrementMs);
    txt_latency->setSuffix(" ms");
    chb_playthrough = new QCheckBox("&Play the line-in through the computer (for a card with an audio cable)", page);
    txt_recfolder = new QLineEdit(page);
    txt_recfolder->setPlaceholderText(QString::fromStdString(DefaultRecordingsFolder()));
    cmd_recbrowse = new QPushButton("B&rowse...", page);
    connect(cmd_recbrowse, &QPushButton::clicked, this, [this] {
        const QString start = txt_recfolder->text().isEmpty() ? txt_recfolder->placeholderText() : txt_recfolder->text();
        const QString folder = QFileDialog::getExistingDirectory(this, "Recordings folder", start);
        if (!folder.isEmpty())
            txt_recfolder->setText(folder);
    });
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(txt_recfolder);
    folderRow->addWidget(cmd_recbrowse);
    cmb_recformat = new QComboBox(page);
    for (RecordingFormat format : FormatChoices)
        cmb_recformat->addItem(RecordingFormatName(format), RecordingFormatName(format));

    auto* form = new QFormLayout(page);
    form->addRow("Sound &output:", cmb_audiooutput);
    form->addRow(PageHint("Where a USB stick's or a dongle's sound plays; \"default\" is the desktop's sound.", page));
    form->addRow("Sound &input:", cmb_audioinput);
    form->addRow(PageHint("For a radio card whose sound leaves it by cable: the sound card input it is plugged "
                          "into (its line-in). Recordings of such a card are made from it.",
                          page));
    form->addRow(chb_playthrough);
    form->addRow("&Latency:", txt_latency);
    // A row of two widgets has no buddy of its own: the label names the box.
    auto* folderLabel = new QLabel("Recordings &folder:", page);
    folderLabel->setBuddy(txt_recfolder);
    form->addRow(folderLabel, folderRow);
    form->addRow("Recording f&ormat:", cmb_recformat);
    return page;
}

void TSetupDialog::ShowSoundValues(const SetupValues& v)
{
    cmb_audiooutput->setEditText(QString::fromStdString(v.AudioOutput));
    cmb_audioinput->setEditText(QString::fromStdString(v.AudioInput));
    txt_latency->setValue(v.AudioLatency);
    chb_playthrough->setChecked(v.PlayThrough);
    txt_recfolder->setText(QString::fromStdString(v.RecordingsFolder));
    // Any case is read as the format; a stored word that is none shows as itself.
    const auto format = RecordingFormatFromName(v.RecordingFormat);
    const QString stored = format ? RecordingFormatName(*format) : QString::fromStdString(v.RecordingFormat);
    int index = cmb_recformat->findData(stored);
    if (index < 0) {
        cmb_recformat->addItem("Other (" + stored + ")", stored);
        index = cmb_recformat->count() - 1;
    }
    cmb_recformat->setCurrentIndex(index);
}

void TSetupDialog::SoundValuesShown(SetupValues& v) const
{
    v.AudioOutput = cmb_audiooutput->currentText().trimmed().toStdString();
    v.AudioInput = cmb_audioinput->currentText().trimmed().toStdString();
    v.AudioLatency = txt_latency->value();
    v.PlayThrough = chb_playthrough->isChecked();
    QString folder = txt_recfolder->text().trimmed();
    while (folder.size() > 1 && folder.endsWith('/'))
        folder.chop(1);
    v.RecordingsFolder = folder.toStdString();
    v.RecordingFormat = cmb_recformat->currentData().toString().toStdString();
}
