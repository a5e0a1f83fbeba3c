#pragma once
// The state every SDR operation and the reading thread share: the open
// dongle, the receiver on its samples, and what was last measured. Each
// use holds SessionMutex().
#include "FmReceiver.h"
#include "SdrDongle.h"
#include "SdrReceiver.h"
#include "SdrSettings.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

inline constexpr double HzPerMHz = 1e6;

struct Session {
    std::unique_ptr<SdrDongle> dongle;
    std::unique_ptr<FmReceiver> receiver;
    double stationHz = 0;  // 0: not tuned yet
    bool muted = false;
    int volume = SdrVolumeSteps;
    std::string problem;
    bool away = false;  // the dongle went away and its going was reported
    ReceiverState state;
    SdrChoices opened;  // what the open dongle and receiver were made with
    bool reading = false;  // the reading thread keeps `state` up to date
    // Counts the retunes: what was read before one belongs to the old
    // station. Read without the lock by the feed's hand-over.
    std::atomic<unsigned> tunings{0};
    unsigned losses = 0;  // counts the dongles lost, so that the feed tells each once
};

std::mutex& SessionMutex();
Session& TheSession();

// A dongle that fails is closed: the next operation opens it afresh, and
// one that was unplugged meanwhile is then reported as not there.
void Lost(Session& s, const std::string& problem);
// Reads `seconds` of samples; false (and the dongle lost) when it failed.
bool Read(Session& s, double seconds, std::vector<uint8_t>& bytes);
// What a stretch of signal gave, for the feed: the sound as the receiver
// plays it, the RDS blocks, and the retune it was read after.
struct Heard {
    std::vector<float> audio;
    std::vector<RdsBlock> blocks;
    unsigned tuning = 0;
};
// Reads a stretch of signal through the receiver and keeps its state; the
// sound and blocks go to `heard` when given, else they are let fall.
bool Measure(Session& s, double seconds, Heard* heard = nullptr);

// The feed's side of the reading thread (SdrFeed.cpp), called without the
// session's lock: what was heard, unless a retune came since; and the
// dongles lost so far, each told once with its problem.
void HandToSdrFeed(const Heard& heard);
void TellSdrFeedLosses(unsigned losses, const std::string& problem);
// "94.200" for 94.2 MHz given in Hz.
std::string MHzText(double hz);
