#include "AudioAnalysis.h"

#include "AudioFormat.h"

#include <sndfile.h>

#include <cmath>

namespace {
constexpr double kSilentDbfs = -200.0;

size_t FrameCount(const std::vector<float>& frames)
{
    return frames.size() / kAudioChannels;
}

bool FrameIsSilent(const std::vector<float>& frames, size_t frame)
{
    for (int channel = 0; channel < kAudioChannels; ++channel)
        if (std::fabs(frames[frame * kAudioChannels + channel]) >= kSilenceThreshold)
            return false;
    return true;
}

bool ChannelIsSilent(const std::vector<float>& frames, size_t frame, int channel)
{
    return std::fabs(frames[frame * kAudioChannels + channel]) < kSilenceThreshold;
}
}  // namespace

double ToneFrequency(const std::vector<float>& frames, int channel)
{
    // Crossing instants interpolated between samples: exact to a fraction of
    // a hertz over a second, where counting whole samples is not.
    double first = -1, last = -1;
    size_t crossings = 0;
    for (size_t i = 1; i < FrameCount(frames); ++i) {
        const float a = frames[(i - 1) * kAudioChannels + channel];
        const float b = frames[i * kAudioChannels + channel];
        if (a < 0 && b >= 0) {
            const double at = static_cast<double>(i - 1) + a / (a - b);
            if (first < 0)
                first = at;
            last = at;
            ++crossings;
        }
    }
    if (crossings < 2)
        return 0;
    return static_cast<double>(crossings - 1) * kAudioRate / (last - first);
}

double RmsDbfs(const std::vector<float>& frames, int channel)
{
    double sum = 0;
    const size_t count = FrameCount(frames);
    for (size_t i = 0; i < count; ++i) {
        const double s = frames[i * kAudioChannels + channel];
        sum += s * s;
    }
    if (count == 0 || sum == 0)
        return kSilentDbfs;
    return 10.0 * std::log10(sum / static_cast<double>(count));
}

std::vector<AudioGap> FindGaps(const std::vector<float>& frames, size_t minFrames)
{
    const std::vector<float> sound = TrimSilence(frames);
    size_t lead = 0;
    while (lead < FrameCount(frames) && FrameIsSilent(frames, lead))
        ++lead;
    std::vector<AudioGap> gaps;
    for (int channel = 0; channel < kAudioChannels; ++channel) {
        size_t runStart = 0, run = 0;
        for (size_t i = 0; i <= FrameCount(sound); ++i) {
            if (i < FrameCount(sound) && ChannelIsSilent(sound, i, channel)) {
                if (run++ == 0)
                    runStart = i;
                continue;
            }
            if (run >= minFrames)
                gaps.push_back({lead + runStart, run});
            run = 0;
        }
    }
    return gaps;
}

std::vector<float> TrimSilence(const std::vector<float>& frames)
{
    size_t begin = 0, end = FrameCount(frames);
    while (begin < end && FrameIsSilent(frames, begin))
        ++begin;
    while (end > begin && FrameIsSilent(frames, end - 1))
        --end;
    return {frames.begin() + static_cast<std::ptrdiff_t>(begin * kAudioChannels),
            frames.begin() + static_cast<std::ptrdiff_t>(end * kAudioChannels)};
}

SoundFileContents ReadSoundFile(const std::string& path)
{
    SoundFileContents contents;
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) {
        contents.error = sf_strerror(nullptr);
        return contents;
    }
    contents.rate = info.samplerate;
    contents.channels = info.channels;
    const char* title = sf_get_string(file, SF_STR_TITLE);
    const char* date = sf_get_string(file, SF_STR_DATE);
    contents.title = title ? title : "";
    contents.date = date ? date : "";
    constexpr sf_count_t kBlockFrames = 4096;
    std::vector<float> block(static_cast<size_t>(kBlockFrames * info.channels));
    for (;;) {
        const sf_count_t got = sf_readf_float(file, block.data(), kBlockFrames);
        if (got <= 0)
            break;
        contents.frames.insert(contents.frames.end(), block.begin(), block.begin() + got * info.channels);
    }
    sf_close(file);
    contents.ok = true;
    return contents;
}
