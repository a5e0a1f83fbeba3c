#include "RdsBlock.h"

namespace {

RdsBlockId IdFromNumber(uint8_t number)
{
    switch (number) {
    case 0: return RdsBlockId::A;
    case 1: return RdsBlockId::B;
    case 2: return RdsBlockId::C;
    case 3: return RdsBlockId::D;
    case 4: return RdsBlockId::CPrime;
    case 5: return RdsBlockId::E;
    default: return RdsBlockId::Invalid;
    }
}

}  // namespace

RdsBlock BlockFromRecord(const RdsRecord& record)
{
    RdsBlock block;
    block.data = static_cast<uint16_t>(record.msb << 8 | record.lsb);
    block.id = IdFromNumber(record.block & kRdsRecordBlockMask);
    block.corrected = (record.block & kRdsRecordCorrected) != 0;
    block.uncorrectable = (record.block & kRdsRecordUncorrectable) != 0;
    return block;
}

RdsRecord RecordFromBlock(const RdsBlock& block)
{
    const uint8_t number = static_cast<uint8_t>(block.id);
    uint8_t flags = 0;
    if (block.corrected)
        flags |= kRdsRecordCorrected;
    if (block.uncorrectable)
        flags |= kRdsRecordUncorrectable;
    // Receivers repeat the block number as the block they received.
    const uint8_t received = static_cast<uint8_t>(number << kRdsRecordReceivedShift);
    return RdsRecord{static_cast<uint8_t>(block.data & 0xFF), static_cast<uint8_t>(block.data >> 8),
                     static_cast<uint8_t>(number | received | flags)};
}

size_t BlocksFromBytes(const uint8_t* bytes, size_t length, RdsBlock* out, size_t capacity)
{
    size_t used = 0;
    size_t count = 0;
    while (length - used >= kRdsRecordSize && count < capacity) {
        out[count++] = BlockFromRecord(RdsRecord{bytes[used], bytes[used + 1], bytes[used + 2]});
        used += kRdsRecordSize;
    }
    return used;
}
