#include "RdsCodeword.h"

#include <array>

namespace {

constexpr uint32_t kNoBurst = 0;

// Every burst of up to five bits anywhere in a block, by its syndrome. The
// code is built so that no two such bursts share a syndrome.
struct BurstTable {
    std::array<uint32_t, 1u << kRdsCheckBits> errorBySyndrome{};

    BurstTable()
    {
        constexpr uint32_t kPatterns = 1u << (kRdsCorrectableBurst - 1);
        for (int start = 0; start < kRdsBlockBits; ++start) {
            for (uint32_t tail = 0; tail < kPatterns; ++tail) {
                // A burst begins and ends with a wrong bit; the tail says which in between.
                const uint32_t burst = (1u | tail << 1) << start;
                if (burst & ~kRdsBlockMask)
                    continue;
                const uint16_t s = RdsSyndrome(burst);
                if (errorBySyndrome[s] == kNoBurst)
                    errorBySyndrome[s] = burst;
            }
        }
    }
};

const BurstTable& Bursts()
{
    static const BurstTable table;
    return table;
}

}  // namespace

uint16_t RdsOffsetWord(RdsBlockId id)
{
    switch (id) {
    case RdsBlockId::A: return kRdsOffsetA;
    case RdsBlockId::B: return kRdsOffsetB;
    case RdsBlockId::C: return kRdsOffsetC;
    case RdsBlockId::CPrime: return kRdsOffsetCPrime;
    case RdsBlockId::D: return kRdsOffsetD;
    case RdsBlockId::E: return kRdsOffsetE;
    case RdsBlockId::Invalid: break;
    }
    return kRdsOffsetE;
}

uint16_t RdsSyndrome(uint32_t block)
{
    uint32_t remainder = block & kRdsBlockMask;
    for (int bit = kRdsBlockBits - 1; bit >= kRdsCheckBits; --bit) {
        if (remainder & (1u << bit))
            remainder ^= kRdsGenerator << (bit - kRdsCheckBits);
    }
    return static_cast<uint16_t>(remainder);
}

uint16_t RdsCheckword(uint16_t data)
{
    return RdsSyndrome(static_cast<uint32_t>(data) << kRdsCheckBits);
}

uint32_t RdsEncodeBlock(uint16_t data, RdsBlockId id)
{
    return static_cast<uint32_t>(data) << kRdsCheckBits | (RdsCheckword(data) ^ RdsOffsetWord(id));
}

std::optional<RdsBlockId> RdsBlockIdOfSyndrome(uint16_t syndrome)
{
    for (RdsBlockId id : {RdsBlockId::A, RdsBlockId::B, RdsBlockId::C, RdsBlockId::CPrime, RdsBlockId::D}) {
        if (RdsOffsetWord(id) == syndrome)
            return id;
    }
    return std::nullopt;
}

RdsBlock RdsCheckBlock(uint32_t block, RdsBlockId expected)
{
    RdsBlock result;
    result.id = expected;
    const uint16_t error = RdsSyndrome(block) ^ RdsOffsetWord(expected);
    if (error != 0) {
        const uint32_t burst = Bursts().errorBySyndrome[error];
        if (burst == kNoBurst)
            result.uncorrectable = true;
        else
            result.corrected = true;
        block ^= burst;
    }
    result.data = static_cast<uint16_t>(block >> kRdsCheckBits);
    return result;
}
