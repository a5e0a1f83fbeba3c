#pragma once
// Adapter 8: an RTL2832U dongle ("SDR device", an index) and our own FM
// receiver on its samples. The dongle is opened on the first operation and
// kept open, with "SDR gain", "SDR frequency correction" and "De-emphasis"
// as they were then; OpenSdrReceiver opens it afresh when they changed. Tune, status and search read samples on the caller's thread:
// quick enough for a command, but a window runs them off its own thread.
// The operations may be called from any thread.
#include "CardOps.h"
#include "FmReceiver.h"

#include <string>

// Volume as a gain on the audio, in steps a person hears.
inline constexpr int SdrVolumeSteps = 15;
// How much signal a status reads: the meter's windows and the pilot's lock.
inline constexpr double SdrMeasureSeconds = 0.2;
// Samples right after a retune still hold the old frequency's.
inline constexpr double SdrSettleSeconds = 0.01;
// One look of a search: enough for the channel filter and one meter window.
inline constexpr double SdrLookSeconds = 0.06;
inline constexpr double SdrChannelSpacingHz = 100000.0;
// A look at a centre this many channels on sees the channels from the start
// to two beyond it (the centre itself is left out, on the DC spike); the
// next look, as many further on, sees that centre.
inline constexpr int SdrLookStepChannels = 3;

// The reading thread: while it runs, the dongle is read continuously at its
// own pace (a recording or the simulated dongle at their sample rate) and a
// status answers at once from the last measure. For a window; a command
// reads what it needs itself.
inline constexpr double SdrReadSeconds = 0.05;
inline constexpr int SdrIdleMs = 100;  // nothing tuned or no dongle: looked at again after this
// The sound and RDS it reads go to the receiver feed while one runs.
void StartSdrReading();
void StopSdrReading();
bool SdrReadingRunning();

bool OpenSdrReceiver(std::string& problem);
void CloseSdrReceiver();
std::string SdrReceiverProblem();
// False until a station was tuned on the open dongle (or it kept one).
bool SdrStationTuned();
// The last measurement's signal, stereo and RDS flags.
ReceiverState SdrReceiverState();
