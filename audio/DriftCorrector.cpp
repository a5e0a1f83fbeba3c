#include "DriftCorrector.h"

#include "AudioFormat.h"

#include <samplerate.h>

#include <algorithm>
#include <stdexcept>

namespace {
// The cheapest band-limited converter: transparent at ratios this close to
// 1. libsamplerate's linear one costs about a third as much, but it dulls
// the top octave by an amount that follows the drift.
constexpr int kConverter = SRC_SINC_FASTEST;
// Frames pulled from the queue per resampler call beyond what the ratio
// needs, so that a call never ends short of output for want of input.
constexpr size_t kInputSlack = 16;
}  // namespace

DriftCorrector::DriftCorrector(size_t targetFrames, size_t maxFrames)
    : target_(std::max<size_t>(targetFrames, 1)), max_(std::max(maxFrames, targetFrames + 1)),
      smoothedFill_(static_cast<double>(target_))
{
    int error = 0;
    src_ = src_new(kConverter, kAudioChannels, &error);
    if (!src_)
        throw std::runtime_error(src_strerror(error));
}

DriftCorrector::~DriftCorrector()
{
    src_delete(src_);
}

void DriftCorrector::restart()
{
    refilling_ = true;
    staged_ = 0;
    inConverter_ = 0;
    ratio_ = 1.0;
    smoothedFill_ = static_cast<double>(target_);
    src_reset(src_);
}

void DriftCorrector::steer(size_t queued)
{
    smoothedFill_ += (static_cast<double>(queued) - smoothedFill_) * kFillSmoothing;
    const double error = (smoothedFill_ - static_cast<double>(target_)) / static_cast<double>(target_);
    // A fuller queue means the producer's clock is fast: take more input per
    // output frame, i.e. a ratio (output/input) below 1.
    ratio_ = std::clamp(1.0 - kDriftGain * error, 1.0 - kMaxDriftCorrection, 1.0 + kMaxDriftCorrection);
}

size_t DriftCorrector::resample(AudioRing& queue, float* out, size_t count)
{
    const size_t want = static_cast<size_t>(static_cast<double>(count) / ratio_) + kInputSlack;
    if (input_.size() < want * kAudioChannels)
        input_.resize(want * kAudioChannels);
    if (staged_ < want)
        staged_ += queue.read(input_.data() + staged_ * kAudioChannels, want - staged_);

    SRC_DATA data{};
    data.data_in = input_.data();
    data.input_frames = static_cast<long>(staged_);
    data.data_out = out;
    data.output_frames = static_cast<long>(count);
    data.src_ratio = ratio_;
    if (src_process(src_, &data) != 0)
        return 0;
    const size_t used = static_cast<size_t>(data.input_frames_used);
    std::copy(input_.begin() + static_cast<std::ptrdiff_t>(used * kAudioChannels),
              input_.begin() + static_cast<std::ptrdiff_t>(staged_ * kAudioChannels), input_.begin());
    staged_ -= used;
    // The converter keeps input inside its filter that input_frames_used
    // already counts as gone: follow it by what went in and came out.
    inConverter_ += static_cast<double>(used) - static_cast<double>(data.output_frames_gen) / ratio_;
    return static_cast<size_t>(data.output_frames_gen);
}

void DriftCorrector::render(AudioRing& queue, float* out, size_t count)
{
    const size_t queued = queue.queued();
    if (queued > max_) {
        // Dropping once is one click; letting the queue grow is a delay
        // that never goes away.
        stats_.droppedFrames += queue.discard(queued - target_);
        ++stats_.overruns;
        smoothedFill_ = static_cast<double>(target_);
    }
    if (refilling_ && queue.queued() >= target_)
        refilling_ = false;

    size_t made = 0;
    if (!refilling_) {
        steer(queue.queued() + heldFrames());
        // The resampler keeps some input back inside its filter, so one call
        // may give less than asked while the queue still has frames.
        while (made < count) {
            const size_t more = resample(queue, out + made * kAudioChannels, count - made);
            if (more == 0)
                break;
            made += more;
        }
        if (made < count) {
            // Ran dry: wait for a whole target's worth again, so that a slow
            // producer gives one gap rather than a burst of them.
            ++stats_.underruns;
            refilling_ = true;
        }
    }
    std::fill(out + made * kAudioChannels, out + count * kAudioChannels, 0.0f);
    stats_.silentFrames += count - made;
}
