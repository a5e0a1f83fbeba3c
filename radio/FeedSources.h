#pragma once
// The feed's sources, one per receiver family, and the sink they hand what
// they read to. Private to the radio library: callers use ReceiverFeed.h.
#include "RdsBlock.h"
#include "ReceiverFeed.h"

#include <memory>

class FeedSink {
public:
    virtual ~FeedSink() = default;
    // Whole 3-byte records as read() from a V4L2 radio device.
    virtual void records(const uint8_t* bytes, size_t length) = 0;
    // Blocks from our own demodulator.
    virtual void blocks(const RdsBlock* blocks, size_t count) = 0;
    // What a receiver that decodes RDS itself shows through its controls.
    virtual void controls(const RdsControlValues& values) = 0;
    // Interleaved stereo float frames at kAudioRate.
    virtual void audio(const float* frames, size_t count) = 0;
    // The source stopped by itself.
    virtual void failed(const std::string& message) = 0;
};

// A running source: its threads stop (and no sink call runs any more) when
// it is destroyed.
class FeedSource {
public:
    virtual ~FeedSource() = default;
    // A change of station; a source that buffers RDS drops what it holds.
    virtual void stationChanged() {}
};

// Adapter 7: RDS by block I/O (poll, then read) or by the RDS controls, and
// the stick's own capture device (or "Audio input").
FeedAbilities V4L2FeedAbilities(const FeedSettings& settings);
std::unique_ptr<FeedSource> StartV4L2Feed(const FeedSettings& settings, FeedSink& sink, std::string& problem);
// Adapter 8: the dongle's demodulated audio and RDS blocks.
FeedAbilities SdrFeedAbilities(const FeedSettings& settings);
std::unique_ptr<FeedSource> StartSdrFeed(const FeedSettings& settings, FeedSink& sink, std::string& problem);
// The port and serial cards: only "Audio input", when set (a line-in).
FeedAbilities LineInFeedAbilities(const FeedSettings& settings);
std::unique_ptr<FeedSource> StartLineInFeed(const FeedSettings& settings, FeedSink& sink, std::string& problem);
