#include "BroadcastModulator.h"

#include "FmMultiplex.h"
#include "RdsGroup.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
// A station needs this much room from the band's edge to be sampled whole.
constexpr double kChannelHalfWidthHz = 100000.0;
// Every station together stays this far inside the bytes' range, leaving
// room for the noise's peaks.
constexpr float kTotalAmplitude = 0.7f;
constexpr uint16_t kPiCountryCode = 0xC000;

std::complex<double> Step(double hz, double sampleRate)
{
    return std::polar(1.0, kTwoPi * hz / sampleRate);
}

// A station's pre-emphasis boosts a sine of f Hz by |1 + j 2 pi f tau|.
double PreEmphasis(double hz, double tau)
{
    const double x = kTwoPi * hz * tau;
    return std::sqrt(1.0 + x * x);
}

RdsStation RdsOf(const BroadcastStation& station)
{
    RdsStation rds;
    rds.pi = static_cast<uint16_t>(kPiCountryCode | (std::lround(station.mhz * 10) & 0xFFF));
    rds.name = station.name;
    rds.text = station.text;
    return rds;
}

}  // namespace

StationMultiplex::StationMultiplex(const BroadcastStation& station, double sampleRate, double deemphasis)
    : stereo_(station.stereo), rds_(!station.name.empty()),
      leftHz_(station.mhz * kToneHzPerMhzLeft),
      rightHz_(station.mhz * (station.stereo ? kToneHzPerMhzRight : kToneHzPerMhzLeft)),
      pilotStep_(Step(kPilotHz, sampleRate)), left_(0.0, 1.0), leftStep_(Step(leftHz_, sampleRate)),
      right_(0.0, 1.0), rightStep_(Step(rightHz_, sampleRate)),
      leftGain_(kToneLevel * PreEmphasis(leftHz_, deemphasis)),
      rightGain_(kToneLevel * PreEmphasis(rightHz_, deemphasis)), encoder_(RdsOf(station)),
      symbolStep_(kRdsBitRate / sampleRate)
{
}

void StationMultiplex::nextRdsSymbol()
{
    if (bits_.empty()) {
        std::vector<uint8_t> bits;
        AppendGroupBits(bits, encoder_.nextGroup());
        bits_.assign(bits.begin(), bits.end());
    }
    // Differential code: a 1 changes the level, a 0 keeps it.
    if (bits_.front() != 0)
        symbolSign_ = -symbolSign_;
    bits_.pop_front();
}

void StationMultiplex::process(std::span<float> mux)
{
    for (float& out : mux) {
        const double left = leftGain_ * left_.real();
        const double right = rightGain_ * right_.real();
        const double s1 = pilot_.imag();
        const double c1 = pilot_.real();
        double value = kAudioShare * (left + right) / 2.0;
        if (stereo_)
            value += kAudioShare * (left - right) / 2.0 * (2.0 * s1 * c1) + kPilotShare * s1;
        if (rds_) {
            // Biphase: one cycle of a sine per symbol, on sin(3 x pilot phase).
            const double s3 = 3.0 * s1 - 4.0 * s1 * s1 * s1;
            value += kRdsShare * symbolSign_ * std::sin(kTwoPi * symbolPhase_) * s3;
            symbolPhase_ += symbolStep_;
            if (symbolPhase_ >= 1.0) {
                symbolPhase_ -= 1.0;
                nextRdsSymbol();
            }
        }
        out = static_cast<float>(value);
        pilot_ *= pilotStep_;
        left_ *= leftStep_;
        right_ *= rightStep_;
    }
    pilot_ /= std::abs(pilot_);
    left_ /= std::abs(left_);
    right_ /= std::abs(right_);
}

BroadcastModulator::BroadcastModulator(const std::vector<BroadcastStation>& stations,
                                       const ModulatorSettings& settings)
    : deviationStep_(kTwoPi * kMaxDeviationHz / settings.sampleRate), random_(settings.seed)
{
    for (const BroadcastStation& station : stations) {
        const double offset = station.mhz * 1e6 - settings.centreHz;
        if (std::fabs(offset) > settings.sampleRate / 2 - kChannelHalfWidthHz)
            continue;
        stations_.push_back({StationMultiplex(station, settings.sampleRate, settings.deemphasis),
                             kTwoPi * offset / settings.sampleRate});
    }
    amplitude_ = kTotalAmplitude / static_cast<float>(std::max<size_t>(1, stations_.size()));
    // Noise power over the whole band is the carrier's over the ratio, half
    // in I and half in Q.
    const double sigma = amplitude_ / std::sqrt(2.0 * std::pow(10.0, settings.snrDb / 10.0));
    noise_ = std::normal_distribution<float>(0.0f, static_cast<float>(sigma));
}

void BroadcastModulator::generate(std::span<uint8_t> bytes)
{
    const size_t count = bytes.size() / 2;
    sum_.assign(count, Complex(0.0f, 0.0f));
    mux_.resize(count);
    for (OnAir& station : stations_) {
        station.multiplex.process(mux_);
        double phase = station.phase;
        for (size_t n = 0; n < count; ++n) {
            phase += station.offsetPhaseStep + deviationStep_ * mux_[n];
            // Kept near zero: a float sine of a large phase loses its fraction.
            while (phase > std::numbers::pi)
                phase -= kTwoPi;
            while (phase < -std::numbers::pi)
                phase += kTwoPi;
            sum_[n] += std::polar(amplitude_, static_cast<float>(phase));
        }
        station.phase = phase;
    }
    for (size_t n = 0; n < count; ++n) {
        const float i = sum_[n].real() + noise_(random_);
        const float q = sum_[n].imag() + noise_(random_);
        bytes[2 * n] = static_cast<uint8_t>(std::clamp(std::lround(kIqByteZero + kIqByteZero * i), 0L, 255L));
        bytes[2 * n + 1] = static_cast<uint8_t>(std::clamp(std::lround(kIqByteZero + kIqByteZero * q), 0L, 255L));
    }
}
