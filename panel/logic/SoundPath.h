#pragma once
// What the panel decides about the station's sound: whether the receiver's
// samples are played, where the volume steps land, and what the title says
// while a recording runs. No widgets.

#include "ReceiverFeed.h"

#include <cstdint>
#include <string>

// A receiver whose sound comes as samples is played; a card whose sound
// leaves it as an analogue signal is heard through the sound card already,
// so its line-in is played only when the user asks for "Play through".
bool PlaysSamples(const FeedAbilities& abilities, int adapter, bool playThrough);

// The volume steps of a card played through its line-in change what is
// captured only where they reach the card's own volume. Where they reach no
// control (a card without volume, the line-in's playback mixer) they act on
// the played samples instead. The V4L2 stick and the dongle step their own
// volume before the samples leave them: never twice.
bool VolumeActsAsGain(int adapter, int volumeControl);

// The gain's steps: the top one plays the samples as they come, each step
// below is kPlayGainStepDb quieter, and step 0 is silence.
inline constexpr int kPlayGainSteps = 15;
inline constexpr double kPlayGainStepDb = 3.0;
int SteppedGainLevel(int level, bool up);
float PlayGainFactor(int level);

// "REC 03:25", or "REC 1:02:03" after an hour: how long a recording runs.
std::string RecordingElapsedText(int64_t seconds);
