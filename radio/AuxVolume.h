#pragma once
// Volume steps on the sound card's line input instead of the radio card.
// The device is the "Auxiliary volume control" setting.

#include <cstdint>

// Number of devices counted once (tunzo at start-up, pipit at its first menu);
// not refreshed while the program runs.
extern int32_t AuxDeviceCount;

// Counts the devices into AuxDeviceCount; true when there is at least one.
bool EnumerateAuxDevices();

// The volume a step of `delta` leaves: attenuation from the left channel's
// high byte, moved by delta (negative is louder) and clamped to 0..255, then
// set on both channels.
uint32_t AuxSteppedVolume(uint32_t current, int32_t delta);

// Steps the configured device; true when the device took the new volume. A
// device whose volume cannot be read is left alone (false).
bool AuxVolumeStep(int32_t delta);
