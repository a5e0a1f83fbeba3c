#pragma once
// The 100 presets, one key per slot under the main key ("...\Presets\7").

#include <array>
#include <cstdint>
#include <string>

constexpr int PresetCount = 100;
// Both programs keep at most this many bytes of a station name: a name of
// megabytes written by another program would otherwise reach every caption,
// menu and hint.
inline constexpr size_t StationNameLimit = 255;
// What a preset cleared on the panel is stored with: one blank, frequency 0.0.
inline constexpr const char* ClearedStationName = " ";

struct PresetSlot {
    double Frequency = 0.0;   // MHz; 0.0 = empty
    std::string StationName;
    bool IncludeInScan = false;  // "Include in preset scan"
};

// Slot N (1 to PresetCount) is Presets[N - 1]. Loading never clears a slot, so
// a slot whose key has gone keeps what it held.
extern std::array<PresetSlot, PresetCount> Presets;

// The preset the front panel works on, 1 to PresetCount; 0 until one is
// chosen, recognised or reached by the preset scan. The settings dialog's
// station-name page edits this one.
extern int8_t CurrentPresetNumber;

// "SOFTWARE\Velmar\Tunzo\Presets\" followed by the slot number.
std::string PresetKey(int slot);

// Loads every slot whose "Frequency" is at least BandMinimum (no upper limit).
// A slot stored below it (cleared, by this program or another) is empty.
void LoadPresets();

// Writes the slot's three values, creating its key; silently nothing when the
// key does not open or the slot number is outside 1..PresetCount. The caller
// updates Presets itself.
void SavePreset(int slot, const std::string& stationName, bool includeInScan, double frequency);
