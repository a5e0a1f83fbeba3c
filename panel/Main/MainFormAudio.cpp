// The station's sound: a receiver's samples played to "Audio output" on the
// player's own thread, and handed on to a recording while one runs. The
// window only switches things; it never waits on a sound device.
#include "MainForm.h"

#include "RadioDriver.h"
#include "TunerSettings.h"

void TMainForm::FeedAudio(const float* frames, size_t count)
{
    // Neither call waits: each only queues for a thread of its own.
    const std::lock_guard lock(audioMutex_);
    if (player_)
        player_->push(frames, count);
    if (recorder_)
        recorder_->write(frames, count);
}

void TMainForm::StartAudio()
{
    const TTunerSettings& s = TunerSettings;
    const bool wanted = PlaysSamples(FeedAbilitiesOf(FeedSettingsNow()), s.Adapter, s.PlayThrough);
    const PlayerSettings settings{s.AudioOutput, s.AudioLatency};
    // A reload that changed nothing of the sound keeps it playing without a break.
    if (wanted && player_ && player_->settings().output == settings.output &&
        player_->settings().latencyMs == settings.latencyMs && player_->status().state != PlayerState::Failed) {
        FollowSoundState();
        return;
    }
    std::unique_ptr<AudioPlayer> next;
    if (wanted) {
        next = std::make_unique<AudioPlayer>(settings);
        next->setStatusCallback([this](const PlayerStatus& status) {
            if (status.state != PlayerState::Failed)
                return;
            QMetaObject::invokeMethod(
                this, [this, text = QString::fromStdString(status.message)] { PlayerFailed(text); },
                Qt::QueuedConnection);
        });
        next->start();
    }
    {
        const std::lock_guard lock(audioMutex_);
        player_.swap(next);
    }
    // Stopped outside the lock: the feed goes on meanwhile with the new one.
    if (next)
        next->stop();
    FollowSoundState();
}

void TMainForm::StopAudio()
{
    std::unique_ptr<AudioPlayer> player;
    {
        const std::lock_guard lock(audioMutex_);
        player.swap(player_);
    }
    if (player)
        player->stop();
    StopRecording();
}

void TMainForm::FollowSoundState()
{
    if (!player_)
        return;
    player_->setMuted(!RadioDriver::SoundOn);
    const bool gain = VolumeActsAsGain(TunerSettings.Adapter, TunerSettings.VolumeControl);
    player_->setGain(gain ? PlayGainFactor(playGainLevel_) : 1.0f);
}

void TMainForm::StepPlayGain(bool up)
{
    if (!VolumeActsAsGain(TunerSettings.Adapter, TunerSettings.VolumeControl))
        return;
    playGainLevel_ = SteppedGainLevel(playGainLevel_, up);
    FollowSoundState();
}

void TMainForm::PlayerFailed(const QString& message)
{
    // The radio itself plays on; only its sound through the computer stopped.
    ShowReceiverMessage("The radio's sound cannot be played: " + message.toStdString() +
                        "\nChoose another \"Audio output\" in the setup program.");
}
