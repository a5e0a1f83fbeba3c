#include "BandScan.h"

#include "Decimator.h"
#include "FirDesign.h"
#include "FmReceiver.h"

#include <cmath>

bool IsStation(const SignalMeasure& measure)
{
    return measure.snrDb >= kSignalSnrDb && measure.powerDb >= kSignalFloorDb;
}

std::vector<ChannelReading> ScanBand(std::span<const uint8_t> iq, double sampleRate, double spacingHz)
{
    std::vector<Complex> samples(iq.size() / 2);
    IqFromBytes(iq, samples);
    const int decimation = std::max(1, static_cast<int>(std::lround(sampleRate / kMultiplexTargetRate)));
    const std::vector<float> taps =
        DesignLowPass({sampleRate, kChannelCutoffHz, kChannelTransitionHz, kChannelAttenuationDb, 1.0});
    const double edge = sampleRate / 2 - kChannelCutoffHz;
    const int steps = static_cast<int>(std::floor(edge / spacingHz));

    std::vector<ChannelReading> readings;
    std::vector<Complex> shifted(samples.size());
    std::vector<Complex> channel;
    for (int step = -steps; step <= steps; ++step) {
        const double offset = step * spacingHz;
        if (std::fabs(offset) < kScanCentreGuardHz)
            continue;
        FrequencyShifter(sampleRate, -offset).process(samples, shifted);
        ComplexDecimator filter(taps, decimation);
        channel.resize(filter.maxOutput(shifted.size()));
        const size_t count = filter.process(shifted, channel);
        // The filter's first outputs still hold its empty history.
        const size_t settled = std::min(count, taps.size() / static_cast<size_t>(decimation));
        SignalMeter meter(count - settled);
        meter.process(std::span<const Complex>(channel.data() + settled, count - settled));
        readings.push_back({offset, meter.measure()});
    }
    return readings;
}

std::vector<ChannelReading> FindStations(const std::vector<ChannelReading>& readings)
{
    std::vector<ChannelReading> stations;
    for (size_t i = 0; i < readings.size(); ++i) {
        const float power = readings[i].measure.powerDb;
        const bool aboveLower = i == 0 || power >= readings[i - 1].measure.powerDb;
        const bool aboveUpper = i + 1 == readings.size() || power >= readings[i + 1].measure.powerDb;
        if (IsStation(readings[i].measure) && aboveLower && aboveUpper)
            stations.push_back(readings[i]);
    }
    return stations;
}
