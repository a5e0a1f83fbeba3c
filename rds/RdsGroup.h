#pragma once
// Layout of the group's second block, shared by the encoder and the decoder.
#include "RdsBlock.h"

#include <array>
#include <cstdint>

constexpr int kRdsBlocksPerGroup = 4;
using RdsGroupBlocks = std::array<RdsBlock, kRdsBlocksPerGroup>;

constexpr int kRdsGroupTypeShift = 12;  // block B bits 15-12
constexpr uint16_t kRdsGroupTypeMask = 0xF;
constexpr uint16_t kRdsVersionB = 0x0800;  // block B bit 11
constexpr uint16_t kRdsTrafficProgramme = 0x0400;  // block B bit 10
constexpr int kRdsPtyShift = 5;  // block B bits 9-5
constexpr uint16_t kRdsPtyMask = 0x1F;

// Group 0: basic tuning and switching information (station name).
constexpr uint8_t kRdsGroupBasic = 0;
constexpr uint16_t kRdsTrafficAnnouncement = 0x0010;  // bit 4
constexpr uint16_t kRdsMusic = 0x0008;  // bit 3: music, not speech
constexpr uint16_t kRdsPsAddressMask = 0x3;
constexpr int kRdsPsSegments = 4;
constexpr int kRdsPsSegmentChars = 2;
constexpr int kRdsPsLength = kRdsPsSegments * kRdsPsSegmentChars;
// Block C of 0A when the station lists no alternative frequency: "no AF
// exists" (224) and the filler code (205).
constexpr uint16_t kRdsNoAlternativeFrequencies = 0xE0CD;

// Group 2: radio text.
constexpr uint8_t kRdsGroupRadioText = 2;
constexpr uint16_t kRdsTextAbFlag = 0x0010;  // bit 4
constexpr uint16_t kRdsTextAddressMask = 0xF;
constexpr int kRdsTextSegments = 16;
constexpr int kRdsTextSegmentCharsA = 4;  // blocks C and D
constexpr int kRdsTextSegmentCharsB = 2;  // block D only
constexpr int kRdsTextLength = kRdsTextSegments * kRdsTextSegmentCharsA;

// Group 4A: clock time and date.
constexpr uint8_t kRdsGroupClockTime = 4;

// Groups on air: 1187.5 bit/s, 104 bits a group.
constexpr double kRdsBitRate = 1187.5;
constexpr int kRdsGroupBits = 104;
constexpr double kRdsGroupsPerSecond = kRdsBitRate / kRdsGroupBits;
