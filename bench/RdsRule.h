#pragma once
// When the confidence rule lets a station's name be shown, counted straight
// from the blocks as sent: the yardstick the RDS benchmarks measure the
// decoder against.

#include "RdsBlock.h"
#include "RdsGroup.h"

#include <algorithm>
#include <iterator>
#include <vector>

// Block index at which every name segment was trusted, counted straight from
// the groups as sent: a group counts when none of its blocks is
// uncorrectable, and is clean when none is flagged at all.
inline size_t BlockWhenRuleMet(const std::vector<RdsBlock>& blocks)
{
    int receptions[kRdsPsSegments] = {};
    bool trusted[kRdsPsSegments] = {};
    for (size_t g = 0; g + kRdsBlocksPerGroup <= blocks.size(); g += kRdsBlocksPerGroup) {
        bool lost = false;
        bool clean = true;
        for (int i = 0; i < kRdsBlocksPerGroup; ++i) {
            lost = lost || blocks[g + i].uncorrectable;
            clean = clean && !blocks[g + i].corrected;
        }
        if (lost || blocks[g + 1].data >> kRdsGroupTypeShift != kRdsGroupBasic)
            continue;
        const int segment = blocks[g + 1].data & kRdsPsAddressMask;
        trusted[segment] = trusted[segment] || clean || ++receptions[segment] >= 2;
        if (std::all_of(std::begin(trusted), std::end(trusted), [](bool t) { return t; }))
            return g + kRdsBlocksPerGroup - 1;
    }
    return blocks.size();
}

