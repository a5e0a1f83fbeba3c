#pragma once
// One look at the dongle's whole band instead of one tune per channel: each
// channel in it is shifted to 0 Hz, filtered and measured like the tuned
// one, so a search covers the band's width in a single buffer and confirms
// only the stations it found.
#include "Demodulation.h"

#include <cstdint>
#include <span>
#include <vector>

// Channels this close to the centre sit on the dongle's DC spike, whose
// steady envelope would read as a carrier: a search steps the centre by
// less than the band so that every channel is seen away from it.
constexpr double kScanCentreGuardHz = 100000.0;

struct ChannelReading {
    double offsetHz = 0;  // from the band's centre
    SignalMeasure measure;
};

// Every channel `spacingHz` apart whose width fits in the band and that is
// clear of the centre, in order of frequency.
std::vector<ChannelReading> ScanBand(std::span<const uint8_t> iq, double sampleRate, double spacingHz);

// The readings that are stations: a carrier over the noise, and stronger
// than the channels either side (a station spills into its neighbours).
std::vector<ChannelReading> FindStations(const std::vector<ChannelReading>& readings);

// A station's carrier is there: the receiver's signal flag and the scan's
// test are one rule.
bool IsStation(const SignalMeasure& measure);
