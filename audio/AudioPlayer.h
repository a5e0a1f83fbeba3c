#pragma once
// Plays a receiver's samples to an ALSA PCM ("Audio output") on a thread of
// its own. The caller only pushes frames and flips switches: nothing here
// waits on the device, and a device that fails or goes away is reported
// through the status callback, never thrown.

#include "AudioFormat.h"
#include "AudioRing.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

// How "Audio latency" is shared out: half of it is the device's buffer, a
// quarter the queue the drift correction holds, and the queue may grow to
// half before old frames are dropped, so input to output stays within it.
constexpr int kDeviceShare = 2;      // latency / 2
constexpr int kQueueTargetShare = 4;  // latency / 4
constexpr int kQueueMaxShare = 2;     // latency / 2
// The queue's storage: a producer may run this far ahead before frames drop.
constexpr int kQueueCapacityMs = 1000;
// Mute and volume changes ramp over this long instead of clicking.
constexpr int kGainRampMs = 5;

struct PlayerSettings {
    std::string output = kDefaultAudioOutput;  // "Audio output"
    int latencyMs = kDefaultLatencyMs;         // "Audio latency"
};

enum class PlayerState { Stopped, Starting, Playing, Failed };

struct PlayerStatus {
    PlayerState state = PlayerState::Stopped;
    std::string message;   // why it failed, for the user
    double latencyMs = 0;  // queued + in the resampler + in the device
    size_t underruns = 0;  // the receiver's samples ran dry
    size_t overruns = 0;   // the receiver ran ahead: old frames dropped
    size_t deviceXruns = 0;
};

class AudioPlayer {
public:
    // Called on the audio thread: a GUI must post it to its own thread.
    using StatusCallback = std::function<void(const PlayerStatus&)>;
    // Called on the audio thread with each block as it goes to the device,
    // before mute and volume: what a recording of "what you hear" takes.
    using Tap = std::function<void(const float* frames, size_t count)>;

    explicit AudioPlayer(PlayerSettings settings);
    ~AudioPlayer();
    AudioPlayer(const AudioPlayer&) = delete;
    AudioPlayer& operator=(const AudioPlayer&) = delete;

    // Both set before start().
    void setStatusCallback(StatusCallback callback) { statusCallback_ = std::move(callback); }
    void setTap(Tap tap) { tap_ = std::move(tap); }

    // Returns at once; the device is opened on the audio thread.
    void start();
    // Stops the sound within one device period and joins the thread.
    void stop();

    // From the producer's thread; never blocks. Returns the frames taken.
    size_t push(const float* frames, size_t count);
    // For producers that may wait (a file, a test): until the queue is
    // below its target or the time is up.
    void waitForRoom(std::chrono::milliseconds timeout);

    void setMuted(bool muted) { muted_ = muted; }
    // A factor on the samples for volume steps (1 = as received).
    void setGain(float gain) { gain_ = gain; }

    PlayerStatus status() const;
    const PlayerSettings& settings() const { return settings_; }

private:
    void run();
    void report(PlayerState state, const std::string& message = {});
    void applyGain(float* frames, size_t count);

    const PlayerSettings settings_;
    AudioRing queue_;
    StatusCallback statusCallback_;
    Tap tap_;
    std::atomic<bool> muted_{false};
    std::atomic<float> gain_{1.0f};
    std::atomic<bool> stopping_{false};
    float appliedGain_ = 0;  // ramps towards the wanted gain; starts silent
    std::thread thread_;
    mutable std::mutex statusMutex_;
    PlayerStatus status_;
};
