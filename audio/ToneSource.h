#pragma once
// What a simulated station sounds like, so that a test can tell from the
// output alone which station played and whether its channels were swapped:
// a sine of (MHz x 10) Hz on both channels for a mono station; a stereo
// station carries (MHz x 15) Hz on the right channel instead. No station, or
// muted: silence.

#include <cstddef>

constexpr double kToneHzPerMHz = 10.0;
constexpr double kStereoRightHzPerMHz = 15.0;
constexpr double kToneLevelDbfs = -12.0;

struct StationTone {
    double leftHz = 0;   // 0: silent
    double rightHz = 0;
};

StationTone ToneForStation(double mhz, bool stereo);
inline StationTone SilentTone() { return {}; }

class ToneSource {
public:
    explicit ToneSource(StationTone tone = SilentTone());

    // A retune keeps the phase running, as a receiver's output would.
    void setTone(StationTone tone) { tone_ = tone; }
    void setMuted(bool muted) { muted_ = muted; }
    StationTone tone() const { return tone_; }

    // Fills `count` interleaved stereo frames at the audio rate.
    void fill(float* frames, size_t count);

private:
    StationTone tone_;
    bool muted_ = false;
    double phase_[2] = {0, 0};  // in cycles, 0..1
};
