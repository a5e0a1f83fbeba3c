// The one running feed: its source, and the RDS decoder every source's
// blocks go through, so that a window and the card tool see the same
// station name under the same confidence rule whatever the receiver.
#include "ReceiverFeed.h"

#include "AdapterCatalogue.h"
#include "FeedSources.h"

#include <memory>
#include <mutex>

namespace {

class DecodingSink : public FeedSink {
public:
    DecodingSink(FeedCallbacks callbacks, RdsStandard standard)
        : callbacks_(std::move(callbacks)), decoder_(standard)
    {
    }

    void records(const uint8_t* bytes, size_t length) override
    {
        std::lock_guard lock(mutex_);
        tell(decoder_.addRecords(bytes, length));
    }

    void blocks(const RdsBlock* blocks, size_t count) override
    {
        std::lock_guard lock(mutex_);
        uint32_t changed = 0;
        for (size_t i = 0; i < count; ++i)
            changed |= decoder_.addBlock(blocks[i]);
        tell(changed);
    }

    void controls(const RdsControlValues& values) override
    {
        std::lock_guard lock(mutex_);
        tell(decoder_.takeControls(values));
    }

    void audio(const float* frames, size_t count) override
    {
        if (callbacks_.audio)
            callbacks_.audio(frames, count);
    }

    void failed(const std::string& message) override
    {
        if (callbacks_.failed)
            callbacks_.failed(message);
    }

    void forgetStation()
    {
        std::lock_guard lock(mutex_);
        tell(decoder_.reset());
    }

    void setStandard(RdsStandard standard)
    {
        std::lock_guard lock(mutex_);
        bool knowsPty = decoder_.state().hasPty;
        decoder_.setStandard(standard);
        // The type's number is unchanged but its name is not.
        tell(knowsPty ? uint32_t{RdsChangedPty} : 0u);
    }

private:
    // Under mutex_, so that a reset's clearing never overtakes a block's change.
    void tell(uint32_t changed)
    {
        if (changed != 0 && callbacks_.rds)
            callbacks_.rds(changed, decoder_.state());
    }

    FeedCallbacks callbacks_;
    std::mutex mutex_;
    RdsDecoder decoder_;
};

struct Feed {
    std::unique_ptr<DecodingSink> sink;
    std::unique_ptr<FeedSource> source;
};

std::mutex& FeedMutex()
{
    static std::mutex mutex;
    return mutex;
}

Feed& TheFeed()
{
    static Feed feed;
    return feed;
}

}  // namespace

FeedAbilities ReceiverFeedAbilities(const FeedSettings& settings)
{
    switch (settings.adapter) {
    case V4L2Adapter:
        return V4L2FeedAbilities(settings);
    case SdrAdapter:
        return SdrFeedAbilities(settings);
    default:
        return LineInFeedAbilities(settings);
    }
}

bool StartReceiverFeed(const FeedSettings& settings, FeedCallbacks callbacks, std::string& problem)
{
    StopReceiverFeed();
    auto sink = std::make_unique<DecodingSink>(std::move(callbacks), settings.standard);
    std::unique_ptr<FeedSource> source;
    switch (settings.adapter) {
    case V4L2Adapter:
        source = StartV4L2Feed(settings, *sink, problem);
        break;
    case SdrAdapter:
        source = StartSdrFeed(settings, *sink, problem);
        break;
    default:
        source = StartLineInFeed(settings, *sink, problem);
        break;
    }
    if (!source && !problem.empty())
        return false;
    std::lock_guard lock(FeedMutex());
    TheFeed().sink = std::move(sink);
    TheFeed().source = std::move(source);
    return true;
}

void StopReceiverFeed()
{
    Feed old;
    {
        std::lock_guard lock(FeedMutex());
        old = std::move(TheFeed());
        TheFeed() = Feed{};
    }
    // The source first: its threads still call the sink until they end.
    old.source.reset();
    old.sink.reset();
}

bool ReceiverFeedRunning()
{
    std::lock_guard lock(FeedMutex());
    return TheFeed().sink != nullptr;
}

void ReceiverFeedStationChanged()
{
    std::lock_guard lock(FeedMutex());
    if (TheFeed().source)
        TheFeed().source->stationChanged();
    if (TheFeed().sink)
        TheFeed().sink->forgetStation();
}

void SetReceiverFeedStandard(RdsStandard standard)
{
    std::lock_guard lock(FeedMutex());
    if (TheFeed().sink)
        TheFeed().sink->setStandard(standard);
}
