#pragma once
// Writes what the user hears (or a capture device) to a file through
// libsndfile, on a thread of its own. Nothing is lost that can be kept: a
// full disk ends the recording with a message and a valid file up to that
// point, and the file is brought up to date often enough that a killed
// program leaves at most a couple of seconds unreadable.

#include "AudioRing.h"
#include "RecordingName.h"

#include <atomic>
#include <cstddef>
#include <ctime>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

struct sf_private_tag;

// The writer wakes this often to hand queued frames to the encoder; with the
// encoder's own block (under 0.1 s) this is what a kill can lose.
constexpr int kRecorderWriteIntervalMs = 250;
// How long the disk may stall before frames are dropped.
constexpr int kRecorderQueueMs = 10000;

struct RecordingRequest {
    std::string folder;   // "Recordings folder"; empty: DefaultRecordingsFolder()
    std::string station;  // StationLabel(): the name, or the frequency
    RecordingFormat format = kDefaultRecordingFormat;
    std::time_t start = 0;  // 0: now
};

enum class RecorderState { Idle, Recording, Failed };

struct RecorderStatus {
    RecorderState state = RecorderState::Idle;
    std::string path;
    std::string message;  // why it stopped by itself
    size_t framesWritten = 0;
    size_t framesDropped = 0;
};

class Recorder {
public:
    // Called on the writer thread when the recording stops by itself.
    using FailureCallback = std::function<void(const RecorderStatus&)>;

    Recorder();
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    void setFailureCallback(FailureCallback callback) { failed_ = std::move(callback); }

    // Makes the folder and a new file named after the station and the time.
    bool start(const RecordingRequest& request, std::string* error);
    // Into exactly `path` (format from its extension), which must not exist.
    bool startFile(const std::string& path, const std::string& station, std::string* error);
    // From the player's or a capture thread; never blocks.
    void write(const float* frames, size_t count);
    // For producers that may wait (a file, a benchmark): until the queue is
    // less than half full or the time is up.
    void waitForRoom(std::chrono::milliseconds timeout);
    // Writes what is queued, closes the file and joins the writer.
    void stop();

    RecorderStatus status() const;
    bool recording() const { return accepting_; }

private:
    bool open(int fd, const std::string& path, RecordingFormat format, const std::string& station,
              std::time_t when, std::string* error);
    void run();
    bool drain(int* cause);
    void fail(const std::string& message);

    AudioRing queue_;
    sf_private_tag* file_ = nullptr;
    FailureCallback failed_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> accepting_{false};  // write() is called from other threads
    std::thread thread_;
    mutable std::mutex statusMutex_;
    RecorderStatus status_;
};
