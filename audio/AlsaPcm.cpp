#include "AlsaPcm.h"

#include "AudioFormat.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cmath>

namespace {
constexpr unsigned kUsPerMs = 1000;
constexpr float kS16Scale = 32767.0f;
constexpr float kS16ReadScale = 1.0f / 32768.0f;

short ToS16(float sample)
{
    return static_cast<short>(std::lrint(std::clamp(sample, -1.0f, 1.0f) * kS16Scale));
}
}  // namespace

std::string PcmErrorText(const std::string& name, int alsaError)
{
    return "Audio device \"" + name + "\": " + snd_strerror(alsaError);
}

std::unique_ptr<AlsaPcm> AlsaPcm::open(const std::string& name, PcmDirection direction, int bufferMs,
                                       std::string* error)
{
    snd_pcm_t* pcm = nullptr;
    const auto stream = direction == PcmDirection::Playback ? SND_PCM_STREAM_PLAYBACK : SND_PCM_STREAM_CAPTURE;
    int result = snd_pcm_open(&pcm, name.c_str(), stream, 0);
    if (result < 0) {
        *error = PcmErrorText(name, result);
        return nullptr;
    }
    std::unique_ptr<AlsaPcm> device(new AlsaPcm(pcm, name));
    // Soft resampling on: a device that does not run at 48 kHz is converted
    // by ALSA rather than refused.
    result = snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, kAudioChannels,
                                kAudioRate, 1, static_cast<unsigned>(bufferMs) * kUsPerMs);
    snd_pcm_uframes_t buffer = 0, period = 0;
    if (result >= 0)
        result = snd_pcm_get_params(pcm, &buffer, &period);
    if (result < 0) {
        *error = PcmErrorText(name, result);
        return nullptr;
    }
    device->bufferFrames_ = buffer;
    device->periodFrames_ = period;
    return device;
}

AlsaPcm::~AlsaPcm()
{
    snd_pcm_close(pcm_);
}

bool AlsaPcm::recover(long result, std::string* error)
{
    if (result == -EPIPE || result == -ESTRPIPE)
        ++xruns_;
    // Silent: an xrun is counted and reported in the status, not printed.
    const int recovered = snd_pcm_recover(pcm_, static_cast<int>(result), 1);
    if (recovered < 0) {
        *error = PcmErrorText(name_, recovered);
        return false;
    }
    return true;
}

bool AlsaPcm::write(const float* frames, size_t count, std::string* error)
{
    samples_.resize(count * kAudioChannels);
    std::transform(frames, frames + count * kAudioChannels, samples_.begin(), ToS16);
    size_t done = 0;
    while (done < count) {
        const snd_pcm_sframes_t written =
            snd_pcm_writei(pcm_, samples_.data() + done * kAudioChannels, count - done);
        if (written < 0) {
            if (!recover(written, error))
                return false;
            continue;
        }
        done += static_cast<size_t>(written);
    }
    return true;
}

long AlsaPcm::read(float* frames, size_t count, std::string* error)
{
    samples_.resize(count * kAudioChannels);
    for (;;) {
        const snd_pcm_sframes_t got = snd_pcm_readi(pcm_, samples_.data(), count);
        if (got < 0) {
            if (!recover(got, error))
                return -1;
            continue;
        }
        std::transform(samples_.begin(), samples_.begin() + got * kAudioChannels, frames,
                       [](short s) { return static_cast<float>(s) * kS16ReadScale; });
        return static_cast<long>(got);
    }
}

size_t AlsaPcm::delayFrames() const
{
    snd_pcm_sframes_t delay = 0;
    if (snd_pcm_delay(pcm_, &delay) < 0 || delay < 0)
        return 0;
    return static_cast<size_t>(delay);
}

void AlsaPcm::drop()
{
    snd_pcm_drop(pcm_);
}
