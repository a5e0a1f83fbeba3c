#include "RdsDemodulator.h"

#include "FirDesign.h"
#include "RdsGroup.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

int BasebandFactor(double muxRate)
{
    return std::max(1, static_cast<int>(std::lround(muxRate / kRdsBasebandRate)));
}

}  // namespace

RdsDemodulator::RdsDemodulator(double muxRate)
    : muxRate_(muxRate),
      decimator_(DesignLowPass({muxRate, kRdsBasebandCutoffHz, kRdsBasebandTransitionHz, 60.0, 1.0}),
                 BasebandFactor(muxRate)),
      rate_(muxRate / BasebandFactor(muxRate)), samplesPerSymbol_(rate_ / kRdsBitRate),
      ownCarrierStep_(std::polar(1.0, 2.0 * std::numbers::pi * kRdsSubcarrierHz / muxRate))
{
    const double omega = 2.0 * std::numbers::pi * kRdsCostasNaturalHz / rate_;
    costasProportional_ = static_cast<float>(2.0 * kRdsCostasDamping * omega);
    costasIntegral_ = static_cast<float>(omega * omega);
    levelAlpha_ = static_cast<float>(1.0 - std::exp(-1.0 / (kRdsLevelSeconds * rate_)));

    const size_t length = static_cast<size_t>(std::lround(samplesPerSymbol_));
    template_.resize(length);
    for (size_t k = 0; k < length; ++k)
        template_[k] = static_cast<float>(std::sin(2.0 * std::numbers::pi * (k + 0.5) / static_cast<double>(length)));
    realHistory_.assign(length, 0.0f);
    nextStrobe_ = samplesPerSymbol_;
}

void RdsDemodulator::reset()
{
    *this = RdsDemodulator(muxRate_);
}

void RdsDemodulator::process(std::span<const float> mux, std::span<const Complex> pilot, bool pilotLocked,
                             std::vector<RdsBlock>& blocks)
{
    mixed_.resize(mux.size());
    if (pilotLocked) {
        for (size_t n = 0; n < mux.size(); ++n) {
            const Complex carrier = pilot[n] * pilot[n] * pilot[n];  // three times the pilot's phase
            mixed_[n] = mux[n] * std::conj(carrier);
        }
    } else {
        for (size_t n = 0; n < mux.size(); ++n) {
            mixed_[n] = mux[n] * Complex(static_cast<float>(ownCarrier_.real()), -static_cast<float>(ownCarrier_.imag()));
            ownCarrier_ *= ownCarrierStep_;
        }
        ownCarrier_ /= std::abs(ownCarrier_);
    }
    baseband_.resize(decimator_.maxOutput(mux.size()));
    const size_t count = decimator_.process(mixed_, baseband_);
    costasAndMatch(std::span<const Complex>(baseband_.data(), count), blocks);
}

void RdsDemodulator::costasAndMatch(std::span<const Complex> baseband, std::vector<RdsBlock>& blocks)
{
    const float pullRange = static_cast<float>(2.0 * std::numbers::pi * kRdsCostasPullRangeHz / rate_);
    for (const Complex& sample : baseband) {
        const Complex r = sample * std::conj(costasPhasor_);
        power_ += levelAlpha_ * (std::norm(r) - power_);
        // BPSK: re * im / |r|^2 is sin(2 error) / 2, the error for small ones,
        // whichever of the two signs the symbol has. Bounded, as the average
        // power lags behind a signal that just came.
        const float error = std::clamp(r.real() * r.imag() / std::max(power_, 1e-12f), -1.0f, 1.0f);
        costasFrequency_ = std::clamp(costasFrequency_ + costasIntegral_ * error, -pullRange, pullRange);
        const float turn = costasFrequency_ + costasProportional_ * error;
        costasPhasor_ *= Complex(1.0f - 0.5f * turn * turn, turn);
        costasPhasor_ *= 1.5f - 0.5f * std::norm(costasPhasor_);

        std::shift_left(realHistory_.begin(), realHistory_.end(), 1);
        realHistory_.back() = r.real();
        const float matched = Dot(template_.data(), realHistory_.data(), template_.size());
        matched_[matchedCount_ % kRdsMatchedHistory] = matched;
        ++matchedCount_;
        timing(blocks);
    }
}

float RdsDemodulator::matchedAt(double position) const
{
    const double whole = std::floor(position);
    const float fraction = static_cast<float>(position - whole);
    const uint64_t index = static_cast<uint64_t>(std::max(0.0, whole));
    const float a = matched_[index % kRdsMatchedHistory];
    const float b = matched_[(index + 1) % kRdsMatchedHistory];
    return a + fraction * (b - a);
}

void RdsDemodulator::timing(std::vector<RdsBlock>& blocks)
{
    const double newest = static_cast<double>(matchedCount_ - 1);
    const double side = kRdsEarlyLate * samplesPerSymbol_;
    while (nextStrobe_ + side + 1.0 <= newest) {
        const float strobe = matchedAt(nextStrobe_);
        const float early = matchedAt(nextStrobe_ - side);
        const float late = matchedAt(nextStrobe_ + side);
        const float halfway = matchedAt(nextStrobe_ - samplesPerSymbol_ / 2.0);
        strobeLevel_ += kRdsHalfwayAverage * (std::fabs(strobe) - strobeLevel_);
        halfwayLevel_ += kRdsHalfwayAverage * (std::fabs(halfway) - halfwayLevel_);
        const float level = std::max(strobeLevel_, 1e-9f);
        // On the peak early and late are equal; past it the late one is
        // smaller (in the symbol's own sign), and the next strobe comes sooner.
        const float sign = strobe >= 0.0f ? 1.0f : -1.0f;
        const float error = std::clamp(sign * (late - early) / level, -1.0f, 1.0f);
        double step = samplesPerSymbol_ * (1.0 + kRdsTimingGain * error);
        if (halfwayLevel_ > kRdsHalfwayRatio * strobeLevel_) {
            step += samplesPerSymbol_ / 2.0;
            halfwayLevel_ = strobeLevel_;
        }
        nextStrobe_ += step;
        takeSymbol(strobe, blocks);
    }
}

void RdsDemodulator::takeSymbol(float value, std::vector<RdsBlock>& blocks)
{
    const bool symbol = value > 0.0f;
    const bool bit = symbol != lastSymbol_;  // differential code: a change is a 1
    lastSymbol_ = symbol;
    if (const std::optional<RdsBlock> block = sync_.addBit(bit))
        blocks.push_back(*block);
}
