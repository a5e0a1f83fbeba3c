// Not built yet: this receiver family hands over neither RDS nor sound.
#include "FeedSources.h"

FeedAbilities LineInFeedAbilities(const FeedSettings&)
{
    return {};
}

std::unique_ptr<FeedSource> StartLineInFeed(const FeedSettings&, FeedSink&, std::string&)
{
    return nullptr;
}
