#include "AudioRing.h"

#include "AudioFormat.h"

#include <algorithm>

AudioRing::AudioRing(size_t capacityFrames)
    : capacity_(capacityFrames), samples_(capacityFrames * kAudioChannels)
{
}

size_t AudioRing::write(const float* frames, size_t count)
{
    size_t taken = 0;
    {
        std::lock_guard lock(mutex_);
        taken = std::min(count, capacity_ - size_);
        size_t tail = (head_ + size_) % capacity_;
        for (size_t done = 0; done < taken;) {
            const size_t run = std::min(taken - done, capacity_ - tail);
            std::copy_n(frames + done * kAudioChannels, run * kAudioChannels,
                        samples_.begin() + static_cast<std::ptrdiff_t>(tail * kAudioChannels));
            done += run;
            tail = (tail + run) % capacity_;
        }
        size_ += taken;
        dropped_ += count - taken;
    }
    changed_.notify_all();
    return taken;
}

size_t AudioRing::takeLocked(float* frames, size_t count)
{
    const size_t taken = std::min(count, size_);
    for (size_t done = 0; done < taken;) {
        const size_t run = std::min(taken - done, capacity_ - head_);
        if (frames)
            std::copy_n(samples_.begin() + static_cast<std::ptrdiff_t>(head_ * kAudioChannels),
                        run * kAudioChannels, frames + done * kAudioChannels);
        done += run;
        head_ = (head_ + run) % capacity_;
    }
    size_ -= taken;
    return taken;
}

size_t AudioRing::read(float* frames, size_t count)
{
    size_t taken = 0;
    {
        std::lock_guard lock(mutex_);
        taken = takeLocked(frames, count);
    }
    changed_.notify_all();
    return taken;
}

size_t AudioRing::discard(size_t count)
{
    return read(nullptr, count);
}

void AudioRing::clear()
{
    {
        std::lock_guard lock(mutex_);
        head_ = 0;
        size_ = 0;
        woken_ = false;
    }
    changed_.notify_all();
}

size_t AudioRing::queued() const
{
    std::lock_guard lock(mutex_);
    return size_;
}

size_t AudioRing::dropped() const
{
    std::lock_guard lock(mutex_);
    return dropped_;
}

bool AudioRing::waitForFrames(size_t frames, std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, timeout, [&] { return size_ >= frames || woken_; });
    woken_ = false;
    return size_ >= frames;
}

bool AudioRing::waitUntilBelow(size_t frames, std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, timeout, [&] { return size_ < frames; });
    return size_ < frames;
}

void AudioRing::wake()
{
    {
        std::lock_guard lock(mutex_);
        woken_ = true;
    }
    changed_.notify_all();
}
