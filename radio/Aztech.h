#pragma once
// Aztech, Packard-Bell and Comp-Express cards: every byte written carries the
// volume level, so the program keeps the level (TunerSettings.CardVolume)
// and adds it to each value of a tune.

#include "CardOps.h"

#include <cstdint>

// The control word's stereo-enable bit; nothing clears it, tunes always ask
// for stereo.
extern bool AztechStereo;

// Wait before each start, bit and latch primitive. The companion paces its
// tunes with 5 ms; the front panel sends them back to back.
extern int AztechPrimitiveDelayMs;

// N: (f + 10.7 MHz) in 50 kHz units, truncated.
uint16_t AztechWord(double f);
// The 24-bit control word shifted out least significant bit first.
uint32_t AztechControlWord(uint16_t n, bool stereo);

void AztechTune(double f);  // f already rounded to 3 decimals
TuneState AztechStatus();   // 150 ms
void AztechVolumeUp();
void AztechVolumeDown();
void AztechMute();
void AztechUnmute();
