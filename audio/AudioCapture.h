#pragma once
// Reads an ALSA capture PCM (a USB stick's own capture device, or the line-in
// named by "Audio input") on a thread of its own and hands each block to a
// sink: the player, a recorder, or both.

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <thread>

// The capture device's own buffer; a block is one of its periods.
constexpr int kCaptureBufferMs = 40;

class AudioCapture {
public:
    // Called on the capture thread with each block read.
    using Sink = std::function<void(const float* frames, size_t count)>;
    // Called on the capture thread when the device fails or goes away.
    using FailureCallback = std::function<void(const std::string& message)>;

    AudioCapture(std::string input, Sink sink, FailureCallback failed = {});
    ~AudioCapture();
    AudioCapture(const AudioCapture&) = delete;
    AudioCapture& operator=(const AudioCapture&) = delete;

    // Returns at once; the device is opened on the capture thread.
    void start();
    // Ends within one block and joins the thread.
    void stop();
    // Frames read so far.
    size_t frames() const { return frames_; }

private:
    void run();

    const std::string input_;
    Sink sink_;
    FailureCallback failed_;
    std::atomic<bool> stopping_{false};
    std::atomic<size_t> frames_{0};
    std::thread thread_;
};
