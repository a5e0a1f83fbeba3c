#pragma once
// What a station says about itself, decoded from RDS blocks: feed it blocks
// (from a V4L2 receiver's records or the SDR's demodulator) and it reports
// what changed. Reset it on every change of station.
#include "RdsBlock.h"
#include "RdsClock.h"
#include "RdsGroupAssembler.h"
#include "RdsProgrammeType.h"
#include "RdsSegmentedText.h"

#include <cstdint>
#include <string>
#include <vector>

// Bits of the change mask.
enum RdsChange : uint32_t {
    RdsChangedPi = 1u << 0,
    RdsChangedName = 1u << 1,
    RdsChangedText = 1u << 2,
    RdsChangedPty = 1u << 3,
    RdsChangedTraffic = 1u << 4,  // TP or TA
    RdsChangedClockTime = 1u << 5,
    RdsChangedAlternativeFrequencies = 1u << 6,
};
constexpr uint32_t kRdsChangedAll = (1u << 7) - 1;

struct RdsState {
    bool hasPi = false;
    uint16_t pi = 0;
    std::string name;  // UTF-8, spaces around it taken off; empty until trusted
    std::string text;  // UTF-8, likewise
    bool hasPty = false;
    uint8_t pty = 0;
    bool trafficProgramme = false;
    bool trafficAnnouncement = false;
    bool hasClockTime = false;
    RdsClockTime clockTime;
    RdsAlternativeFrequencies alternativeFrequencies;
};

// What a receiver that decodes RDS itself reports through its controls
// (V4L2_CID_RDS_RX_PS_NAME, _RADIO_TEXT, _PTY, _TA, _TP). The strings are
// in the RDS character table, as the controls hand them over.
struct RdsControlValues {
    std::string name;
    std::string text;
    uint8_t pty = 0;
    bool trafficProgramme = false;
    bool trafficAnnouncement = false;
};

class RdsDecoder {
public:
    explicit RdsDecoder(RdsStandard standard = RdsStandard::Rds);

    // The change mask of what this block changed (0 mostly).
    uint32_t addBlock(const RdsBlock& block);
    // Every block of a read() (whole records: a V4L2 radio device returns
    // nothing else); the changes of all of them together.
    uint32_t addRecords(const uint8_t* bytes, size_t length);

    // The receiver's own decoding, read from its controls: the same fields
    // and change mask as from blocks (the receiver has done the checking).
    uint32_t takeControls(const RdsControlValues& values);

    // A change of station: everything is forgotten at once. Returns the mask
    // of what was known, which is now cleared.
    uint32_t reset();

    const RdsState& state() const { return state_; }
    RdsStandard standard() const { return standard_; }
    // Only the programme type names depend on it, so it may change at any time.
    void setStandard(RdsStandard standard) { standard_ = standard; }

private:
    uint32_t takeBasics();
    uint32_t decodeGroup(const RdsGroup& group);
    uint32_t decodeName(const RdsGroup& group);
    uint32_t decodeText(const RdsGroup& group);
    uint32_t decodeClockTime(const RdsGroup& group);
    uint32_t forgetStation();
    uint32_t showText(const std::string& rdsBytes);

    RdsStandard standard_;
    RdsGroupAssembler groups_;
    RdsSegmentedText name_;
    RdsSegmentedText textA_;  // 2A groups: four characters a segment
    RdsSegmentedText textB_;  // 2B groups: two
    bool haveAbFlag_ = false;
    bool abFlag_ = false;
    RdsState state_;
};

// The lines a change prints, one per changed field, in the card tool's form:
// "PI 0xC201", "PS TEN FM", "RT Blue in Green", "PTY 10 Pop Music",
// "TP 1 TA 0", "CT 2026-12-08 17:05 +01:00", "AF 94.2 95.8". A field cleared
// by a reset or a new text prints with nothing after its name.
std::vector<std::string> RdsChangeLines(uint32_t changed, const RdsState& state, RdsStandard standard);
