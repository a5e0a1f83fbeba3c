#pragma once
// The card operations of the companion (pipit). It carries its own, smaller
// route to the cards: the RadioTrack protocol for adapters below 4, the
// Aztech protocol for adapter 4, a V4L2 receiver for adapter 7, and nothing
// at all for any other adapter (it has no serial line and no RadioActive
// row). Each sequence runs once per
// call; none refreshes an indicator or lets window messages run. Its tune is
// RadioDriver::CompanionTune.

#include <cstdint>

// Each Aztech primitive waits this long first in the companion.
inline constexpr int CompanionAztechPrimitiveDelayMs = 5;

// The volume steps of the companion on the line in: 15 on the 0..255
// attenuation scale, negative louder.
inline constexpr int32_t CompanionVolumeUpStep = -15;
inline constexpr int32_t CompanionVolumeDownStep = 15;

namespace RadioDriver {

// The companion's card timings, set once at its start.
void UseCompanionTimings();

// The card's mute sequence; SoundOn becomes false.
void CompanionMute();
// The card's unmute sequence; SoundOn becomes true.
void CompanionUnmute();
// With "Volume control" other than 0 a step of the line-in device by `step`;
// otherwise one card step, down for a positive step and up for any other.
// SoundOn is left alone.
void CompanionVolumeStep(int32_t step);

}  // namespace RadioDriver
