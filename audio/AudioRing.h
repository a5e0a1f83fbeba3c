#pragma once
// A bounded queue of frames between a producer thread (a receiver, a capture
// device) and a consumer thread (the player, the recorder). Writing never
// blocks: what does not fit is dropped and counted, so a stalled consumer can
// never hold up a receiver.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <vector>

class AudioRing {
public:
    explicit AudioRing(size_t capacityFrames);

    // Returns the frames taken; the rest are dropped (counted in dropped()).
    size_t write(const float* frames, size_t count);
    // Takes up to `count` frames; returns how many.
    size_t read(float* frames, size_t count);
    // Throws away the oldest frames, to bring the latency back down at once.
    size_t discard(size_t count);
    void clear();

    size_t queued() const;
    size_t capacity() const { return capacity_; }
    size_t dropped() const;

    // For consumers: wait until at least `frames` are queued, `wake()` is
    // called or the time is up. True when the frames are there.
    bool waitForFrames(size_t frames, std::chrono::milliseconds timeout);
    // For producers that may wait (a file, a test): until fewer than
    // `frames` are queued or the time is up.
    bool waitUntilBelow(size_t frames, std::chrono::milliseconds timeout);
    // Releases the consumer's wait, e.g. when it is to stop.
    void wake();

private:
    size_t takeLocked(float* frames, size_t count);

    const size_t capacity_;
    std::vector<float> samples_;
    size_t head_ = 0;  // oldest frame
    size_t size_ = 0;
    size_t dropped_ = 0;
    bool woken_ = false;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
};
