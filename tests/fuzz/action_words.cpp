// The action-word parsers over hostile words. The input is the command line,
// one argument per line; the same text with blanks for line breaks is an
// event's "Action" string. Both program variants (four entries in tunzo, ten
// in the companion) parse it.
//
// Beyond "no crash", the parsers must agree with each other: the action text
// fills the list exactly as a command line of its blank-separated words does,
// and a command line counts exactly the words that parse on their own.

#include "FuzzSupport.h"

#include "Actions.h"
#include "SettingsStore.h"

#include <climits>
#include <string>
#include <vector>

namespace {

// Left in every entry before a parse, so that an entry the parser should not
// have touched is seen.
constexpr ActionEntry Untouched{ActionWait, 0x5A5A5A5A};
// A "PRE:" or "REC:" word carries at most four characters of number.
constexpr int32_t LargestPresetText = 9999;

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == separator)
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

std::string Join(const std::vector<std::string>& words, char separator)
{
    std::string text;
    for (size_t i = 0; i < words.size(); ++i)
        text += (i ? std::string(1, separator) : std::string()) + words[i];
    return text;
}

void ClearList()
{
    ActionList.Count = 0;
    ActionList.Entries.fill(Untouched);
}

bool SameEntry(const ActionEntry& a, const ActionEntry& b)
{
    return a.Code == b.Code && a.Value == b.Value;
}

bool SameList(const TActionList& a, const TActionList& b)
{
    for (size_t i = 0; i < a.Entries.size(); ++i)
        if (!SameEntry(a.Entries[i], b.Entries[i]))
            return false;
    return a.Count == b.Count;
}

// What any fill of the list leaves: a count within the capacity, recognised
// codes in the entries it counts, preset numbers and minutes that four
// characters can write, and nothing stored past the count.
void CheckFilledList(int capacity)
{
    FUZZ_CHECK(ActionList.Count >= 0 && ActionList.Count <= capacity);
    for (int k = 1; k <= ActionListRoom; ++k) {
        const ActionEntry& e = ActionList.Entries[static_cast<size_t>(k - 1)];
        if (k > ActionList.Count) {
            FUZZ_CHECK(SameEntry(e, Untouched));
            continue;
        }
        FUZZ_CHECK((e.Code >= ActionClose && e.Code <= ActionUnmute) || e.Code == ActionRecord);
        if (e.Code == ActionTunePreset)
            FUZZ_CHECK(e.Value >= -LargestPresetText && e.Value <= LargestPresetText);
        if (e.Code == ActionRecord)
            FUZZ_CHECK(e.Value >= RecordUntilStopped && e.Value <= LargestPresetText);
    }
}

int WordsRecognisedAlone(const std::vector<std::string>& words)
{
    int count = 0;
    for (const std::string& word : words) {
        ClearList();
        count += ParseActionWord(1, word) ? 1 : 0;
    }
    return count;
}

// Entry numbers outside the list are refused without a write.
void CheckEntriesOutsideTheList(const std::vector<std::string>& words, int capacity)
{
    for (const std::string& word : words)
        for (int entry : {INT_MIN, -1, 0, capacity + 1, ActionListRoom + 1, INT_MAX}) {
            ClearList();
            const TActionList before = ActionList;
            FUZZ_CHECK(!ParseActionWord(entry, word));
            FUZZ_CHECK(SameList(ActionList, before));
        }
}

void CheckVariant(TStoreVariant variant, const std::string& text)
{
    StoreVariant = variant;
    const int capacity = ActionListCapacity();
    FUZZ_CHECK(capacity >= 1 && capacity <= ActionListRoom);

    const std::vector<std::string> arguments = Split(text, '\n');
    ClearList();
    ParseCommandLine(arguments);
    CheckFilledList(capacity);
    const TActionList fromCommandLine = ActionList;

    const int recognised = WordsRecognisedAlone(arguments);
    FUZZ_CHECK(fromCommandLine.Count == (recognised < capacity ? recognised : capacity));

    const std::string actionText = Join(arguments, ' ');
    ClearList();
    ParseActionString(actionText);
    CheckFilledList(capacity);
    const TActionList fromText = ActionList;

    ClearList();
    ParseCommandLine(Split(actionText, ' '));
    FUZZ_CHECK(SameList(fromText, ActionList));

    CheckEntriesOutsideTheList(arguments, capacity);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    CheckVariant(TStoreVariant::Tunzo, text);
    CheckVariant(TStoreVariant::Companion, text);
    return 0;
}
