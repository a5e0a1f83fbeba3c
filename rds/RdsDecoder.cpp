#include "RdsDecoder.h"

#include "RdsCharset.h"
#include "RdsGroup.h"

namespace {

// Stations centre or pad their names; the blanks are not part of them.
std::string TrimmedUtf8(const std::string& rdsBytes)
{
    const size_t first = rdsBytes.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    const size_t last = rdsBytes.find_last_not_of(' ');
    return RdsToUtf8(std::string_view(rdsBytes).substr(first, last - first + 1));
}

// A control's string ends at its first NUL or end-of-text mark.
std::string ControlString(const std::string& rdsBytes)
{
    const size_t end = rdsBytes.find_first_of(std::string{'\0', static_cast<char>(kRdsEndOfText)});
    return TrimmedUtf8(rdsBytes.substr(0, end));
}

void SplitChars(uint16_t block, uint8_t* out)
{
    out[0] = static_cast<uint8_t>(block >> 8);
    out[1] = static_cast<uint8_t>(block & 0xFF);
}

}  // namespace

RdsDecoder::RdsDecoder(RdsStandard standard)
    : standard_(standard),
      name_(kRdsPsSegments, kRdsPsSegmentChars, RdsSegmentedText::Ending::AllSegments),
      textA_(kRdsTextSegments, kRdsTextSegmentCharsA, RdsSegmentedText::Ending::EndOfTextMark),
      textB_(kRdsTextSegments, kRdsTextSegmentCharsB, RdsSegmentedText::Ending::EndOfTextMark)
{
}

uint32_t RdsDecoder::addBlock(const RdsBlock& block)
{
    if (block.id == RdsBlockId::Invalid)
        return 0;
    const std::optional<RdsGroup> group = groups_.addBlock(block);
    if (!group)
        return 0;
    const uint32_t changed = takeBasics();
    return changed | decodeGroup(*group);
}

uint32_t RdsDecoder::addRecords(const uint8_t* bytes, size_t length)
{
    uint32_t changed = 0;
    for (size_t at = 0; at + kRdsRecordSize <= length; at += kRdsRecordSize)
        changed |= addBlock(BlockFromRecord(RdsRecord{bytes[at], bytes[at + 1], bytes[at + 2]}));
    return changed;
}

namespace {
// Puts `value` into `field`; the change bit when it differed.
template <class T>
uint32_t Update(T& field, const T& value, uint32_t bit)
{
    if (field == value)
        return 0;
    field = value;
    return bit;
}
}  // namespace

uint32_t RdsDecoder::takeControls(const RdsControlValues& values)
{
    uint32_t changed = Update(state_.name, ControlString(values.name), RdsChangedName);
    changed |= Update(state_.text, ControlString(values.text), RdsChangedText);
    changed |= Update(state_.hasPty, true, RdsChangedPty) | Update(state_.pty, values.pty, RdsChangedPty);
    changed |= Update(state_.trafficProgramme, values.trafficProgramme, RdsChangedTraffic) |
               Update(state_.trafficAnnouncement, values.trafficAnnouncement, RdsChangedTraffic);
    return changed;
}

uint32_t RdsDecoder::reset()
{
    groups_.reset();
    return forgetStation();
}

uint32_t RdsDecoder::forgetStation()
{
    uint32_t known = 0;
    if (state_.hasPi)
        known |= RdsChangedPi;
    if (!state_.name.empty())
        known |= RdsChangedName;
    if (!state_.text.empty())
        known |= RdsChangedText;
    if (state_.hasPty)
        known |= RdsChangedPty;
    if (state_.trafficProgramme || state_.trafficAnnouncement)
        known |= RdsChangedTraffic;
    if (state_.hasClockTime)
        known |= RdsChangedClockTime;
    if (state_.alternativeFrequencies.count > 0)
        known |= RdsChangedAlternativeFrequencies;
    state_ = RdsState{};
    name_.clear();
    textA_.clear();
    textB_.clear();
    haveAbFlag_ = false;
    return known;
}

uint32_t RdsDecoder::takeBasics()
{
    const RdsBasics basics = groups_.basics();
    uint32_t changed = 0;
    // A new PI without a reset is another station coming in: nothing of the
    // old one may stay on show with it.
    if (basics.hasPi && state_.hasPi && basics.pi != state_.pi)
        changed |= forgetStation();
    changed |= Update(state_.hasPi, basics.hasPi, RdsChangedPi) | Update(state_.pi, basics.pi, RdsChangedPi);
    changed |= Update(state_.hasPty, basics.hasPty, RdsChangedPty) | Update(state_.pty, basics.pty, RdsChangedPty);
    changed |= Update(state_.trafficProgramme, basics.trafficProgramme, RdsChangedTraffic) |
               Update(state_.trafficAnnouncement, basics.trafficAnnouncement, RdsChangedTraffic);
    changed |= Update(state_.alternativeFrequencies, basics.alternativeFrequencies, RdsChangedAlternativeFrequencies);
    return changed;
}

uint32_t RdsDecoder::decodeGroup(const RdsGroup& group)
{
    // A group under another PI is a stray (another station, or a PI the
    // receiver got wrong): its segments would mix into this station's.
    if (state_.hasPi && group.pi != state_.pi)
        return 0;
    switch (group.type) {
    case kRdsGroupBasic: return decodeName(group);
    case kRdsGroupRadioText: return decodeText(group);
    case kRdsGroupClockTime: return group.versionB ? 0 : decodeClockTime(group);
    default: return 0;
    }
}

uint32_t RdsDecoder::decodeName(const RdsGroup& group)
{
    uint8_t chars[kRdsPsSegmentChars];
    SplitChars(group.blockD, chars);
    if (!name_.addSegment(group.blockBLow & kRdsPsAddressMask, chars, !group.corrected))
        return 0;
    const std::string name = TrimmedUtf8(name_.shown());
    if (name == state_.name)
        return 0;
    state_.name = name;
    return RdsChangedName;
}

uint32_t RdsDecoder::decodeText(const RdsGroup& group)
{
    uint32_t changed = 0;
    const bool abFlag = (group.blockBLow & kRdsTextAbFlag) != 0;
    if (haveAbFlag_ && abFlag != abFlag_) {
        // The station says a new text begins: the old one goes at once.
        textA_.clear();
        textB_.clear();
        changed |= showText({});
    }
    haveAbFlag_ = true;
    abFlag_ = abFlag;

    const int address = group.blockBLow & kRdsTextAddressMask;
    const bool clean = !group.corrected;
    uint8_t chars[kRdsTextSegmentCharsA];
    if (group.versionB) {
        SplitChars(group.blockD, chars);
        if (textB_.addSegment(address, chars, clean))
            changed |= showText(textB_.shown());
    } else {
        SplitChars(group.blockC, chars);
        SplitChars(group.blockD, chars + 2);
        if (textA_.addSegment(address, chars, clean))
            changed |= showText(textA_.shown());
    }
    return changed;
}

uint32_t RdsDecoder::showText(const std::string& rdsBytes)
{
    const std::string text = TrimmedUtf8(rdsBytes);
    if (text == state_.text)
        return 0;
    state_.text = text;
    return RdsChangedText;
}

uint32_t RdsDecoder::decodeClockTime(const RdsGroup& group)
{
    // Sent once a minute and never twice the same, so it cannot be confirmed
    // by a repeat: a time from a group with corrected blocks is not trusted.
    if (group.corrected)
        return 0;
    const std::optional<RdsClockTime> time = DecodeClockTime(group.blockBLow, group.blockC, group.blockD);
    if (!time || (state_.hasClockTime && *time == state_.clockTime))
        return 0;
    state_.hasClockTime = true;
    state_.clockTime = *time;
    return RdsChangedClockTime;
}
