#include "Actions.h"

#include <algorithm>
#include <charconv>

#include "SettingsStore.h"

const std::array<ActionWord, ActionWordCount> ActionVocabulary = {{
    {"Close Tunzo", "DIE", "0", 0},
    {"Tune (preset)", "PRE:", "Preset station", 1},
    {"Volume up", "VUP", "0", 0},
    {"Volume down", "VDN", "0", 0},
    {"Mute", "VMT", "0", 0},
    {"Unmute", "VUM", "0", 0},
    {"Wait", "WAIT:", "Minutes", 2},
    {"Record", "REC:", "Minutes", 2},
}};

TActionList ActionList;

namespace {

// "WAIT:" is in the vocabulary but never carried out here.
bool Recognised(int code)
{
    return code != ActionWait;
}

std::string UpperCaseAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// Optional sign and decimal digits, nothing else.
bool DecimalValue(std::string_view text, int32_t& value)
{
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return !text.empty() && ec == std::errc() && ptr == end;
}

}  // namespace

int ActionListCapacity()
{
    return StoreVariant == TStoreVariant::Companion ? ActionListRoom : PanelActionListCapacity;
}

bool ParseActionWord(int entry, const std::string& word)
{
    if (entry < 1 || entry > ActionListCapacity())
        return false;
    ActionEntry& target = ActionList.Entries[static_cast<size_t>(entry - 1)];
    const std::string upper = UpperCaseAscii(word);
    bool found = false;
    for (int code = 0; code < static_cast<int>(ActionVocabulary.size()); ++code) {
        const std::string_view keyword = ActionVocabulary[static_cast<size_t>(code)].Keyword;
        if (!Recognised(code) || upper.find(keyword) == std::string::npos)
            continue;
        // The number sits after the first four characters of the word,
        // wherever the keyword was found, and is as long as the keyword.
        const std::string digits =
            word.size() > keyword.size() ? word.substr(keyword.size(), keyword.size()) : std::string();
        if (code == ActionTunePreset) {
            int32_t preset = 0;
            if (!DecimalValue(digits, preset))
                continue;
            target.Value = preset;
        }
        if (code == ActionRecord) {
            int32_t minutes = RecordUntilStopped;
            if (!digits.empty() && (!DecimalValue(digits, minutes) || minutes < 0))
                continue;
            target.Value = minutes;
        }
        target.Code = static_cast<ActionCode>(code);
        found = true;
    }
    return found;
}

std::string ActionEntryWord(const ActionEntry& entry)
{
    const std::string keyword(ActionVocabulary[static_cast<size_t>(entry.Code)].Keyword);
    if (entry.Code == ActionTunePreset || (entry.Code == ActionRecord && entry.Value != RecordUntilStopped))
        return keyword + std::to_string(entry.Value);
    return keyword;
}

void ParseActionString(const std::string& text)
{
    ActionList.Count = 0;
    const std::string words = text + " ";
    if (words.size() < 3)
        return;
    std::string word;
    for (char c : words) {
        if (c != ' ') {
            word += c;
            continue;
        }
        if (ParseActionWord(ActionList.Count + 1, word))
            ++ActionList.Count;
        word.clear();
    }
}

void ParseCommandLine(const std::vector<std::string>& arguments)
{
    ActionList.Count = 0;
    for (const std::string& argument : arguments)
        if (ParseActionWord(ActionList.Count + 1, argument))
            ++ActionList.Count;
}

std::vector<ActionMessage> HandOverMessages(const TActionList& list)
{
    if (list.Count <= 0)
        return {{HandOverNothing, 0}};
    std::vector<ActionMessage> messages{{HandOverHeader, list.Count}};
    for (int i = 0; i < list.Count; ++i) {
        const ActionEntry& entry = list.Entries[static_cast<size_t>(i)];
        messages.push_back({entry.Code, entry.Value});
    }
    return messages;
}

ActionReception::Result ActionReception::Receive(int32_t code, int32_t value, TActionList& list, int capacity)
{
    if (code == HandOverHeader) {
        // The count travels in the low byte, as the sender's 8-bit count.
        expected = static_cast<int8_t>(value & 0xFF);
        received = 0;
        return Pending;
    }
    if (code >= HandOverNothing || expected <= 0)
        return Ignored;
    ++received;
    capacity = std::min(capacity, ActionListRoom);
    if (received <= capacity) {
        ActionEntry& entry = list.Entries[static_cast<size_t>(received - 1)];
        entry.Code = static_cast<ActionCode>(code);
        if (code == ActionTunePreset || code == ActionRecord)
            entry.Value = value;
    }
    if (received != expected)
        return Pending;
    list.Count = static_cast<int8_t>(std::min<int>(expected, capacity));
    expected = 0;
    received = 0;
    return Complete;
}
