// Not built yet: this receiver family hands over neither RDS nor sound.
#include "FeedSources.h"

FeedAbilities SdrFeedAbilities(const FeedSettings&)
{
    return {};
}

std::unique_ptr<FeedSource> StartSdrFeed(const FeedSettings&, FeedSink&, std::string&)
{
    return nullptr;
}
