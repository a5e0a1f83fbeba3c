#pragma once
// Builds the groups a station sends: its name in 0A groups, its radio text in
// 2A groups, the clock time in a 4A group when asked. Simulated receivers send
// these at the standard rate; tests build block streams from them.
#include "RdsBlock.h"
#include "RdsClock.h"
#include "RdsGroup.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

struct RdsStation {
    uint16_t pi = 0;
    std::string name;  // UTF-8, up to 8 characters, padded with spaces
    std::string text;  // UTF-8, up to 64 characters; empty sends no 2A groups
    uint8_t pty = 0;
    bool trafficProgramme = false;
    bool trafficAnnouncement = false;
};

RdsGroupBlocks EncodeNameGroup(const RdsStation& station, int segment);
RdsGroupBlocks EncodeTextGroup(const RdsStation& station, int segment, bool abFlag);
RdsGroupBlocks EncodeClockGroup(const RdsStation& station, const RdsClockTime& time);

class RdsEncoder {
public:
    explicit RdsEncoder(const RdsStation& station);

    // A new text flips the A/B flag, as a station does to make receivers
    // drop the old one.
    void setStation(const RdsStation& station);
    // The next group is a 4A with this time (stations send one each minute).
    void sendClockTime(const RdsClockTime& time);
    RdsGroupBlocks nextGroup();

    bool abFlag() const { return abFlag_; }
    // How many 2A groups carry the whole text (up to its end-of-text mark).
    int textSegments() const;

private:
    RdsStation station_;
    std::string nameBytes_;  // in the RDS character table, padded
    std::string textBytes_;  // likewise, with its end mark
    bool abFlag_ = false;
    bool clockPending_ = false;
    RdsClockTime clock_;
    int slot_ = 0;  // place in the repeating pattern of name and text groups
    int nameSegment_ = 0;
    int textSegment_ = 0;
};

// Spoils a fraction of blocks the way a weak signal does: some arrive
// uncorrectable (their data scrambled, so a decoder that ignores the flag
// shows garbage), some arrive corrected (data right, flag set), and a few
// miscorrected (flagged corrected, data wrong: the code's rare failure).
struct RdsErrorRates {
    double uncorrectable = 0;
    double corrected = 0;
    double miscorrected = 0;
};

class RdsErrorInjector {
public:
    RdsErrorInjector(RdsErrorRates rates, uint32_t seed);
    void apply(RdsBlock& block);
    void apply(RdsGroupBlocks& group);

private:
    void scramble(RdsBlock& block);

    RdsErrorRates rates_;
    std::mt19937 random_;
    std::uniform_real_distribution<double> chance_{0.0, 1.0};
};

// A group's 104 bits as sent on air (one bit a byte, first bit first), with
// checkwords and offset words, for a receiver that demodulates them.
void AppendGroupBits(std::vector<uint8_t>& bits, const RdsGroupBlocks& group);

// The V4L2 records of groups, one after another, as read() returns them.
std::vector<uint8_t> RecordBytes(const std::vector<RdsBlock>& blocks);
void AppendGroup(std::vector<RdsBlock>& blocks, const RdsGroupBlocks& group);
