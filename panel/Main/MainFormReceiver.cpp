// A receiver reached as a device (adapter 7, a V4L2 radio device; adapter
// 8, an RTL-SDR dongle): its messages, its going away and coming back, and
// its own search.

#include "MainForm.h"

#include "AdapterCatalogue.h"
#include "Frequency.h"
#include "RadioDriver.h"
#include "SdrReceiver.h"
#include "TunerSettings.h"
#include "V4L2Radio.h"

#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QSocketNotifier>

namespace {
constexpr const char* ReceiverGoneCaption = "Receiver gone";

const ReceiverOps* ConfiguredReceiver()
{
    return RadioDriver::ReceiverFor(TunerSettings.Adapter);
}
}  // namespace

void TMainForm::OpenReceiver()
{
    const ReceiverOps* receiver = ConfiguredReceiver();
    // A dongle's samples are read on a thread of their own: its status is
    // then a look at the last measure, never a wait on the window's thread.
    if (TunerSettings.Adapter == SdrAdapter)
        StartSdrReading();
    else
        StopSdrReading();
    StartFeed();
    if (!receiver) {
        receiverWatch_.stop();
        return;
    }
    ReportReceiverRefusal = [this](const std::string& message) { ShowReceiverMessage(message); };
    std::string problem;
    // The display and title say so from the watch's first check, once the
    // start has shown the station.
    if (!receiver->open(problem))
        ShowReceiverMessage(problem);
    connect(&receiverWatch_, &QTimer::timeout, this, &TMainForm::CheckReceiver, Qt::UniqueConnection);
    receiverWatch_.start(ReceiverCheckMs);
    // Where udev tells of radio nodes coming and going, the check runs at
    // once; the tick stays for what udev does not see (a driver's own fault).
    if (!receiverHotplug_) {
        if (const int fd = OpenReceiverHotplugMonitor(); fd >= 0) {
            receiverHotplug_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
            connect(receiverHotplug_, &QSocketNotifier::activated, this, [this] {
                if (ReceiverHotplugEvents())
                    CheckReceiver();
            });
        }
    }
}

void TMainForm::ShowWhatTheReceiverPlays()
{
    const ReceiverOps* receiver = ConfiguredReceiver();
    double mhz = 0.0;
    bool muted = false;
    if (!receiver)
        return;
    // One that cannot tell (a dongle plays only while it is read) plays the
    // station shown.
    if (!receiver->setting(mhz, muted)) {
        TuneTo(TunerSettings.CurrentFrequency);
        return;
    }
    TunerSettings.CurrentFrequency = static_cast<double>(RoundDigits(mhz, 3));
    RadioDriver::SoundOn = !muted;
    ShowFrequency();
}

void TMainForm::ShowReceiverMessage(const std::string& text)
{
    // Told without waiting for an answer: the panel, its other controls and
    // its timers go on meanwhile.
    auto* box = new QMessageBox(QMessageBox::Warning, "Tunzo", QString::fromStdString(text), QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

void TMainForm::ShowReceiverGone(const std::string& problem)
{
    receiverGone_ = true;
    // Nothing the station said stays up either, whether or not the feed
    // has noticed yet.
    rds_ = {};
    ShowRdsOnDisplay();
    ShowStationCaption(0);  // no preset is shown while there is nothing to play it
    lbl_station->setText(ReceiverGoneCaption);
    lbl_station->setToolTip(QString::fromStdString(problem));
    lbl_station->setAccessibleName(QString(ReceiverGoneCaption) + ": " + QString::fromStdString(problem));
    lbl_status->setText(" ");
    lbl_status->setToolTip(QString::fromStdString(problem));
    SetTitle("Tunzo - receiver gone");
}

void TMainForm::CheckReceiver()
{
    const ReceiverOps* receiver = ConfiguredReceiver();
    if (!receiver) {
        receiverWatch_.stop();
        return;
    }
    // A running seek notices an unplug itself; a second call on its handle
    // meanwhile could meet a descriptor the seek still uses.
    if (hardwareSeekPending_)
        return;
    switch (receiver->check()) {
    case ReceiverPresence::WentAway:
    case ReceiverPresence::Away:
        if (!receiverGone_)
            ShowReceiverGone(receiver->problem());
        break;
    case ReceiverPresence::CameBack:
        ReceiverCameBack();
        break;
    case ReceiverPresence::Present:
        // The dongle's marks follow the signal as it is read.
        if (TunerSettings.Adapter == SdrAdapter && !SearchRunning)
            ShowTuneState();
        break;
    }
}

void TMainForm::ReceiverCameBack()
{
    // A stick comes back in its power-on state: tuned elsewhere and muted.
    // It gets the panel's station, and the sound only if it had it.
    receiverGone_ = false;
    ShowStationCaption(0);  // takes the gone caption down; the station's own comes back below
    StartFeed();  // the feed of the device that went away stopped with it
    const bool soundOn = RadioDriver::SoundOn;
    RadioDriver::Tune(TunerSettings.CurrentFrequency);
    if (!soundOn)
        RadioDriver::Mute();
    RefreshMuteIndicator();
    ShowFrequency();
    SetSliderPosition();
    ShowTuneState();
    RecogniseStation();
}

bool TMainForm::StartHardwareSeek(bool down)
{
    const ReceiverOps* receiver = ConfiguredReceiver();
    if (!receiver)
        return false;
    // A receiver that is gone has nothing to search with; the display
    // already says why.
    if (receiverGone_)
        return true;
    if (!receiver->seeks())
        return false;
    // A stopped seek whose device has not answered yet: the click waits for
    // nothing and starts nothing.
    if (hardwareSeekPending_)
        return true;
    SearchRunning = true;
    SearchStopRequested = false;
    hardwareSeekPending_ = true;
    lbl_status->setText(down ? "<" : ">");
    lbl_station->setToolTip("Scanning for station");
    RadioDriver::Unmute();
    const QPointer<TMainForm> alive(this);
    seekWorker_ = std::jthread([receiver, down, alive] {
        const SeekResult result = receiver->seek(!down);
        // Back to the window's thread; a panel that closed meanwhile is gone.
        QMetaObject::invokeMethod(
            qApp,
            [alive, result] {
                if (alive)
                    alive->HardwareSeekDone(result);
            },
            Qt::QueuedConnection);
    });
    return true;
}

void TMainForm::HardwareSeekDone(const SeekResult& result)
{
    hardwareSeekPending_ = false;
    SearchRunning = false;
    if (result.outcome == SeekOutcome::Failed) {
        lbl_status->setText(" ");
        lbl_status->setToolTip(QString::fromStdString(result.problem));
        CheckReceiver();
        return;
    }
    // Stopped by a second click or not, the tuner is where the device left
    // it: a hardware seek cannot be called back.
    TunerSettings.CurrentFrequency = static_cast<double>(RoundDigits(result.mhz, 3));
    ShowFrequency();
    SetSliderPosition();
    ShowTuneState();
    RecogniseStation();
}
