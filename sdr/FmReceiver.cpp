#include "FmReceiver.h"

#include "BandScan.h"
#include "FirDesign.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <stdexcept>

namespace {

int DecimationFor(double inputRate)
{
    return std::max(1, static_cast<int>(std::lround(inputRate / kMultiplexTargetRate)));
}

struct Ratio {
    int up;
    int down;
};

// Multiplex rate to output rate as a fraction in whole numbers.
Ratio AudioRatio(const ReceiverSettings& settings)
{
    const int64_t up = std::llround(settings.outputRate) * DecimationFor(settings.inputRate);
    const int64_t down = std::llround(settings.inputRate);
    const int64_t common = std::gcd(up, down);
    if (up <= 0 || down <= 0 || up / common > kMaxResamplerBranches)
        throw std::invalid_argument("Cannot resample an input of " + std::to_string(settings.inputRate) +
                                    " S/s to " + std::to_string(settings.outputRate) + " S/s");
    return {static_cast<int>(up / common), static_cast<int>(down / common)};
}

RationalResampler AudioResampler(const ReceiverSettings& settings, double muxRate)
{
    const Ratio ratio = AudioRatio(settings);
    return RationalResampler(
        DesignLowPass({muxRate * ratio.up, kAudioCutoffHz, kAudioTransitionHz, kAudioAttenuationDb, 1.0}),
        ratio.up, ratio.down);
}

}  // namespace

FmReceiver::FmReceiver(const ReceiverSettings& settings)
    : settings_(settings), decimation_(DecimationFor(settings.inputRate)),
      muxRate_(settings.inputRate / decimation_), shifter_(settings.inputRate, -settings.offsetHz),
      channel_(DesignLowPass({settings.inputRate, kChannelCutoffHz, kChannelTransitionHz, kChannelAttenuationDb, 1.0}),
               decimation_),
      meter_(static_cast<size_t>(kMeterSeconds * muxRate_)), discriminator_(muxRate_), pll_(muxRate_),
      stereo_(muxRate_, settings.stereo), deemphasisLeft_(muxRate_, settings.deemphasis),
      deemphasisRight_(muxRate_, settings.deemphasis), resamplerLeft_(AudioResampler(settings, muxRate_)),
      resamplerRight_(AudioResampler(settings, muxRate_)), rds_(muxRate_)
{
}

void FmReceiver::setOffset(double offsetHz)
{
    settings_.offsetHz = offsetHz;
    shifter_ = FrequencyShifter(settings_.inputRate, -offsetHz);
    reset();
}

void FmReceiver::reset()
{
    meter_.reset();
    pll_.reset();
    stereo_.reset();
    rds_.reset();
    state_ = ReceiverState{};
}

void FmReceiver::process(std::span<const uint8_t> iq, std::vector<float>& audio, std::vector<RdsBlock>& blocks)
{
    bytes_.insert(bytes_.end(), iq.begin(), iq.end());
    iq_.resize(bytes_.size() / 2);
    const size_t samples = IqFromBytes(bytes_, iq_);
    bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<ptrdiff_t>(2 * samples));
    if (samples == 0)
        return;

    shifter_.process(iq_, iq_);
    channelOut_.resize(channel_.maxOutput(samples));
    const size_t count = channel_.process(iq_, channelOut_);
    const std::span<const Complex> channel(channelOut_.data(), count);
    meter_.process(channel);

    mux_.resize(count);
    pilot_.resize(count);
    left_.resize(count);
    right_.resize(count);
    discriminator_.process(channel, mux_);
    pll_.process(mux_, pilot_);
    updateState();
    stereo_.process(mux_, pilot_, left_, right_);
    deemphasisLeft_.process(left_, left_);
    deemphasisRight_.process(right_, right_);
    rds_.process(mux_, pilot_, pll_.locked(), blocks);

    audioLeft_.resize(resamplerLeft_.maxOutput(count));
    audioRight_.resize(resamplerRight_.maxOutput(count));
    const size_t frames = resamplerLeft_.process(left_, audioLeft_);
    resamplerRight_.process(right_, audioRight_);
    const float gain = muted_ ? 0.0f : gain_;
    for (size_t n = 0; n < frames; ++n) {
        audio.push_back(audioLeft_[n] * gain);
        audio.push_back(audioRight_[n] * gain);
    }
}

void FmReceiver::updateState()
{
    const SignalMeasure& measure = meter_.measure();
    state_.signalDb = measure.powerDb;
    state_.snrDb = measure.snrDb;
    state_.signal = IsStation(measure);
    state_.pilot = state_.signal && pll_.locked();
    stereo_.setConditions(state_.pilot, measure.snrDb);
    state_.stereo = stereo_.blend() >= kStereoFlagBlend;
    state_.rdsSync = rds_.inSync();
}

void AudioToInt16(std::span<const float> audio, std::span<int16_t> out)
{
    constexpr float kFullScale = 32767.0f;
    for (size_t n = 0; n < audio.size(); ++n)
        out[n] = static_cast<int16_t>(std::lround(std::clamp(audio[n], -1.0f, 1.0f) * kFullScale));
}
