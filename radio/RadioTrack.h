#pragma once
// Aims Labs RadioTrack, Reveal RA300 and SF16-FMP: one port byte carries the
// tuner's serial clock and data, the audio switch and the volume pulses.

#include "CardOps.h"

#include <cstdint>

// The 24-bit tuning word for a frequency already rounded to 3 decimals:
// bits 0-15 are (f + 10.7 MHz) in 25 kHz units, bits 16-23 are 0xA0.
uint32_t RadioTrackWord(double f3);

void RadioTrackTune(double mhz);  // rounds and stores CurrentFrequency itself
TuneState RadioTrackStatus();     // Tuned or NotTuned; 230 ms
void RadioTrackVolumeUp();
void RadioTrackVolumeDown();
void RadioTrackMute();
void RadioTrackUnmute();
