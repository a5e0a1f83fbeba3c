#include "Demodulation.h"

#include "FmMultiplex.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr float kLowestDb = -120.0f;
constexpr float kHighestSnrDb = 60.0f;

}  // namespace

FmDiscriminator::FmDiscriminator(double sampleRate)
    : scale_(static_cast<float>(sampleRate / (2.0 * std::numbers::pi * kMaxDeviationHz)))
{
}

void FmDiscriminator::process(std::span<const Complex> in, std::span<float> out)
{
    Complex previous = previous_;
    for (size_t n = 0; n < in.size(); ++n) {
        const Complex step = in[n] * std::conj(previous);
        out[n] = std::atan2(step.imag(), step.real()) * scale_;
        previous = in[n];
    }
    previous_ = previous;
}

Deemphasis::Deemphasis(double sampleRate, double timeConstant)
    : alpha_(static_cast<float>(1.0 - std::exp(-1.0 / (sampleRate * timeConstant))))
{
}

void Deemphasis::process(std::span<const float> in, std::span<float> out)
{
    float state = state_;
    for (size_t n = 0; n < in.size(); ++n) {
        state += alpha_ * (in[n] - state);
        out[n] = state;
    }
    state_ = state;
}

SignalMeter::SignalMeter(size_t windowSamples) : window_(windowSamples) {}

void SignalMeter::reset()
{
    count_ = 0;
    sum2_ = sum4_ = 0;
    measure_ = SignalMeasure{};
}

void SignalMeter::process(std::span<const Complex> in)
{
    for (const Complex& x : in) {
        const double power = std::norm(x);
        sum2_ += power;
        sum4_ += power * power;
        if (++count_ == window_)
            finishWindow();
    }
}

void SignalMeter::finishWindow()
{
    const double m2 = sum2_ / static_cast<double>(count_);
    const double m4 = sum4_ / static_cast<double>(count_);
    count_ = 0;
    sum2_ = sum4_ = 0;
    // For a constant envelope S in complex Gaussian noise N:
    // M2 = S + N and M4 = S^2 + 4SN + 2N^2, so S = sqrt(2 M2^2 - M4).
    const double carrier = std::sqrt(std::max(0.0, 2.0 * m2 * m2 - m4));
    const double noise = std::max(m2 - carrier, m2 * 1e-6);
    measure_.powerDb = m2 > 0 ? std::max(kLowestDb, static_cast<float>(10.0 * std::log10(m2))) : kLowestDb;
    measure_.snrDb = carrier > 0 ? std::clamp(static_cast<float>(10.0 * std::log10(carrier / noise)), 0.0f, kHighestSnrDb)
                                 : 0.0f;
}
