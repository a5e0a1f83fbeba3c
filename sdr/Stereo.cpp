#include "Stereo.h"

#include "FmMultiplex.h"

#include <algorithm>
#include <cmath>
#include <numbers>

PilotPll::PilotPll(double sampleRate) : sampleRate_(sampleRate)
{
    const double omega = 2.0 * std::numbers::pi * kPllNaturalHz / sampleRate;
    nominalStep_ = std::polar(1.0f, static_cast<float>(2.0 * std::numbers::pi * kPilotHz / sampleRate));
    // Standard second-order loop; the detector's error is normalised below
    // so that its gain is 1 radian per radian at the nominal pilot level.
    proportional_ = static_cast<float>(2.0 * kPllDamping * omega);
    integral_ = static_cast<float>(omega * omega);
    pullRange_ = static_cast<float>(2.0 * std::numbers::pi * kPllPullRangeHz / sampleRate);
    levelAlpha_ = static_cast<float>(1.0 - std::exp(-1.0 / (kPilotLevelSeconds * sampleRate)));
}

void PilotPll::reset()
{
    *this = PilotPll(sampleRate_);
}

void PilotPll::process(std::span<const float> mux, std::span<Complex> phasor)
{
    // The product with the loop's cosine holds (A/2) sin(phase error).
    constexpr float kErrorScale = 2.0f / kPilotShare;
    Complex p = phasor_;
    float inPhase = inPhase_;
    for (size_t n = 0; n < mux.size(); ++n) {
        phasor[n] = p;
        const float error = mux[n] * p.real() * kErrorScale;
        inPhase += levelAlpha_ * (2.0f * mux[n] * p.imag() - inPhase);
        frequency_ = std::clamp(frequency_ + integral_ * error, -pullRange_, pullRange_);
        // A small turn d as 1 + jd - d^2/2 saves a sine and cosine per sample;
        // one Newton step on the length keeps the phasor on the unit circle.
        const float turn = frequency_ + proportional_ * error;
        p *= nominalStep_ * Complex(1.0f - 0.5f * turn * turn, turn);
        p *= 1.5f - 0.5f * std::norm(p);
    }
    phasor_ = p;
    inPhase_ = inPhase;
    if (inPhase_ > kPilotLockLevel * kPilotShare)
        locked_ = true;
    else if (inPhase_ < kPilotLossLevel * kPilotShare)
        locked_ = false;
}

StereoDecoder::StereoDecoder(double sampleRate, bool stereoAllowed)
    : stereoAllowed_(stereoAllowed), step_(static_cast<float>(1.0 / (kBlendSeconds * sampleRate)))
{
    // The discriminator's phase step is the frequency averaged over one
    // sample: a sinc that takes a few percent off L-R at 38 kHz, which
    // would leak that much of each channel into the other.
    const double x = std::numbers::pi * 2.0 * kPilotHz / sampleRate;
    droop_ = static_cast<float>(x / std::sin(x));
}

void StereoDecoder::setConditions(bool pilotLocked, float snrDb)
{
    if (!stereoAllowed_ || !pilotLocked) {
        target_ = 0.0f;
        return;
    }
    target_ = std::clamp((snrDb - kBlendMonoBelowDb) / (kBlendStereoAboveDb - kBlendMonoBelowDb), 0.0f, 1.0f);
}

void StereoDecoder::process(std::span<const float> mux, std::span<const Complex> pilot, std::span<float> left,
                            std::span<float> right)
{
    // L+R = m / share and L-R = m * 2 sin(2 phase) / share once filtered:
    // the matrix is applied before the filter, which is the same thing.
    constexpr float kScale = 1.0f / kAudioShare;
    float blend = blend_;
    for (size_t n = 0; n < mux.size(); ++n) {
        blend += std::clamp(target_ - blend, -step_, step_);
        const float subcarrier = 4.0f * pilot[n].real() * pilot[n].imag();  // 2 sin(2 phase)
        const float sum = mux[n] * kScale;
        const float difference = sum * subcarrier * blend * droop_;
        left[n] = sum + difference;
        right[n] = sum - difference;
    }
    blend_ = blend;
}
