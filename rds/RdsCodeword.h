#pragma once
// The 26-bit RDS block on air: 16 data bits followed by a 10-bit checkword,
// the remainder of data * x^10 modulo g(x) = x^10+x^8+x^7+x^5+x^4+x^3+1,
// plus the offset word that names the block's place in its group.
#include "RdsBlock.h"

#include <cstdint>
#include <optional>

constexpr int kRdsDataBits = 16;
constexpr int kRdsCheckBits = 10;
constexpr int kRdsBlockBits = kRdsDataBits + kRdsCheckBits;
constexpr uint32_t kRdsBlockMask = (1u << kRdsBlockBits) - 1;
constexpr uint16_t kRdsCheckMask = (1u << kRdsCheckBits) - 1;
constexpr uint32_t kRdsGenerator = 0x5B9;  // g(x) with its x^10 term

constexpr uint16_t kRdsOffsetA = 0x0FC;
constexpr uint16_t kRdsOffsetB = 0x198;
constexpr uint16_t kRdsOffsetC = 0x168;
constexpr uint16_t kRdsOffsetCPrime = 0x350;
constexpr uint16_t kRdsOffsetD = 0x1B4;
constexpr uint16_t kRdsOffsetE = 0x000;  // RBDS

// The burst length the code corrects in any block.
constexpr int kRdsCorrectableBurst = 5;

uint16_t RdsOffsetWord(RdsBlockId id);

// The checkword without offset.
uint16_t RdsCheckword(uint16_t data);

// The block as sent: data, then checkword plus offset word.
uint32_t RdsEncodeBlock(uint16_t data, RdsBlockId id);

// The remainder of a received 26-bit block modulo g(x): equal to the offset
// word of its place when the block arrived intact.
uint16_t RdsSyndrome(uint32_t block);

// The place whose offset word the block's syndrome equals, if any.
std::optional<RdsBlockId> RdsBlockIdOfSyndrome(uint16_t syndrome);

// A received block checked against the place it is expected at: intact,
// corrected (a burst of up to five bits undone), or uncorrectable.
RdsBlock RdsCheckBlock(uint32_t block, RdsBlockId expected);
