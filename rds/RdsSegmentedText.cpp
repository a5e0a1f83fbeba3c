#include "RdsSegmentedText.h"

#include "RdsCharset.h"

RdsSegmentedText::RdsSegmentedText(int segments, int segmentChars, Ending ending)
    : segmentCount_(segments), segmentChars_(segmentChars), ending_(ending)
{
}

void RdsSegmentedText::clear()
{
    segments_ = {};
    changeBegan_ = receptions_;
    shown_.clear();
}

bool RdsSegmentedText::sameChars(const Segment& segment, const uint8_t* chars) const
{
    for (int i = 0; i < segmentChars_; ++i) {
        if (segment.chars[i] != chars[i])
            return false;
    }
    return true;
}

bool RdsSegmentedText::isCurrent(const Segment& segment) const
{
    return segment.filled && segment.trusted && segment.receivedAt >= changeBegan_;
}

bool RdsSegmentedText::addSegment(int address, const uint8_t* chars, bool clean)
{
    if (address < 0 || address >= segmentCount_)
        return false;
    Segment& segment = segments_[address];
    ++receptions_;
    const bool same = segment.filled && sameChars(segment, chars);
    if (same && isCurrent(segment)) {
        // The usual case once a text is known: nothing can change with it.
        segment.receivedAt = receptions_;
        return false;
    }
    if (segment.filled && !same) {
        // A segment already received since the change began changing again is
        // a newer change still: start over from here. Otherwise this is one
        // more segment of the change under way.
        if (segment.receivedAt >= changeBegan_)
            changeBegan_ = receptions_;
    }
    for (int i = 0; i < segmentChars_; ++i)
        segment.chars[i] = chars[i];
    segment.trusted = same || clean;
    segment.filled = true;
    segment.receivedAt = receptions_;

    const std::string complete = assemble();
    if (complete.empty() || complete == shown_)
        return false;
    shown_ = complete;
    return true;
}

std::string RdsSegmentedText::assemble() const
{
    std::string text;
    for (int a = 0; a < segmentCount_; ++a) {
        const Segment& segment = segments_[a];
        if (!isCurrent(segment))
            return {};
        for (int i = 0; i < segmentChars_; ++i) {
            if (ending_ == Ending::EndOfTextMark && segment.chars[i] == kRdsEndOfText)
                return text;
            text += static_cast<char>(segment.chars[i]);
        }
    }
    return text;
}
