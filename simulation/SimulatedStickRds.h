#pragma once
// The RDS a simulated stick receives: the blocks of the station it is tuned
// to, coming at the rate they come on air, counted from the tune, so that a
// reader sees what a real stick gives it: nothing for a while after a tune,
// then the name, then the text. Stations without a name send nothing.

#include "RdsEncoder.h"
#include "RdsGroup.h"
#include "SimulatedCard.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

inline constexpr double StickRdsBlocksPerSecond = kRdsGroupsPerSecond * kRdsBlocksPerGroup;
// The blocks a stick keeps for its reader, as si470x does by default: a
// reader that falls behind gets the latest ones.
inline constexpr size_t StickRdsBufferBlocks = 100;
// A made-up programme identification: a country code and the frequency, so
// that two stations never share one.
inline constexpr uint16_t SimulatedPiCountryCode = 0xC000;
inline constexpr uint16_t SimulatedPiNumberMask = 0x0FFF;
uint16_t SimulatedStationPi(double mhz);

class StickRdsStream {
public:
    // A stream for what the stick hears on `mhz` from `now` (seconds of the
    // stick's clock); a fraction `errorRate` of its blocks arrives
    // uncorrectable, flagged as the receiver flags them.
    void Restart(const std::optional<SimulatedStation>& station, double mhz, double now, double errorRate);
    bool Follows(double mhz) const { return started_ && mhz == mhz_; }

    size_t Available(double now) const;
    // Seconds of the stick's clock until a block is there; -1: none ever comes.
    double SecondsUntilNext(double now) const;
    // Up to `capacity` blocks as 3-byte records; the number of bytes written.
    size_t Take(uint8_t* bytes, size_t capacity, double now);

private:
    RdsBlock NextBlock();

    bool started_ = false;
    double mhz_ = 0;
    double start_ = 0;
    uint64_t delivered_ = 0;
    std::unique_ptr<RdsEncoder> encoder_;  // null: the station sends no RDS
    std::unique_ptr<RdsErrorInjector> errors_;
    RdsGroupBlocks group_{};
    int nextInGroup_ = kRdsBlocksPerGroup;
    int64_t clockMinute_ = -1;  // the machine's minute the last clock time was sent in
};
