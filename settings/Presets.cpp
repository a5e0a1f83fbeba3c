#include "Presets.h"

#include "SettingsStore.h"
#include "SettingsValues.h"

std::array<PresetSlot, PresetCount> Presets;
int8_t CurrentPresetNumber = 0;

namespace {

// Cut at a character's start, so that a name cut short is still UTF-8.
void CapStationName(std::string& name)
{
    if (name.size() <= StationNameLimit)
        return;
    size_t end = StationNameLimit;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80)
        --end;
    name.resize(end);
}

// Into a buffer kept from slot to slot: start-up builds a hundred of them.
void PutPresetKey(std::string& key, int slot)
{
    key.assign(MainKey).append("\\Presets\\").append(std::to_string(slot));
}

}  // namespace

std::string PresetKey(int slot)
{
    std::string key;
    PutPresetKey(key, slot);
    return key;
}

void LoadPresets()
{
    const bool companion = StoreVariant == TStoreVariant::Companion;
    // One snapshot for the hundred keys, not a transaction each (within
    // InitialiseSettings, the one it already holds).
    TRegistryReadScope snapshot(std::string(MainKey) + "\\Presets");
    TRegistry reg;
    reg.SetRootKey(RegistryRoot::LocalMachine);
    std::string key;
    for (int slot = 1; slot <= PresetCount; ++slot) {
        PutPresetKey(key, slot);
        if (!reg.OpenKey(key, false))
            continue;
        PresetSlot& preset = Presets[static_cast<size_t>(slot - 1)];
        if (reg.ValueExists("Frequency")) {
            const double frequency = reg.ReadFloat("Frequency");
            // An infinity or 1e300 would pass the band's test and reach the
            // display and the tuning as a station.
            if (!UsableMegahertz(frequency)) {
                ReportUnusableValue(key + "\\Frequency", "the stored " + std::to_string(frequency) +
                                                             " is not a usable frequency in MHz; the slot is left as it was");
            } else if (frequency < TunerSettings.BandMinimum) {
                // Cleared by another program (0.0) since the last load: the
                // slot is empty now, as the next start will show it.
                preset = PresetSlot{};
            } else {
                preset.Frequency = frequency;
                preset.StationName = reg.ReadString("Station name");
                CapStationName(preset.StationName);
                if (!companion) {
                    preset.IncludeInScan =
                        reg.ValueExists("Include in preset scan") ? reg.ReadBool("Include in preset scan") : true;
                }
            }
        }
        reg.CloseKey();
    }
}

void SavePreset(int slot, const std::string& stationName, bool includeInScan, double frequency)
{
    if (slot < 1 || slot > PresetCount)
        return;
    TRegistry reg;
    reg.SetRootKey(RegistryRoot::LocalMachine);
    if (!reg.OpenKey(PresetKey(slot), true))
        return;
    reg.WriteFloat("Frequency", frequency);
    reg.WriteString("Station name", stationName);
    reg.WriteBool("Include in preset scan", includeInScan);
    reg.CloseKey();
}
