#pragma once
// The state every SDR operation and the reading thread share: the open
// dongle, the receiver on its samples, and what was last measured. Each
// use holds SessionMutex().
#include "FmReceiver.h"
#include "SdrDongle.h"
#include "SdrReceiver.h"

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
    bool reading = false;  // the reading thread keeps `state` up to date
};

std::mutex& SessionMutex();
Session& TheSession();

// A dongle that fails is closed: the next operation opens it afresh, and
// one that was unplugged meanwhile is then reported as not there.
void Lost(Session& s, const std::string& problem);
// Reads `seconds` of samples; false (and the dongle lost) when it failed.
bool Read(Session& s, double seconds, std::vector<uint8_t>& bytes);
// Reads a stretch of signal through the receiver and keeps its state; the
// audio has nowhere to go yet and is let fall.
bool Measure(Session& s, double seconds);
// "94.200" for 94.2 MHz given in Hz.
std::string MHzText(double hz);
