#include "PresetOrder.h"

#include "Presets.h"

namespace {
const PresetSlot& Slot(int n)
{
    return Presets[static_cast<size_t>(n - 1)];
}
}  // namespace

int BankFor(int n)
{
    if (n < 1 || n > PresetCount)
        return -1;
    return (n - 1) / PresetsPerBank * PresetsPerBank;
}

int NextBank(int bank, bool up)
{
    if (up)
        return bank >= LastBank ? 0 : bank + PresetsPerBank;
    return bank <= 0 ? LastBank : bank - PresetsPerBank;
}

int StepSlot(int n, bool up)
{
    if (up)
        return n >= PresetCount ? 1 : n + 1;
    return n <= 1 ? PresetCount : n - 1;
}

int NextUsablePreset(int from, bool up)
{
    int n = from;
    // One round of the table at most: with nothing chosen yet (0) the walk
    // would never come back to where it began.
    for (int steps = 0; steps < PresetCount; ++steps) {
        n = StepSlot(n, up);
        if (n == from)
            return 0;
        if (Slot(n).Frequency >= LowestUsableFrequency)
            return n;
    }
    return 0;
}

int NextPresetScanStop(int index, bool up, double bandMinimum)
{
    int n = index;
    for (int steps = 0; steps < PresetCount; ++steps) {
        n = StepSlot(n, up);
        const PresetSlot& slot = Slot(n);
        if (slot.Frequency < bandMinimum || slot.IncludeInScan)
            return n;
    }
    return 0;
}

std::string ChannelCaption(int n, const std::string& stationName, bool tray)
{
    const char* gap = n >= 10 ? "  " : tray ? "   " : "    ";
    return std::to_string(n) + gap + stationName;
}

bool BeginsMenuColumn(int position, bool tray)
{
    return (tray && position == 0) || (position > 0 && position % ChannelMenuColumn == 0);
}
