#include "ToneSource.h"

#include "AudioFormat.h"

#include <cmath>
#include <numbers>

StationTone ToneForStation(double mhz, bool stereo)
{
    const double left = mhz * kToneHzPerMHz;
    return {left, stereo ? mhz * kStereoRightHzPerMHz : left};
}

ToneSource::ToneSource(StationTone tone) : tone_(tone) {}

void ToneSource::fill(float* frames, size_t count)
{
    const double amplitude = std::pow(10.0, kToneLevelDbfs / 20.0);
    const double hz[kAudioChannels] = {tone_.leftHz, tone_.rightHz};
    for (int channel = 0; channel < kAudioChannels; ++channel) {
        const double step = hz[channel] / kAudioRate;
        double phase = phase_[channel];
        const bool silent = muted_ || hz[channel] <= 0;
        for (size_t i = 0; i < count; ++i) {
            frames[i * kAudioChannels + channel] =
                silent ? 0.0f : static_cast<float>(amplitude * std::sin(2 * std::numbers::pi * phase));
            phase += step;
            phase -= std::floor(phase);
        }
        phase_[channel] = phase;
    }
}
