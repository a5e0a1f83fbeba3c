#pragma once
// A station name or radio text put together from the segments groups carry,
// shown only when every segment is trusted and all of them belong together.
//
// Trusted: received the same way twice, or once with no error flag.
// Together: when a segment changes, a new name or text has begun; every
// other segment must then be received again before anything is shown, so an
// old and a new name never mix.
#include <array>
#include <cstdint>
#include <string>

constexpr int kRdsMaxSegments = 16;
constexpr int kRdsMaxSegmentChars = 4;

class RdsSegmentedText {
public:
    // A radio text ends at its end-of-text mark; a name always has all its
    // segments.
    enum class Ending { AllSegments, EndOfTextMark };

    RdsSegmentedText(int segments, int segmentChars, Ending ending);

    // One received segment (`segmentChars` RDS bytes); true when the text
    // shown changed with it.
    bool addSegment(int address, const uint8_t* chars, bool clean);
    void clear();

    // RDS bytes, empty until complete; stays until a whole new one is ready.
    const std::string& shown() const { return shown_; }

private:
    struct Segment {
        std::array<uint8_t, kRdsMaxSegmentChars> chars{};
        bool filled = false;
        bool trusted = false;
        uint64_t receivedAt = 0;
    };

    bool sameChars(const Segment& segment, const uint8_t* chars) const;
    bool isCurrent(const Segment& segment) const;
    // The complete text, or empty while some segment is missing or stale.
    std::string assemble() const;

    int segmentCount_;
    int segmentChars_;
    Ending ending_;
    std::array<Segment, kRdsMaxSegments> segments_{};
    uint64_t receptions_ = 0;
    uint64_t changeBegan_ = 0;  // the reception at which the newest change began
    std::string shown_;
};
