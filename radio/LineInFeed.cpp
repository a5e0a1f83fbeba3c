// The port and serial cards' feed: their sound leaves them by a cable, so
// the only samples there are come from "Audio input" (the sound card's
// line-in the radio is plugged into). They send no RDS.
#include "FeedSources.h"

#include "AudioCapture.h"

namespace {
class LineInSource : public FeedSource {
public:
    LineInSource(const std::string& input, FeedSink& sink)
        : capture_(
              input, [&sink](const float* frames, size_t count) { sink.audio(frames, count); },
              [&sink](const std::string& message) { sink.failed(message); })
    {
        capture_.start();
    }

private:
    AudioCapture capture_;  // stops and joins its thread when destroyed
};
}  // namespace

FeedAbilities LineInFeedAbilities(const FeedSettings& settings)
{
    FeedAbilities abilities;
    abilities.samples = !settings.audioInput.empty();
    abilities.lineIn = abilities.samples;
    return abilities;
}

std::unique_ptr<FeedSource> StartLineInFeed(const FeedSettings& settings, FeedSink& sink, std::string&)
{
    if (settings.audioInput.empty())
        return nullptr;  // an idle feed: nothing to hand over
    return std::make_unique<LineInSource>(settings.audioInput, sink);
}
