#pragma once
// "Find all stations": the sweep of the band and where its finds are stored.
// The sweep says what the receiver is to do next (tune, seek, listen for the
// station's name, or stop) from what the receiver answered, and is told the
// time by its caller, so that it runs as well against a virtual clock as
// against the real one. No widgets and no card calls.

#include "CardOps.h"
#include "Presets.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// The longest wait on one station for its name.
inline constexpr int64_t NameWaitMs = 3000;
// Without a PI code by then the station sends no RDS: no name is coming.
inline constexpr int64_t PiWaitMs = 1000;

struct SweptStation {
    double mhz = 0.0;
    bool stereo = false;
    std::string name;  // the RDS station name; empty when none came
};

struct SweepPlan {
    double bandMinimum = 0.0;
    double bandMaximum = 0.0;
    double step = 0.0;     // the fine step, when the sweep steps through the band
    bool bySeek = false;   // the receiver searches by itself
    bool listens = false;  // the receiver delivers RDS, so a name may come
};

enum class SweepRequest { Tune, Seek, Listen, Finished };
struct SweepAction {
    SweepRequest request = SweepRequest::Finished;
    double mhz = 0.0;  // for Tune
};

// What has come by RDS since the station was tuned.
struct StationHeard {
    bool hasPi = false;
    std::string name;
};

// True while a wait for the name is still worth it, `elapsedMs` after the
// station was tuned: no name yet, within NameWaitMs, and a PI code heard
// once PiWaitMs have passed.
bool KeepListening(const StationHeard& heard, int64_t elapsedMs);

class StationSweep {
public:
    explicit StationSweep(const SweepPlan& plan);

    // The first request: the bottom of the band.
    SweepAction Start();
    // The receiver's answer after a Tune.
    SweepAction Tuned(TuneState state);
    // After a Seek: where it stopped, and whether it hears stereo there.
    SweepAction Sought(const SeekResult& result, TuneState state);
    // While listening: what has come so far, `elapsedMs` after the tune.
    // Listen again, or the next request once the wait is over.
    SweepAction Listening(const StationHeard& heard, int64_t elapsedMs);

    // How far through the band, 0 to 100.
    int Percent() const;
    double At() const { return at_; }
    const std::vector<SweptStation>& Found() const { return found_; }
    // Why a seek failed, when it did; the stations found until then stay.
    const std::string& Problem() const { return problem_; }

private:
    SweepAction Next();
    SweepAction StationAt(double mhz, bool stereo);
    SweepAction Finish();

    SweepPlan plan_;
    double at_ = 0.0;
    // Stepping: a run of tuned steps is one station, taken at its middle.
    bool inRun_ = false;
    double runStart_ = 0.0;
    double runEnd_ = 0.0;
    bool runStereo_ = false;
    bool tuningToStation_ = false;  // back to a run's middle, to listen there
    double resumeAt_ = 0.0;         // where the stepping goes on afterwards
    SweptStation listeningTo_;
    bool listening_ = false;
    bool finished_ = false;
    std::vector<SweptStation> found_;
    std::string problem_;
};

// Where the chosen stations go: the empty slots, or one bank of ten replaced.
struct SlotTarget {
    bool bank = false;
    int firstSlot = 1;  // the bank's first slot: 1, 11, ... 91
};

struct PresetWrite {
    int slot = 0;
    PresetSlot content;
};

struct SlotPlan {
    std::vector<PresetWrite> writes;     // in slot order; a cleared slot has frequency 0.0
    std::vector<SweptStation> leftOut;  // no room for these
};

// The chosen stations in frequency order into the target's slots: the empty
// ones (frequency below LowestUsableFrequency), or the bank's ten, whose
// slots beyond the last station are cleared. A station without a name gets
// the name a Write gives ("Preset 7"); each is in the preset scan.
SlotPlan PlanPresetSlots(std::vector<SweptStation> chosen, const std::array<PresetSlot, PresetCount>& presets,
                         const SlotTarget& target);

// The name a written slot gets: its own when it has one, else the RDS name
// heard, else "Preset " and its number.
std::string NameForWrittenSlot(const std::string& storedName, int n, const std::string& rdsName);
