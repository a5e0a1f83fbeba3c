#pragma once
// Which preset comes next: the banks of ten buttons, the page keys, the
// preset scan, and the places of the presets in the channel menus. Read from
// the preset table; no widgets.

#include <string>

inline constexpr int PresetsPerBank = 10;
inline constexpr int LastBank = 90;
// Entries per column of a channel menu.
inline constexpr int ChannelMenuColumn = 20;
// The buttons, the page keys and the right-click popup take a slot from
// this frequency up; a smaller one (0.0) is empty.
inline constexpr double LowestUsableFrequency = 1.0;

// The bank whose buttons show slot n: 0, 10, ... 90; -1 outside 1..100.
int BankFor(int n);

// The next bank to the left or right: 90 follows 0 downward, 0 follows 90 upward.
int NextBank(int bank, bool up);

// One slot on in the direction: 1 follows 100 upward, 100 follows 1 downward.
int StepSlot(int n, bool up);

// The page keys: the next slot from `from` with a frequency of at least
// LowestUsableFrequency, or 0 when the search comes back round without one.
// `from` may be 0 (nothing chosen yet); the walk is bounded by the table.
int NextUsablePreset(int from, bool up);

// The preset scan's next stop from `index`: one slot on, then past every
// stored slot (at least `bandMinimum`) that is left out of the scan. Empty
// slots are stops, silent ones. 0 when every slot is stored and left out,
// where a walk would never find a stop.
int NextPresetScanStop(int index, bool up, double bandMinimum);

// A channel-menu entry: "7    Radio" in the main menu, "7   Radio" in the
// tray's, two blanks from 10 on.
std::string ChannelCaption(int n, const std::string& stationName, bool tray);

// Whether the entry at this 0-based position begins a menu column: every
// ChannelMenuColumn entries, and in the tray the first too, so that the list
// stands beside the tray menu's own items.
bool BeginsMenuColumn(int position, bool tray);
