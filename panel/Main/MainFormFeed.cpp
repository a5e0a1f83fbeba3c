// The receiver's feed: RDS and sound come on the feed's own threads. What
// the window shows is posted to its thread; the sound goes straight on to
// the player, which never waits.
#include "MainForm.h"

#include "ReceiverFeed.h"
#include "TunerSettings.h"

FeedSettings TMainForm::FeedSettingsNow() const
{
    FeedSettings settings;
    settings.adapter = TunerSettings.Adapter;
    settings.audioInput = TunerSettings.AudioInput;
    settings.standard = RdsStandardInUse();
    return settings;
}

void TMainForm::StartFeed()
{
    StartAudio();  // first: the feed's first frames find the player there
    const FeedSettings settings = FeedSettingsNow();
    FeedCallbacks callbacks;
    callbacks.rds = [this](uint32_t changed, const RdsState& state) {
        QMetaObject::invokeMethod(this, [this, changed, state] { FeedRds(changed, state); }, Qt::QueuedConnection);
    };
    callbacks.audio = [this](const float* frames, size_t count) { FeedAudio(frames, count); };
    callbacks.failed = [this](const std::string& message) {
        QMetaObject::invokeMethod(this, [this, text = QString::fromStdString(message)] { FeedFailed(text); },
                                  Qt::QueuedConnection);
    };
    std::string problem;
    feedRunning_ = StartReceiverFeed(settings, std::move(callbacks), problem);
    if (!feedRunning_)
        ShowReceiverMessage(problem);
}

void TMainForm::StopFeed()
{
    // Returns once no callback runs: none can reach a window that is going.
    StopReceiverFeed();
    feedRunning_ = false;
}

void TMainForm::FeedFailed(const QString& message)
{
    feedRunning_ = false;
    // A receiver that went away is shown as gone on the display, without a
    // box, as its own check shows it; its feed starts again when it is back.
    CheckReceiver();
    if (!receiverGone_)
        ShowReceiverMessage(message.toStdString());
}
