#include "SdrBenchMeasures.h"

#include "RdsDecoder.h"
#include "RdsGroup.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double kAudioRate = 48000.0;
constexpr int kBlockBits = 26;

struct Fit {
    double amplitude = 0;
    double residualPower = 0;  // what is left once the tone is taken out
};

// Least-squares fit of a sine of known frequency (and the mean) to one
// channel of interleaved audio.
Fit FitTone(const std::vector<float>& audio, size_t channel, size_t first, double hz)
{
    double mean = 0;
    double c = 0;
    double s = 0;
    size_t count = 0;
    for (size_t i = first * 2 + channel; i < audio.size(); i += 2, ++count) {
        const double phase = 2.0 * std::numbers::pi * hz * static_cast<double>(count) / kAudioRate;
        mean += audio[i];
        c += audio[i] * std::cos(phase);
        s += audio[i] * std::sin(phase);
    }
    Fit fit;
    if (count == 0)
        return fit;
    mean /= static_cast<double>(count);
    c *= 2.0 / static_cast<double>(count);
    s *= 2.0 / static_cast<double>(count);
    fit.amplitude = std::hypot(c, s);
    size_t n = 0;
    for (size_t i = first * 2 + channel; i < audio.size(); i += 2, ++n) {
        const double phase = 2.0 * std::numbers::pi * hz * static_cast<double>(n) / kAudioRate;
        const double rest = audio[i] - mean - c * std::cos(phase) - s * std::sin(phase);
        fit.residualPower += rest * rest;
    }
    fit.residualPower /= static_cast<double>(count);
    return fit;
}

double SnrDb(const Fit& fit)
{
    return 10.0 * std::log10(fit.amplitude * fit.amplitude / 2.0 / std::max(fit.residualPower, 1e-30));
}

}  // namespace

AudioMeasure MeasureStereo(const std::vector<float>& audio, const BroadcastStation& station, double settleSeconds)
{
    const size_t first = static_cast<size_t>(settleSeconds * kAudioRate);
    const double leftHz = station.mhz * kToneHzPerMhzLeft;
    const double rightHz = station.mhz * (station.stereo ? kToneHzPerMhzRight : kToneHzPerMhzLeft);
    const Fit left = FitTone(audio, 0, first, leftHz);
    const Fit right = FitTone(audio, 1, first, rightHz);
    AudioMeasure measure;
    measure.leftSnrDb = SnrDb(left);
    measure.rightSnrDb = SnrDb(right);
    if (station.stereo) {
        measure.separationLeftDb = 20.0 * std::log10(left.amplitude / FitTone(audio, 1, first, leftHz).amplitude);
        measure.separationRightDb = 20.0 * std::log10(right.amplitude / FitTone(audio, 0, first, rightHz).amplitude);
    }
    return measure;
}

RdsCount CountRds(const std::vector<RdsBlock>& blocks, double seconds)
{
    RdsCount count;
    count.sent = static_cast<int>(seconds * kRdsBitRate / kBlockBits);
    // Blocks come one after another once in sync; those before it are lost.
    const int lostAtStart = std::max(0, count.sent - static_cast<int>(blocks.size()));
    RdsDecoder decoder;
    for (size_t i = 0; i < blocks.size(); ++i) {
        const RdsBlock& block = blocks[i];
        if (block.uncorrectable)
            ++count.uncorrectable;
        else if (block.corrected)
            ++count.corrected;
        else
            ++count.good;
        decoder.addBlock(block);
        if (count.nameShownAfter < 0 && !decoder.state().name.empty())
            count.nameShownAfter = static_cast<double>(lostAtStart + static_cast<int>(i) + 1) * kBlockBits / kRdsBitRate;
    }
    count.errorRate = 1.0 - static_cast<double>(count.good + count.corrected) / std::max(1, count.sent);
    return count;
}
