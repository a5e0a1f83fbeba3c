// Adapter 8's feed: the reading thread already pushes the dongle's samples
// through our receiver; while a feed runs, what the receiver makes of them
// (the sound after its mute and volume, and the RDS blocks) is handed to
// the feed's sink. A dongle that goes away is told to the sink once; the
// source stays, so that the sound comes back with the dongle.
#include "CardOps.h"
#include "FeedSources.h"
#include "SdrReceiver.h"
#include "SdrSession.h"
#include "TunerSettings.h"

#include <mutex>

namespace {

// Held while a hand-over runs: a change of station waits for it, so that
// nothing read before the change reaches the decoder after its reset.
struct Link {
    std::mutex mutex;
    FeedSink* sink = nullptr;
    unsigned toldLosses = 0;
};

Link& TheLink()
{
    static Link link;
    return link;
}

class SdrFeedSource : public FeedSource {
public:
    explicit SdrFeedSource(bool ownsReading) : ownsReading_(ownsReading) {}
    ~SdrFeedSource() override
    {
        {
            std::lock_guard lock(TheLink().mutex);
            TheLink().sink = nullptr;
        }
        if (ownsReading_)
            StopSdrReading();
    }
    SdrFeedSource(const SdrFeedSource&) = delete;
    SdrFeedSource& operator=(const SdrFeedSource&) = delete;

    void stationChanged() override { std::lock_guard wait(TheLink().mutex); }

private:
    bool ownsReading_;  // started the reading thread (no window did): stops it too
};

unsigned LossesSoFar()
{
    std::lock_guard lock(SessionMutex());
    return TheSession().losses;
}

}  // namespace

void HandToSdrFeed(const Heard& heard)
{
    std::lock_guard lock(TheLink().mutex);
    FeedSink* sink = TheLink().sink;
    // Read before a retune: the old station's, which the decoder has forgotten.
    if (!sink || heard.tuning != TheSession().tunings)
        return;
    if (!heard.blocks.empty())
        sink->blocks(heard.blocks.data(), heard.blocks.size());
    if (!heard.audio.empty())
        sink->audio(heard.audio.data(), heard.audio.size() / 2);
}

void TellSdrFeedLosses(unsigned losses, const std::string& problem)
{
    std::lock_guard lock(TheLink().mutex);
    Link& link = TheLink();
    if (!link.sink || losses == link.toldLosses)
        return;
    link.toldLosses = losses;
    link.sink->failed(problem);
}

FeedAbilities SdrFeedAbilities(const FeedSettings&)
{
    return {true, true};
}

std::unique_ptr<FeedSource> StartSdrFeed(const FeedSettings&, FeedSink& sink, std::string& problem)
{
    // A window reads the dongle already and reports its own opening; a
    // program without one (the card tool) has the feed open and read it.
    const bool ownsReading = !SdrReadingRunning();
    if (ownsReading && !OpenSdrReceiver(problem))
        return nullptr;
    // A real dongle or a recording forgets its station when its program
    // ends: without a window, the feed hears the one the store keeps, as the
    // panel would tune it at its start.
    if (ownsReading && !SdrStationTuned()) {
        SdrRadioOps.tune(TunerSettings.CurrentFrequency);
        if (!SdrStationTuned()) {
            problem = SdrReceiverProblem();
            if (problem.empty())
                problem = "the dongle could not be tuned to " + MHzText(TunerSettings.CurrentFrequency * HzPerMHz) +
                          " MHz";
            return nullptr;
        }
    }
    const unsigned losses = LossesSoFar();
    {
        std::lock_guard lock(TheLink().mutex);
        TheLink().sink = &sink;
        TheLink().toldLosses = losses;
    }
    if (ownsReading)
        StartSdrReading();
    return std::make_unique<SdrFeedSource>(ownsReading);
}
