#pragma once
// One RDS block as receivers hand it over: 16 data bits, which of the group's
// four places it fills, and what the receiver's error correction said.
#include <cstddef>
#include <cstdint>
#include <optional>

// The offset word a block was received with. C' marks a version B group's
// third block (it carries the PI again); E is RBDS's block outside groups.
enum class RdsBlockId : uint8_t { A = 0, B = 1, C = 2, D = 3, CPrime = 4, E = 5, Invalid = 7 };

struct RdsBlock {
    uint16_t data = 0;
    RdsBlockId id = RdsBlockId::Invalid;
    bool corrected = false;      // errors were found and corrected: data likely right
    bool uncorrectable = false;  // errors beyond correction: data must not be used
};

// The 3-byte record read() from /dev/radioN (struct v4l2_rds_data).
constexpr size_t kRdsRecordSize = 3;
constexpr uint8_t kRdsRecordBlockMask = 0x07;      // bits 0-2: block number
constexpr uint8_t kRdsRecordReceivedMask = 0x38;   // bits 3-5: block as received
constexpr int kRdsRecordReceivedShift = 3;
constexpr uint8_t kRdsRecordCorrected = 0x40;
constexpr uint8_t kRdsRecordUncorrectable = 0x80;

struct RdsRecord {
    uint8_t lsb = 0;
    uint8_t msb = 0;
    uint8_t block = 0;
};

// A record's block; an unknown block number (6) comes back as Invalid, which
// decoders skip.
RdsBlock BlockFromRecord(const RdsRecord& record);
RdsRecord RecordFromBlock(const RdsBlock& block);

// Splits a byte buffer (what one read() returned) into blocks; a trailing
// partial record is left for the caller, who keeps it for the next read.
// Returns the number of bytes used; `out` gets at most `capacity` blocks.
size_t BlocksFromBytes(const uint8_t* bytes, size_t length, RdsBlock* out, size_t capacity);
