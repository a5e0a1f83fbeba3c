#include "Iq.h"

#include <array>
#include <cmath>
#include <numbers>

namespace {

const std::array<float, 256> kByteValues = [] {
    std::array<float, 256> values{};
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = (static_cast<float>(i) - kIqByteZero) / kIqByteZero;
    return values;
}();

}  // namespace

size_t IqFromBytes(std::span<const uint8_t> bytes, std::span<Complex> out)
{
    const size_t count = bytes.size() / 2;
    for (size_t n = 0; n < count; ++n)
        out[n] = Complex(kByteValues[bytes[2 * n]], kByteValues[bytes[2 * n + 1]]);
    return count;
}

FrequencyShifter::FrequencyShifter(double sampleRate, double shiftHz)
    : step_(std::polar(1.0, 2.0 * std::numbers::pi * shiftHz / sampleRate))
{
}

void FrequencyShifter::process(std::span<const Complex> in, std::span<Complex> out)
{
    std::complex<double> phasor = phasor_;
    for (size_t n = 0; n < in.size(); ++n) {
        out[n] = in[n] * Complex(static_cast<float>(phasor.real()), static_cast<float>(phasor.imag()));
        phasor *= step_;
    }
    phasor_ = phasor / std::abs(phasor);
}
