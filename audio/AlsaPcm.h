#pragma once
// One ALSA PCM in the path's own format (16-bit stereo at 48 kHz on the
// device, float frames for the caller), with the recovery ALSA expects after
// an underrun or overrun. Every failure comes back as text; nothing throws.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

struct _snd_pcm;

enum class PcmDirection { Playback, Capture };

class AlsaPcm {
public:
    // Opens `name` with a device buffer of about `bufferMs`, converting rate
    // and format in ALSA where the device needs it. Null and `error` set
    // when the device cannot be opened or configured.
    static std::unique_ptr<AlsaPcm> open(const std::string& name, PcmDirection direction, int bufferMs,
                                         std::string* error);
    ~AlsaPcm();
    AlsaPcm(const AlsaPcm&) = delete;
    AlsaPcm& operator=(const AlsaPcm&) = delete;

    // Writes every frame; an underrun is recovered and counted. False with
    // `error` set when the device failed or went away.
    bool write(const float* frames, size_t count, std::string* error);
    // Reads up to `count` frames (blocking until some come); an overrun is
    // recovered and counted. -1 with `error` set when the device failed.
    long read(float* frames, size_t count, std::string* error);
    // Frames written but not yet heard (0 when the device cannot tell).
    size_t delayFrames() const;
    // Stops at once, throwing away what the device still holds.
    void drop();

    const std::string& name() const { return name_; }
    size_t bufferFrames() const { return bufferFrames_; }
    size_t periodFrames() const { return periodFrames_; }
    size_t xruns() const { return xruns_; }

private:
    AlsaPcm(_snd_pcm* pcm, std::string name) : pcm_(pcm), name_(std::move(name)) {}
    bool recover(long result, std::string* error);

    _snd_pcm* pcm_;
    std::string name_;
    size_t bufferFrames_ = 0;
    size_t periodFrames_ = 0;
    size_t xruns_ = 0;
    std::vector<short> samples_;
};

// The message a user sees for a device that failed: its name and ALSA's reason.
std::string PcmErrorText(const std::string& name, int alsaError);
