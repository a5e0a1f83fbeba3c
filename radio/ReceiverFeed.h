#pragma once
// What a receiver hands over besides its tuning: what the station says by
// RDS, and its sound as samples (a USB stick's own capture device, the
// dongle's demodulated audio, or "Audio input" for a card whose sound leaves
// it as an analogue signal). One feed runs at a time, on threads of its own,
// so that a window never waits on a device for it.
#include "RdsDecoder.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

struct FeedSettings {
    int adapter = 0;
    std::string audioInput;  // "Audio input": empty means the receiver's own sound, or none
    RdsStandard standard = RdsStandard::Rds;
};

// Called on the feed's own threads (and the rds one also on the thread that
// calls ReceiverFeedStationChanged): a window posts them to its own thread.
struct FeedCallbacks {
    // What the station says changed: the change mask and the whole state after it.
    std::function<void(uint32_t changed, const RdsState& state)> rds;
    // The station's sound as the receiver plays it: interleaved stereo float
    // frames at kAudioRate (the device's own mute and volume already applied).
    std::function<void(const float* frames, size_t count)> audio;
    // The feed stopped by itself: its device went away or failed.
    std::function<void(const std::string& message)> failed;
};

struct FeedAbilities {
    bool rds = false;      // the receiver can deliver RDS at all
    bool samples = false;  // its sound can be had as samples
    // Those samples are a sound card's line-in that the receiver's analogue
    // output is wired to, not the receiver's own: the user hears the radio
    // through that cable already, so playing them too is their choice.
    bool lineIn = false;
};
FeedAbilities ReceiverFeedAbilities(const FeedSettings& settings);

// Starts the feed for settings.adapter, stopping any that runs; false with
// what to tell the user. A receiver with neither RDS nor samples starts an
// idle feed and returns true.
bool StartReceiverFeed(const FeedSettings& settings, FeedCallbacks callbacks, std::string& problem);
// Returns once no callback runs any more.
void StopReceiverFeed();
bool ReceiverFeedRunning();
// A tune, a search, a preset, an unplug: everything the old station said is
// forgotten at once, and the rds callback is told so.
void ReceiverFeedStationChanged();
void SetReceiverFeedStandard(RdsStandard standard);
