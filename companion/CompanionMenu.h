#pragma once
// What pipit's popup menu holds, built anew for every right click from the
// presets and the state of the moment. A plain description, so that the
// columns, the skipped presets and the checks are decided apart from Qt.

#include <string>
#include <vector>

// The menu's command identifiers; 1 to PresetCount choose that preset.
inline constexpr int MenuRadio = 201;
inline constexpr int MenuLineIn = 202;
inline constexpr int MenuVolumeUp = 210;
inline constexpr int MenuMute = 220;
inline constexpr int MenuVolumeDown = 230;
inline constexpr int MenuLaunchTunzo = 300;
inline constexpr int MenuExitPipit = 301;
inline constexpr int MenuMuteAndExit = 302;
// Pipit has no sound path of its own: it hands the radio to tunzo, which
// starts recording at once.
inline constexpr int MenuRecordInTunzo = 303;

// The column counter starts at 1 and grows after each listed preset; the
// preset listed while it stands here begins a new column, and it starts
// again. So the 30th, 60th and 90th listed presets each begin one, and the
// columns hold 29, 30, 30 and 11.
inline constexpr int PresetColumnBreakCount = 30;

struct CompanionMenuItem {
    enum Kind { Command, Separator, Submenu };
    Kind kind = Command;
    int id = 0;
    std::string text;
    bool checked = false;
    bool disabled = false;
    bool beginsColumn = false;
    std::vector<CompanionMenuItem> items;  // a submenu's own
};

struct CompanionMenuState {
    int currentPreset = 0;  // checked in the list; 0 = none
    bool soundOn = true;    // "Mute" is checked while it is false
    std::string decimalSeparator = ".";  // the locale's, for a preset shown by its frequency
};

// The presets at or above BandMinimum with their numbers as ids (each by its
// name, or by its frequency when it has none), a
// separator, "Mixer device" with "Radio" and "Line in", a separator, the
// volume items, a separator, recording in tunzo, and the three ways out. Reads Presets,
// TunerSettings ("Adapter", "Volume control", the band) and AuxDeviceCount.
std::vector<CompanionMenuItem> BuildCompanionMenu(const CompanionMenuState& state);
