#pragma once
// The action words of the command line, of scheduled events and of lists
// handed over by another instance, the list they fill, and the messages that
// carry a list from a second start to the running program.

#include "ActionChannel.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum ActionCode : int32_t {
    ActionClose = 0,       // "DIE"
    ActionTunePreset = 1,  // "PRE:" followed by the preset number
    ActionVolumeUp = 2,    // "VUP"
    ActionVolumeDown = 3,  // "VDN"
    ActionMute = 4,        // "VMT"
    ActionUnmute = 5,      // "VUM"
    ActionWait = 6,        // "WAIT:", shared with the scheduler, never recognised
    ActionRecord = 7,      // "REC:" followed by minutes: 0 stops, none records until stopped
};

// The value of a "REC:" without minutes: the recording runs until stopped.
inline constexpr int32_t RecordUntilStopped = -1;

struct ActionWord {
    std::string_view Caption;
    std::string_view Keyword;
    std::string_view ParameterCaption;
    int8_t ParameterKind = 0;  // 0 none, 1 preset number, 2 minutes
};

// Constant, so that parsing works whichever parser runs first. Words come
// after "WAIT:" so that the codes other programs know keep their numbers; a
// program that does not know a word skips it.
inline constexpr size_t ActionWordCount = 8;
extern const std::array<ActionWord, ActionWordCount> ActionVocabulary;

struct ActionEntry {
    ActionCode Code = ActionClose;
    int32_t Value = 0;  // the preset number, or the minutes of a recording; set only for those
};

constexpr int ActionListRoom = 10;
// What tunzo's list takes; the companion's takes the whole room.
constexpr int PanelActionListCapacity = 4;

struct TActionList {
    int8_t Count = 0;
    std::array<ActionEntry, ActionListRoom> Entries{};  // entry K is Entries[K - 1]
};

extern TActionList ActionList;

// Entries the list takes: 4 in tunzo, 10 in the companion (StoreVariant).
int ActionListCapacity();

// Recognises one word (keywords anywhere in it, any case; a later keyword of
// the vocabulary overrides an earlier one) and stores it as entry K. Returns
// false, storing nothing, for a word without a keyword and for an entry beyond
// the list's capacity. A "PRE:" whose characters 5 to 8 are not a decimal
// number does not count as a keyword, so no preset is chosen for it; nor
// does a "REC:" whose characters 5 to 8 are there but are not minutes.
bool ParseActionWord(int entry, const std::string& word);

// The word that gives `entry` again: "VUP", "PRE:12", "REC:30", "REC:".
std::string ActionEntryWord(const ActionEntry& entry);

// Fills the list from blank-separated words; recognised words beyond the
// capacity are dropped.
void ParseActionString(const std::string& text);

// Fills the list from the program's arguments (without the program name).
void ParseCommandLine(const std::vector<std::string>& arguments);

// The hand-over: a header message announcing how many entries follow, then
// one message per entry (its code and preset number). A second start without
// actions sends the "nothing" message alone.
inline constexpr int32_t HandOverHeader = 100;
inline constexpr int32_t HandOverNothing = 999;

std::vector<ActionMessage> HandOverMessages(const TActionList& list);

// The running program's side: each message lands in the action list; the
// last announced entry completes it.
struct ActionReception {
    enum Result { Pending, Complete, Ignored };
    // Stores into `list`; when Complete, list.Count holds the entries to run.
    // Entries beyond `capacity` are counted but not stored, and entries with
    // no header before them are ignored, so no message can write outside the
    // list.
    Result Receive(int32_t code, int32_t value, TActionList& list, int capacity);

    int8_t expected = 0;
    int8_t received = 0;
};
