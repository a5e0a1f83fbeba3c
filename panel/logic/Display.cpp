#include "Display.h"

#include "PresetOrder.h"

#include <algorithm>

int LitButtonFor(int shownPreset, int bank)
{
    if (shownPreset <= bank || shownPreset > bank + PresetsPerBank)
        return 0;
    return shownPreset - bank;
}

std::string StationCaption(int n, const std::string& stationName)
{
    return std::to_string(n) + " " + stationName;
}

std::string PresetItemCaption(const std::string& item, int shownPreset, const std::string& stationName)
{
    if (shownPreset < 1)
        return item;
    // A menu takes "&" as the mark of its key letter; "&&" shows one.
    std::string name;
    for (char c : stationName) {
        name += c;
        if (c == '&')
            name += '&';
    }
    return item + " " + StationCaption(shownPreset, name);
}

std::string StatusIndicatorName(const std::string& caption)
{
    if (caption == "ST")
        return "stereo";
    if (caption == "T")
        return "tuned";
    if (caption == "W")
        return "choose a preset to store the frequency in";
    if (caption == ">")
        return "searching up";
    if (caption == "<")
        return "searching down";
    // A blank: the card was asked and has no station; empty: not asked yet
    // (a slider move) or never.
    return caption.empty() ? "" : "not tuned";
}

std::string DescribeDisplay(const DisplayReading& reading)
{
    std::string text = reading.frequencyText + " MHz";
    for (const std::string& part :
         {reading.stationName, StatusIndicatorName(reading.status), std::string(reading.muted ? "muted" : ""),
          std::string(reading.sleepTimerOn ? "sleep timer on" : ""), std::string(reading.alarmOn ? "alarm on" : ""),
          std::string(reading.recording ? "recording" : "")})
        if (!part.empty())
            text += ", " + part;
    return text;
}

ScreenArea KeepOnArea(const ScreenArea& window, const ScreenArea& area)
{
    ScreenArea kept = window;
    kept.x = std::max(area.x, std::min(window.x, area.x + area.width - window.width));
    kept.y = std::max(area.y, std::min(window.y, area.y + area.height - window.height));
    return kept;
}
