#pragma once
// Measures for checking what reached an output or a file: the frequency of
// the tone on a channel, its level, and where the sound broke off. Made for
// the clean tones of simulated stations, not for programme material.

#include <cstddef>
#include <string>
#include <vector>

// Below this a sample counts as silence (about -60 dBFS).
constexpr float kSilenceThreshold = 0.001f;
// A run of silence shorter than this is a zero crossing, not a gap.
constexpr size_t kMinGapFrames = 48;

struct AudioGap {
    size_t startFrame = 0;
    size_t frames = 0;
};

// Frequency in Hz from the rising zero crossings of one channel of
// interleaved stereo frames; 0 when there are fewer than two crossings.
double ToneFrequency(const std::vector<float>& frames, int channel);

// RMS level of one channel in dBFS (a full-scale sine is -3 dBFS);
// -200 for digital silence.
double RmsDbfs(const std::vector<float>& frames, int channel);

// Runs of silence of at least `minFrames` on either channel between the
// first and the last sound, i.e. breaks inside a stream, not its lead-in.
std::vector<AudioGap> FindGaps(const std::vector<float>& frames, size_t minFrames = kMinGapFrames);

// The frames from the first to the last sound, without lead-in or tail.
std::vector<float> TrimSilence(const std::vector<float>& frames);

struct SoundFileContents {
    bool ok = false;
    std::string error;
    int rate = 0;
    int channels = 0;
    std::vector<float> frames;  // interleaved; stereo files as they are
    std::string title;          // the tags the file has, empty where none
    std::string date;
};

// Reads a whole file through libsndfile, up to the first part it cannot
// decode: what a player would get out of it.
SoundFileContents ReadSoundFile(const std::string& path);
