#include "FirDesign.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Zeroth-order modified Bessel function of the first kind, by its series;
// the terms fall fast enough for the window's beta values.
double BesselI0(double x)
{
    double sum = 1.0;
    double term = 1.0;
    for (int k = 1; k < 50 && term > 1e-12 * sum; ++k) {
        term *= (x / (2.0 * k)) * (x / (2.0 * k));
        sum += term;
    }
    return sum;
}

// Kaiser's formulas for the window's shape parameter and length.
double KaiserBeta(double attenuationDb)
{
    if (attenuationDb > 50)
        return 0.1102 * (attenuationDb - 8.7);
    if (attenuationDb > 21)
        return 0.5842 * std::pow(attenuationDb - 21, 0.4) + 0.07886 * (attenuationDb - 21);
    return 0.0;
}

}  // namespace

std::vector<float> DesignLowPass(const LowPassSpec& spec)
{
    const double transition = 2.0 * std::numbers::pi * spec.transitionHz / spec.sampleRate;
    int length = static_cast<int>(std::ceil((spec.attenuationDb - 8.0) / (2.285 * transition))) + 1;
    length |= 1;  // odd: a whole-sample delay, symmetric about the middle tap
    const double beta = KaiserBeta(spec.attenuationDb);
    const double middle = (length - 1) / 2.0;
    const double fc = spec.cutoffHz / spec.sampleRate;

    std::vector<double> taps(static_cast<size_t>(length));
    double sum = 0;
    for (int n = 0; n < length; ++n) {
        const double t = n - middle;
        const double sinc = t == 0 ? 2.0 * fc : std::sin(2.0 * std::numbers::pi * fc * t) / (std::numbers::pi * t);
        const double r = t / middle;
        const double window = BesselI0(beta * std::sqrt(std::max(0.0, 1.0 - r * r))) / BesselI0(beta);
        taps[static_cast<size_t>(n)] = sinc * window;
        sum += taps[static_cast<size_t>(n)];
    }
    std::vector<float> result(taps.size());
    for (size_t n = 0; n < taps.size(); ++n)
        result[n] = static_cast<float>(taps[n] * spec.gain / sum);
    return result;
}

float Dot(const float* a, const float* b, size_t count)
{
    constexpr size_t kLanes = 8;
    float partial[kLanes] = {};
    size_t i = 0;
    for (; i + kLanes <= count; i += kLanes) {
        for (size_t lane = 0; lane < kLanes; ++lane)
            partial[lane] += a[i + lane] * b[i + lane];
    }
    float sum = 0;
    for (; i < count; ++i)
        sum += a[i] * b[i];
    for (float p : partial)
        sum += p;
    return sum;
}
