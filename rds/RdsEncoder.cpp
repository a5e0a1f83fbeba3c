#include "RdsEncoder.h"

#include "RdsCharset.h"
#include "RdsCodeword.h"

namespace {

// Four name groups, then two text groups: the whole name about twice a
// second, well above the four 0A groups a second receivers count on.
constexpr int kPatternLength = 6;
constexpr int kNameSlotsInPattern = 4;

RdsBlock Block(uint16_t data, RdsBlockId id)
{
    return RdsBlock{data, id, false, false};
}

uint16_t BlockB(const RdsStation& station, uint8_t groupType, uint16_t typeBits)
{
    uint16_t b = static_cast<uint16_t>(groupType << kRdsGroupTypeShift);
    if (station.trafficProgramme)
        b |= kRdsTrafficProgramme;
    b |= static_cast<uint16_t>((station.pty & kRdsPtyMask) << kRdsPtyShift);
    return static_cast<uint16_t>(b | typeBits);
}

uint16_t CharPair(const std::string& bytes, size_t at)
{
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) << 8 | static_cast<uint8_t>(bytes[at + 1]));
}

std::string PaddedName(const std::string& utf8)
{
    std::string bytes = Utf8ToRds(utf8).substr(0, kRdsPsLength);
    bytes.resize(kRdsPsLength, ' ');
    return bytes;
}

// The text up to 64 bytes; a shorter one ends with the end-of-text mark and
// is padded to whole segments.
std::string TerminatedText(const std::string& utf8)
{
    std::string bytes = Utf8ToRds(utf8).substr(0, kRdsTextLength);
    if (bytes.empty())
        return bytes;
    if (bytes.size() < static_cast<size_t>(kRdsTextLength))
        bytes += static_cast<char>(kRdsEndOfText);
    const size_t segments = (bytes.size() + kRdsTextSegmentCharsA - 1) / kRdsTextSegmentCharsA;
    bytes.resize(segments * kRdsTextSegmentCharsA, ' ');
    return bytes;
}

// The groups from a name and text already in the RDS character table.
RdsGroupBlocks NameGroup(const RdsStation& station, const std::string& name, int segment)
{
    uint16_t bits = static_cast<uint16_t>(segment & kRdsPsAddressMask) | kRdsMusic;
    if (station.trafficAnnouncement)
        bits |= kRdsTrafficAnnouncement;
    return {Block(station.pi, RdsBlockId::A), Block(BlockB(station, kRdsGroupBasic, bits), RdsBlockId::B),
            Block(kRdsNoAlternativeFrequencies, RdsBlockId::C),
            Block(CharPair(name, static_cast<size_t>(segment) * kRdsPsSegmentChars), RdsBlockId::D)};
}

RdsGroupBlocks TextGroup(const RdsStation& station, std::string text, int segment, bool abFlag)
{
    text.resize(kRdsTextLength, ' ');
    const size_t at = static_cast<size_t>(segment) * kRdsTextSegmentCharsA;
    const uint16_t bits = static_cast<uint16_t>((segment & kRdsTextAddressMask) | (abFlag ? kRdsTextAbFlag : 0));
    return {Block(station.pi, RdsBlockId::A), Block(BlockB(station, kRdsGroupRadioText, bits), RdsBlockId::B),
            Block(CharPair(text, at), RdsBlockId::C), Block(CharPair(text, at + 2), RdsBlockId::D)};
}

}  // namespace

RdsGroupBlocks EncodeNameGroup(const RdsStation& station, int segment)
{
    return NameGroup(station, PaddedName(station.name), segment);
}

RdsGroupBlocks EncodeTextGroup(const RdsStation& station, int segment, bool abFlag)
{
    return TextGroup(station, TerminatedText(station.text), segment, abFlag);
}

RdsGroupBlocks EncodeClockGroup(const RdsStation& station, const RdsClockTime& time)
{
    const RdsClockBlocks bits = EncodeClockTime(time);
    return {Block(station.pi, RdsBlockId::A), Block(BlockB(station, kRdsGroupClockTime, bits.blockBLow), RdsBlockId::B),
            Block(bits.blockC, RdsBlockId::C), Block(bits.blockD, RdsBlockId::D)};
}

RdsEncoder::RdsEncoder(const RdsStation& station) : station_(station)
{
    nameBytes_ = PaddedName(station.name);
    textBytes_ = TerminatedText(station.text);
}

void RdsEncoder::setStation(const RdsStation& station)
{
    if (station.text != station_.text) {
        abFlag_ = !abFlag_;
        textSegment_ = 0;
    }
    station_ = station;
    nameBytes_ = PaddedName(station.name);
    textBytes_ = TerminatedText(station.text);
}

void RdsEncoder::sendClockTime(const RdsClockTime& time)
{
    clock_ = time;
    clockPending_ = true;
}

int RdsEncoder::textSegments() const
{
    return static_cast<int>(textBytes_.size()) / kRdsTextSegmentCharsA;
}

RdsGroupBlocks RdsEncoder::nextGroup()
{
    if (clockPending_) {
        clockPending_ = false;
        return EncodeClockGroup(station_, clock_);
    }
    const bool nameSlot = slot_ < kNameSlotsInPattern || textSegments() == 0;
    slot_ = (slot_ + 1) % kPatternLength;
    if (nameSlot) {
        const int segment = nameSegment_;
        nameSegment_ = (nameSegment_ + 1) % kRdsPsSegments;
        return NameGroup(station_, nameBytes_, segment);
    }
    const int segment = textSegment_;
    textSegment_ = (textSegment_ + 1) % textSegments();
    return TextGroup(station_, textBytes_, segment, abFlag_);
}

RdsErrorInjector::RdsErrorInjector(RdsErrorRates rates, uint32_t seed) : rates_(rates), random_(seed) {}

void RdsErrorInjector::apply(RdsBlock& block)
{
    double roll = chance_(random_);
    if (roll < rates_.uncorrectable) {
        block.uncorrectable = true;
        scramble(block);
        return;
    }
    roll -= rates_.uncorrectable;
    if (roll < rates_.corrected) {
        block.corrected = true;
        return;
    }
    roll -= rates_.corrected;
    if (roll < rates_.miscorrected) {
        block.corrected = true;
        scramble(block);
    }
}

void RdsErrorInjector::scramble(RdsBlock& block)
{
    // Any nonzero change: what is left of the data after the errors.
    block.data ^= static_cast<uint16_t>(random_() % 0xFFFF + 1);
}

void RdsErrorInjector::apply(RdsGroupBlocks& group)
{
    for (RdsBlock& block : group)
        apply(block);
}

std::vector<uint8_t> RecordBytes(const std::vector<RdsBlock>& blocks)
{
    std::vector<uint8_t> bytes;
    bytes.reserve(blocks.size() * kRdsRecordSize);
    for (const RdsBlock& block : blocks) {
        const RdsRecord record = RecordFromBlock(block);
        bytes.insert(bytes.end(), {record.lsb, record.msb, record.block});
    }
    return bytes;
}

void AppendGroup(std::vector<RdsBlock>& blocks, const RdsGroupBlocks& group)
{
    blocks.insert(blocks.end(), group.begin(), group.end());
}

void AppendGroupBits(std::vector<uint8_t>& bits, const RdsGroupBlocks& group)
{
    for (const RdsBlock& block : group) {
        const uint32_t sent = RdsEncodeBlock(block.data, block.id);
        for (int bit = kRdsBlockBits - 1; bit >= 0; --bit)
            bits.push_back(static_cast<uint8_t>(sent >> bit & 1));
    }
}
