#pragma once
// Finds where blocks begin in a demodulated RDS bit stream and checks each
// block with its checkword, for a receiver that hands over bits rather than
// blocks (the SDR). Sync comes from two blocks a whole number of blocks apart
// whose offset words follow each other; bursts of up to five wrong bits are
// corrected only once in sync, where the place of each block is known.
#include "RdsBlock.h"

#include <cstdint>
#include <optional>

constexpr int kRdsSyncHistory = 50;    // blocks looked back on while in sync
constexpr int kRdsSyncLostAfter = 25;  // uncorrectable blocks among them that end it
constexpr int kRdsSyncMaxGap = 8;      // blocks between two that may give sync

class RdsBlockSync {
public:
    // The block this bit completes, once in sync (uncorrectable ones too,
    // flagged, so that a missing block is seen as such).
    std::optional<RdsBlock> addBit(bool bit);
    bool inSync() const { return inSync_; }
    void reset();

private:
    std::optional<RdsBlock> searchForSync();
    RdsBlock takeBlock();
    void noteQuality(bool uncorrectable);

    uint32_t register_ = 0;  // the last 26 bits, first bit highest
    uint64_t bitCount_ = 0;
    bool inSync_ = false;
    int bitsInBlock_ = 0;
    int nextPlace_ = 0;  // 0-3: A, B, C or C', D
    // Where a block with each place's offset word last ended, while searching.
    uint64_t lastSeenAt_[4] = {};
    bool seen_[4] = {};
    uint64_t recentErrors_ = 0;  // one bit per recent block, newest lowest
};
