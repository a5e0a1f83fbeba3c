#pragma once
// What a V4L2 tuner's numbers mean, as pure functions: the unit its
// frequencies are counted in, the range it takes, and when its signal means
// a station. The receiver code (V4L2Radio.h) and its tests share them.

#include "CardOps.h"

#include <cstdint>
#include <string>
#include <vector>

// Tuner units per MHz. A tuner counts in 62.5 kHz unless its capability says
// otherwise: V4L2_TUNER_CAP_LOW makes it 62.5 Hz, V4L2_TUNER_CAP_1HZ 1 Hz
// (which wins when a driver sets both).
inline constexpr uint32_t UnitsPerMHzDefault = 16;
inline constexpr uint32_t UnitsPerMHzLow = 16000;
inline constexpr uint32_t UnitsPerMHz1Hz = 1000000;
uint32_t TunerUnitsPerMHz(uint32_t tunerCapability);

// Nearest whole unit; a frequency beyond what 32 bits hold gives the largest.
uint32_t MHzToTunerUnits(double mhz, uint32_t tunerCapability);
double TunerUnitsToMHz(uint32_t units, uint32_t tunerCapability);

// A span of frequencies the device takes, in MHz.
struct TunerBand {
    double lowMHz = 0.0;
    double highMHz = 0.0;
};

// The same frequencies as spans that neither overlap nor touch, lowest
// first: si470x lists 87.5-108, 76-108 and 76-90, which is 76-108.
std::vector<TunerBand> MergedBands(std::vector<TunerBand> bands);
// True when `mhz` lies in one of the bands (the edges included).
bool BandsTake(const std::vector<TunerBand>& bands, double mhz);
// "76 to 108 MHz", or "76 to 90 and 87.5 to 108 MHz" for several bands.
std::string BandsText(const std::vector<TunerBand>& bands);

// The signal field runs 0 to 65535. Drivers scale it differently: si470x
// gives its RSSI (0 to 75 dBuV) times 257, so that a good station reads
// 8000 to 15000, while dsbr100, mr800 and the ISA drivers give only 0 or
// 65535. 4096 (RSSI 16 dBuV on an si470x) lies below every station worth
// hearing and above the noise of an empty channel, and any "on" of the
// two-valued drivers passes it.
inline constexpr int32_t SignalTunedThreshold = 4096;

// Tuned from the signal; TunedStereo when tuned and the driver reports the
// stereo subchannel in `rxsubchans`.
TuneState TuneStateFromSignal(int32_t signal, uint32_t rxsubchans);

// A control's next value for a step `direction` (+1 up, -1 down): one step
// of the control, kept within its own range.
int32_t SteppedControlValue(int32_t value, int32_t minimum, int32_t maximum, int32_t step, int direction);
