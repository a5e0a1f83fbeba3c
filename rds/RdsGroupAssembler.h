#pragma once
// Our one door to libv4l2rds: it puts blocks together into groups and keeps
// the fields it gets right (PI once seen twice, programme type, traffic flags,
// alternative frequencies). Nothing else includes the library.
#include "RdsBlock.h"

#include <array>
#include <cstdint>
#include <optional>

struct v4l2_rds;

constexpr int kRdsMaxAlternativeFrequencies = 25;

// A whole group as received. Block B's upper byte (type, version, TP, PTY)
// is in the other fields.
struct RdsGroup {
    uint16_t pi = 0;
    uint8_t type = 0;  // 0-15
    bool versionB = false;
    uint8_t blockBLow = 0;
    uint16_t blockC = 0;
    uint16_t blockD = 0;
    bool corrected = false;  // some block of it came with the corrected flag
};

struct RdsAlternativeFrequencies {
    std::array<uint32_t, kRdsMaxAlternativeFrequencies> hz{};
    int count = 0;
    bool operator==(const RdsAlternativeFrequencies&) const = default;
};

struct RdsBasics {
    bool hasPi = false;
    uint16_t pi = 0;
    bool hasPty = false;
    uint8_t pty = 0;
    bool trafficProgramme = false;
    bool trafficAnnouncement = false;
    RdsAlternativeFrequencies alternativeFrequencies;
};

class RdsGroupAssembler {
public:
    RdsGroupAssembler();
    ~RdsGroupAssembler();
    RdsGroupAssembler(const RdsGroupAssembler&) = delete;
    RdsGroupAssembler& operator=(const RdsGroupAssembler&) = delete;

    // The group this block completed, if it completed one.
    std::optional<RdsGroup> addBlock(const RdsBlock& block);
    RdsBasics basics() const;
    void reset();

private:
    v4l2_rds* handle_;
    uint32_t groupsDecoded_ = 0;
    bool correctedSinceA_ = false;
};
