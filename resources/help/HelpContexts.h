#pragma once
// The help topics the program can ask for. Each number is a fixed anchor
// ("ctx-<number>") in one of the help pages, so controls, menus and dialogs
// point at their topic by number and the pages can be rewritten freely.

inline constexpr int HelpTopics = 103;          // contents: "Help topics"
inline constexpr int HelpMainWindow = 50;       // the front panel as a whole
inline constexpr int HelpDisplay = 8;           // the black display
inline constexpr int HelpSettingsDialog = 97;   // "Tunzo settings"
inline constexpr int HelpJumpDialog = 503;      // "Enter frequency"
inline constexpr int HelpAboutBox = 57;         // "About Tunzo"
inline constexpr int HelpTrayMenu = 509;        // the tray icon's menu
inline constexpr int HelpPresetItems = 601;     // "&Station" and "&Clear" on a preset
inline constexpr int HelpVolumeItems = 602;     // "Volume &Up" and "Volume &Down" in the tray menu
inline constexpr int HelpActionsMenu = 701;     // "&Actions"
inline constexpr int HelpOptionsMenu = 702;     // "&Options", "&Settings", the volume items
inline constexpr int HelpChannels = 703;        // "&Channels" and the preset popup menu
inline constexpr int HelpHelpMenu = 704;        // "&Help"
inline constexpr int HelpRestoreItem = 801;     // "&Restore"
inline constexpr int HelpAboutItem = 802;       // "&About", "A&bout"
inline constexpr int HelpExitItem = 803;        // "E&xit"
inline constexpr int HelpMuteItem = 804;        // "&Mute"

inline constexpr int EveryHelpContext[] = {
    HelpTopics, HelpMainWindow, HelpDisplay, HelpSettingsDialog, HelpJumpDialog, HelpAboutBox,
    HelpTrayMenu, HelpPresetItems, HelpVolumeItems, HelpActionsMenu, HelpOptionsMenu,
    HelpChannels, HelpHelpMenu, HelpRestoreItem, HelpAboutItem, HelpExitItem, HelpMuteItem,
};

// Registers the pages under ":/help/" (a static library's resources are
// dropped by the linker unless something refers to them). Safe to repeat.
void InitHelpPages();
