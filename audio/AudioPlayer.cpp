#include "AudioPlayer.h"

#include "AlsaPcm.h"
#include "DriftCorrector.h"

#include <algorithm>
#include <vector>

AudioPlayer::AudioPlayer(PlayerSettings settings)
    : settings_(std::move(settings)), queue_(FramesForMs(kQueueCapacityMs))
{
}

AudioPlayer::~AudioPlayer()
{
    stop();
}

void AudioPlayer::start()
{
    if (thread_.joinable())
        return;
    stopping_ = false;
    {
        // Not through the callback: that is only ever called on the audio thread.
        std::lock_guard lock(statusMutex_);
        status_ = PlayerStatus{};
        status_.state = PlayerState::Starting;
    }
    thread_ = std::thread([this] { run(); });
}

void AudioPlayer::stop()
{
    stopping_ = true;
    queue_.wake();
    if (thread_.joinable())
        thread_.join();
    queue_.clear();
    std::lock_guard lock(statusMutex_);
    if (status_.state != PlayerState::Failed)
        status_.state = PlayerState::Stopped;
}

size_t AudioPlayer::push(const float* frames, size_t count)
{
    return queue_.write(frames, count);
}

void AudioPlayer::waitForRoom(std::chrono::milliseconds timeout)
{
    const int latency = std::clamp(settings_.latencyMs, kMinLatencyMs, kMaxLatencyMs);
    queue_.waitUntilBelow(FramesForMs(latency / kQueueTargetShare), timeout);
}

PlayerStatus AudioPlayer::status() const
{
    std::lock_guard lock(statusMutex_);
    return status_;
}

void AudioPlayer::report(PlayerState state, const std::string& message)
{
    PlayerStatus copy;
    {
        std::lock_guard lock(statusMutex_);
        status_.state = state;
        status_.message = message;
        copy = status_;
    }
    if (statusCallback_)
        statusCallback_(copy);
}

void AudioPlayer::applyGain(float* frames, size_t count)
{
    const float wanted = muted_ ? 0.0f : gain_.load();
    const float step = 1.0f / static_cast<float>(FramesForMs(kGainRampMs));
    for (size_t i = 0; i < count; ++i) {
        if (appliedGain_ < wanted)
            appliedGain_ = std::min(wanted, appliedGain_ + step);
        else if (appliedGain_ > wanted)
            appliedGain_ = std::max(wanted, appliedGain_ - step);
        frames[i * kAudioChannels + kLeft] *= appliedGain_;
        frames[i * kAudioChannels + kRight] *= appliedGain_;
    }
}

void AudioPlayer::run()
{
    const int latency = std::clamp(settings_.latencyMs, kMinLatencyMs, kMaxLatencyMs);
    std::string error;
    auto device = AlsaPcm::open(settings_.output, PcmDirection::Playback, latency / kDeviceShare, &error);
    if (!device) {
        report(PlayerState::Failed, error);
        return;
    }
    DriftCorrector corrector(FramesForMs(latency / kQueueTargetShare), FramesForMs(latency / kQueueMaxShare));
    const size_t period = device->periodFrames();
    const auto periodTime = std::chrono::milliseconds(std::max<int>(1, static_cast<int>(MsForFrames(period))));
    std::vector<float> block(period * kAudioChannels);
    report(PlayerState::Playing);

    while (!stopping_) {
        // A device that paces us blocks in write(); waiting here as well lets
        // a producer that is a little late still make this period.
        queue_.waitForFrames(period, periodTime);
        if (stopping_)
            break;
        corrector.render(queue_, block.data(), period);
        if (tap_)
            tap_(block.data(), period);
        applyGain(block.data(), period);
        if (!device->write(block.data(), period, &error)) {
            report(PlayerState::Failed, error);
            return;
        }
        std::lock_guard lock(statusMutex_);
        status_.latencyMs = MsForFrames(queue_.queued() + corrector.heldFrames() + device->delayFrames());
        status_.underruns = corrector.stats().underruns;
        status_.overruns = corrector.stats().overruns;
        status_.deviceXruns = device->xruns();
    }
    // Stop means quiet now: what the device still holds is thrown away.
    device->drop();
}
