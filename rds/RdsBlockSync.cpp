#include "RdsBlockSync.h"

#include "RdsCodeword.h"

#include <bit>

namespace {

constexpr int kPlaces = 4;

int PlaceOf(RdsBlockId id)
{
    switch (id) {
    case RdsBlockId::A: return 0;
    case RdsBlockId::B: return 1;
    case RdsBlockId::C:
    case RdsBlockId::CPrime: return 2;
    case RdsBlockId::D: return 3;
    default: return -1;
    }
}

constexpr RdsBlockId kIdOfPlace[kPlaces] = {RdsBlockId::A, RdsBlockId::B, RdsBlockId::C, RdsBlockId::D};

}  // namespace

void RdsBlockSync::reset()
{
    *this = RdsBlockSync{};
}

std::optional<RdsBlock> RdsBlockSync::addBit(bool bit)
{
    register_ = (register_ << 1 | (bit ? 1u : 0u)) & kRdsBlockMask;
    ++bitCount_;
    if (!inSync_)
        return searchForSync();
    if (++bitsInBlock_ < kRdsBlockBits)
        return std::nullopt;
    bitsInBlock_ = 0;
    RdsBlock block = takeBlock();
    noteQuality(block.uncorrectable);
    return block;
}

std::optional<RdsBlock> RdsBlockSync::searchForSync()
{
    if (bitCount_ < kRdsBlockBits)
        return std::nullopt;
    const std::optional<RdsBlockId> id = RdsBlockIdOfSyndrome(RdsSyndrome(register_));
    if (!id)
        return std::nullopt;
    const int place = PlaceOf(*id);
    // An earlier block a whole number of blocks back whose place leads to
    // this one: the two agree on where blocks begin.
    for (int earlier = 0; earlier < kPlaces; ++earlier) {
        if (!seen_[earlier])
            continue;
        const uint64_t distance = bitCount_ - lastSeenAt_[earlier];
        if (distance % kRdsBlockBits != 0 || distance / kRdsBlockBits > kRdsSyncMaxGap)
            continue;
        if ((earlier + distance / kRdsBlockBits) % kPlaces != static_cast<uint64_t>(place))
            continue;
        inSync_ = true;
        bitsInBlock_ = 0;
        nextPlace_ = (place + 1) % kPlaces;
        recentErrors_ = 0;
        return RdsBlock{static_cast<uint16_t>(register_ >> kRdsCheckBits), *id, false, false};
    }
    seen_[place] = true;
    lastSeenAt_[place] = bitCount_;
    return std::nullopt;
}

RdsBlock RdsBlockSync::takeBlock()
{
    const int place = nextPlace_;
    nextPlace_ = (nextPlace_ + 1) % kPlaces;
    // The third place holds C or, in version B groups, C': an intact C' is
    // taken as such before C's correction could bend it into a C.
    if (place == 2 && RdsSyndrome(register_) == kRdsOffsetCPrime)
        return RdsCheckBlock(register_, RdsBlockId::CPrime);
    return RdsCheckBlock(register_, kIdOfPlace[place]);
}

void RdsBlockSync::noteQuality(bool uncorrectable)
{
    constexpr uint64_t kWindow = (uint64_t{1} << kRdsSyncHistory) - 1;
    recentErrors_ = (recentErrors_ << 1 | (uncorrectable ? 1u : 0u)) & kWindow;
    if (std::popcount(recentErrors_) < kRdsSyncLostAfter)
        return;
    // Too much is wrong for a weak signal alone: the bits have slipped.
    const uint64_t count = bitCount_;
    reset();
    bitCount_ = count;
}
