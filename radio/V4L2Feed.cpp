// Not built yet: this receiver family hands over neither RDS nor sound.
#include "FeedSources.h"

FeedAbilities V4L2FeedAbilities(const FeedSettings&)
{
    return {};
}

std::unique_ptr<FeedSource> StartV4L2Feed(const FeedSettings&, FeedSink&, std::string&)
{
    return nullptr;
}
