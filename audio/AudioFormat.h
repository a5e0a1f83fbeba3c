#pragma once
// The one sample format every part of the audio path speaks: interleaved
// stereo float frames at 48 kHz, full scale at +-1.0. Receivers convert to it
// once; the player, the recorder and the tone source never convert again.

#include <cstddef>

constexpr int kAudioRate = 48000;
constexpr int kAudioChannels = 2;
constexpr int kLeft = 0;
constexpr int kRight = 1;

// "Audio latency" when the store has none, and the range a user may set:
// below 20 ms desktop sound servers underrun, above 1 s it is an echo.
constexpr int kDefaultLatencyMs = 100;
constexpr int kMinLatencyMs = 20;
constexpr int kMaxLatencyMs = 1000;

// "Audio output" when the store has none: the desktop's sound server.
constexpr const char* kDefaultAudioOutput = "default";

constexpr size_t FramesForMs(int ms)
{
    return static_cast<size_t>(kAudioRate) * static_cast<size_t>(ms) / 1000;
}

constexpr double MsForFrames(size_t frames)
{
    return static_cast<double>(frames) * 1000.0 / kAudioRate;
}
