#include "V4L2Tuner.h"

#include "Frequency.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <linux/videodev2.h>

uint32_t TunerUnitsPerMHz(uint32_t tunerCapability)
{
    if (tunerCapability & V4L2_TUNER_CAP_1HZ)
        return UnitsPerMHz1Hz;
    if (tunerCapability & V4L2_TUNER_CAP_LOW)
        return UnitsPerMHzLow;
    return UnitsPerMHzDefault;
}

uint32_t MHzToTunerUnits(double mhz, uint32_t tunerCapability)
{
    const double units = std::round(mhz * TunerUnitsPerMHz(tunerCapability));
    if (!(units > 0.0))
        return 0;
    constexpr double largest = std::numeric_limits<uint32_t>::max();
    return units >= largest ? std::numeric_limits<uint32_t>::max() : static_cast<uint32_t>(units);
}

double TunerUnitsToMHz(uint32_t units, uint32_t tunerCapability)
{
    return static_cast<double>(units) / TunerUnitsPerMHz(tunerCapability);
}

std::vector<TunerBand> MergedBands(std::vector<TunerBand> bands)
{
    std::sort(bands.begin(), bands.end(), [](const TunerBand& a, const TunerBand& b) { return a.lowMHz < b.lowMHz; });
    std::vector<TunerBand> merged;
    for (const TunerBand& band : bands) {
        if (!merged.empty() && band.lowMHz <= merged.back().highMHz)
            merged.back().highMHz = std::max(merged.back().highMHz, band.highMHz);
        else
            merged.push_back(band);
    }
    return merged;
}

bool BandsTake(const std::vector<TunerBand>& bands, double mhz)
{
    return std::any_of(bands.begin(), bands.end(),
                       [mhz](const TunerBand& b) { return mhz >= b.lowMHz && mhz <= b.highMHz; });
}

std::string BandsText(const std::vector<TunerBand>& bands)
{
    std::string text;
    for (size_t i = 0; i < bands.size(); ++i) {
        if (i > 0)
            text += i + 1 == bands.size() ? " and " : ", ";
        text += FrequencyText(static_cast<double>(RoundDigits(bands[i].lowMHz, 3))) + " to " +
                FrequencyText(static_cast<double>(RoundDigits(bands[i].highMHz, 3)));
    }
    return text + " MHz";
}

TuneState TuneStateFromSignal(int32_t signal, uint32_t rxsubchans)
{
    if (signal < SignalTunedThreshold)
        return NotTuned;
    return (rxsubchans & V4L2_TUNER_SUB_STEREO) ? TunedStereo : Tuned;
}

int32_t SteppedControlValue(int32_t value, int32_t minimum, int32_t maximum, int32_t step, int direction)
{
    const int64_t next = static_cast<int64_t>(value) + static_cast<int64_t>(std::max(step, 1)) * direction;
    return static_cast<int32_t>(std::clamp<int64_t>(next, minimum, maximum));
}
