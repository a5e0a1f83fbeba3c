#pragma once
// Turns a queue filled at the receiver's clock into exactly the frames the
// output's clock asks for. The two clocks drift apart (0.1-0.5 % is common
// for USB sticks), so the resampling ratio is steered by how full the queue
// is: a queue that grows is played slightly faster, one that shrinks slightly
// slower. Holds no device: tests drive it with simulated clocks.

#include "AudioRing.h"

#include <algorithm>
#include <cstddef>
#include <vector>

struct SRC_STATE_tag;

// The steering: the ratio moves from 1 by kDriftGain times the queue's error
// (relative to its target), but never more than kMaxDriftCorrection, which is
// inaudible as pitch and covers twice the worst drift of real devices.
constexpr double kDriftGain = 0.02;
constexpr double kMaxDriftCorrection = 0.01;
// Weight of each period's fill in the smoothed fill: about 30 periods, so a
// producer's bursty chunks do not wobble the pitch.
constexpr double kFillSmoothing = 1.0 / 32;

struct DriftStats {
    size_t underruns = 0;     // the queue ran dry: silence until it refilled
    size_t overruns = 0;      // the queue grew past its bound: old frames dropped
    size_t silentFrames = 0;  // frames of silence played for underruns
    size_t droppedFrames = 0;
};

class DriftCorrector {
public:
    // `targetFrames`: the queue the corrector holds; above `maxFrames` it
    // drops the oldest frames back to the target in one step rather than
    // letting the latency grow.
    DriftCorrector(size_t targetFrames, size_t maxFrames);
    ~DriftCorrector();
    DriftCorrector(const DriftCorrector&) = delete;
    DriftCorrector& operator=(const DriftCorrector&) = delete;

    // Fills exactly `count` frames of `out` from `queue`.
    void render(AudioRing& queue, float* out, size_t count);

    // Frames taken from the queue but not yet played (inside the resampler).
    size_t heldFrames() const { return staged_ + static_cast<size_t>(std::max(inConverter_, 0.0)); }
    double ratio() const { return ratio_; }
    const DriftStats& stats() const { return stats_; }
    // Back to waiting for a full queue, e.g. after the device was restarted.
    void restart();

private:
    void steer(size_t queued);
    size_t resample(AudioRing& queue, float* out, size_t count);

    const size_t target_;
    const size_t max_;
    SRC_STATE_tag* src_ = nullptr;
    std::vector<float> input_;  // frames taken from the queue, not yet consumed
    size_t staged_ = 0;
    double inConverter_ = 0;  // frames inside the converter's filter
    double smoothedFill_;
    double ratio_ = 1.0;
    bool refilling_ = true;
    DriftStats stats_;
};
