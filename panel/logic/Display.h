#pragma once
// What the display, its indicators and the preset buttons say: the preset
// the caption names, the one lit button, the names of the display's menu
// items, what a screen reader is told, and where a window fits on a screen.
// No widgets.

#include <string>

// The lit button of a bank: the button of the preset the display shows, or
// 0 when that preset is not in the bank on the buttons (or none is shown).
int LitButtonFor(int shownPreset, int bank);

// "3 Jazz FM": the caption of a preset on the display.
std::string StationCaption(int n, const std::string& stationName);

// The display's "Station" and "Clear" items name the preset they act on:
// "&Clear 3 Jazz FM"; without one shown, the bare caption. An "&" in the
// name shows as itself.
std::string PresetItemCaption(const std::string& item, int shownPreset, const std::string& stationName);

// What the tuned indicator shows, in words: "stereo" for "ST", "tuned" for
// "T", "not tuned" for a blank; other letters (search, write) by their use.
std::string StatusIndicatorName(const std::string& caption);

// Everything the display shows, in one line for a screen reader:
// "94.2 MHz, Jazz FM, stereo, muted".
struct DisplayReading {
    std::string frequencyText;  // "94.2"
    std::string stationName;    // empty without a preset shown
    std::string status;         // the tuned indicator's caption
    bool muted = false;
    bool sleepTimerOn = false;
    bool alarmOn = false;
    bool recording = false;
};
std::string DescribeDisplay(const DisplayReading& reading);

// A window of w x h at (x, y) moved the least so that it lies wholly on the
// area (a screen without its panels); a window larger than the area keeps
// its top left corner on it.
struct ScreenArea {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};
ScreenArea KeepOnArea(const ScreenArea& window, const ScreenArea& area);
