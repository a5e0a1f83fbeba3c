// Recording what the radio plays: Actions -> "Record" (key R, the tray's
// Actions), the action word "REC:n", the REC mark on the display and the
// time in the title. A recording is the panel's, not the window's: it runs
// on while the window is hidden and across stations, and only a stop, the
// end of the program or a failing disk ends it, always with a whole file.
#include "MainForm.h"

#include "Presets.h"
#include "SettingsStore.h"
#include "TunerSettings.h"
#include "Tuning.h"

#include "CustomPanel.h"

#include <QLabel>
#include <QMenu>

namespace {

constexpr const char* RecordCaption = "&Record";
constexpr const char* StopRecordingCaption = "Stop &recording";
// On the station line, left of the clock; it covers the end of a long name.
constexpr QRect RecMarkGeometry(94, 45, 24, 14);

// The action that precedes `before`'s separator in `menu`, so that a new
// item joins the group above that separator.
QAction* SeparatorBefore(QMenu* menu, QAction* before)
{
    const QList<QAction*> actions = menu->actions();
    const qsizetype at = actions.indexOf(before);
    return at > 0 ? actions[at - 1] : before;
}

// The name the station line shows: the preset's own for a station the
// presets know, else the one it sends by RDS; else its frequency.
std::string RecordingStation(const std::string& rdsName)
{
    const double mhz = TunerSettings.CurrentFrequency;
    const int n = RecognisedPreset(mhz);
    return StationLabel(n > 0 ? Presets[static_cast<size_t>(n - 1)].StationName : rdsName, mhz);
}

RecordingFormat ChosenFormat()
{
    const auto format = RecordingFormatFromName(TunerSettings.RecordingFormat);
    if (!format)
        ReportStoreProblemOnce("\"Recording format\" is \"" + TunerSettings.RecordingFormat +
                               "\", which is none of FLAC, Ogg Vorbis, WAV: recordings are made in FLAC");
    return format.value_or(kDefaultRecordingFormat);
}

}  // namespace

void TMainForm::CreateRecordingControls()
{
    lbl_rec = new QLabel("REC", Panel2);
    lbl_rec->setObjectName("lbl_rec");
    lbl_rec->setToolTip("Recording");
    lbl_rec->setAccessibleName("Recording");
    lbl_rec->setFont(lbl_sleep->font());
    QPalette colours = lbl_sleep->palette();
    colours.setColor(QPalette::Window, Qt::black);
    lbl_rec->setPalette(colours);
    lbl_rec->setAutoFillBackground(true);
    lbl_rec->setGeometry(RecMarkGeometry);
    lbl_rec->hide();

    item_record = new QAction(RecordCaption, this);
    item_record->setObjectName("item_record");
    mnu_file->insertAction(SeparatorBefore(mnu_file, LaunchPipit1), item_record);
    Record2 = new QAction(RecordCaption, this);
    Record2->setObjectName("Record2");
    File1->insertAction(SeparatorBefore(File1, Exit2), Record2);
    for (QAction* a : {item_record, Record2})
        connect(a, &QAction::triggered, this, &TMainForm::item_recordClick);

    titleText_ = windowTitle();
    recordingTick_.setInterval(RecordingTickMs);
    connect(&recordingTick_, &QTimer::timeout, this, &TMainForm::RecordingTick);
}

void TMainForm::item_recordClick()
{
    RecordFor(Recording() ? 0 : RecordUntilStopped);
}

void TMainForm::RecordFor(int32_t minutes)
{
    if (minutes == 0) {
        StopRecording();
        return;
    }
    if (!Recording() && !StartRecording())
        return;
    // A timed word for a running recording sets its end from now on.
    recordingEnds_ = minutes > 0 ? WallClock().addSecs(int64_t{minutes} * 60) : QDateTime();
}

bool TMainForm::StartRecording()
{
    FeedSettings feed;
    feed.adapter = TunerSettings.Adapter;
    feed.audioInput = TunerSettings.AudioInput;
    if (!FeedAbilitiesOf(feed).samples) {
        ShowReceiverMessage("There is no sound to record from this radio: its sound does not reach the "
                            "computer. Set \"Audio input\" to the sound card's line-in in the setup program.");
        return false;
    }
    const QDateTime now = WallClock();
    RecordingRequest request;
    request.folder = TunerSettings.RecordingsFolder;
    request.station = RecordingStation(RdsStationName().toStdString());
    request.format = ChosenFormat();
    request.start = static_cast<std::time_t>(now.toSecsSinceEpoch());
    auto recorder = std::make_unique<Recorder>();
    recorder->setFailureCallback([this](const RecorderStatus& status) {
        QMetaObject::invokeMethod(
            this, [this, text = QString::fromStdString(status.message)] { RecordingFailed(text); },
            Qt::QueuedConnection);
    });
    std::string error;
    if (!recorder->start(request, &error)) {
        ShowReceiverMessage("The recording could not start: " + error);
        return false;
    }
    {
        const std::lock_guard lock(audioMutex_);
        recorder_ = std::move(recorder);
    }
    recordingStarted_ = now;
    recordingEnds_ = QDateTime();
    recordingTick_.start();
    RecordingTick();
    return true;
}

void TMainForm::StopRecording()
{
    std::unique_ptr<Recorder> recorder;
    {
        const std::lock_guard lock(audioMutex_);
        recorder.swap(recorder_);
    }
    // Closed outside the lock: the sound goes on to the player meanwhile.
    if (recorder)
        recorder->stop();
    recordingTick_.stop();
    recordingStarted_ = QDateTime();
    recordingEnds_ = QDateTime();
    RecordingTick();
}

void TMainForm::RecordingFailed(const QString& message)
{
    if (!recorder_)
        return;
    const std::string path = recorder_->status().path;
    StopRecording();
    ShowReceiverMessage("The recording stopped: " + message.toStdString() + "\nWhat was recorded until then is in " +
                        path + ".");
}

void TMainForm::RecordingTick()
{
    if (Recording() && recordingEnds_.isValid() && WallClock() >= recordingEnds_) {
        StopRecording();
        return;
    }
    const bool on = Recording();
    lbl_rec->setVisible(on);
    for (QAction* a : {item_record, Record2})
        a->setText(on ? StopRecordingCaption : RecordCaption);
    SetTitle(titleText_);
    DescribeForScreenReaders();
}

QString TMainForm::WithRecordingMark(const QString& title, int maxLength) const
{
    if (!Recording())
        return title;
    const qint64 seconds = recordingStarted_.secsTo(WallClock());
    const QString mark = " - " + QString::fromStdString(RecordingElapsedText(seconds));
    return title.left(maxLength - static_cast<int>(mark.size())) + mark;
}
