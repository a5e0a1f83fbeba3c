#pragma once
// The main key's values one by one, for the store's load and save: each is
// read on its own, so that one malformed value costs only itself, and each
// is written only when this program changed it since it last read the store,
// so that a save never puts back what another program (the setup tool) has
// changed meanwhile, nor a start-up value over one it could not read.
// Private to the settings store.

#include "Registry.h"
#include "TunerSettings.h"

#include <cstdint>
#include <map>
#include <string>

enum class ValueState : uint8_t {
    Absent,      // not stored, or stored unusable (a frequency that is not one): the next save writes it
    Read,        // stored and read
    Unreadable,  // stored in another kind: left out, and never written back unless changed here
};

// The main key as this program last read it (corrections applied), and which
// store that was.
struct TStoredSettings {
    std::string store;  // empty: nothing read yet
    TTunerSettings values;
    std::map<std::string, ValueState> states;  // by value name
};

// Reads every value of the main key in the order of the record into `s`;
// `states` gets each value's state. A value of another kind is reported once
// per process and left out. Raises only for a store that cannot be read.
void LoadMainValues(TRegistry& reg, TTunerSettings& s, std::map<std::string, ValueState>& states);

// What this program last read from the store at RegistryFilePath(), as a
// load leaves it.
TStoredSettings& LastReadSettings();
// Adopts into TunerSettings what another program changed in the open main
// key since the last read, wherever this program has not changed that value
// itself, and makes what is stored now the last read.
void MergeStoredValues(TRegistry& reg);
// Writes, in SaveSettings' order (or the alarm's), the values this program
// changed since the last read and those not stored at all. Returns what is
// stored once the key has closed; the caller makes it the last read then, so
// that a commit that fails leaves the last read as it was.
TStoredSettings WriteChangedValues(TRegistry& reg);
TStoredSettings WriteChangedAlarmValues(TRegistry& reg);

// The load's corrections: tune steps of 0.0, adapter and port number below
// 1, the Reveal's volume path.
void CorrectStoredValues(TTunerSettings& s);

// A frequency or step held in MHz is usable when finite and below this: the
// display shows three digits before the point, and nothing tunes beyond it.
inline constexpr double MaxStoredMegahertz = 1000.0;
bool UsableMegahertz(double value);

// Reports a stored value that was left out, once per value and reason in
// this process: to standard error and the system log.
void ReportUnusableValue(const std::string& name, const std::string& why);

