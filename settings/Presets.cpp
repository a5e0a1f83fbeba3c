#include "Presets.h"

#include "SettingsStore.h"

std::array<PresetSlot, PresetCount> Presets;

namespace {
// The companion keeps at most this much of a station name.
constexpr size_t CompanionNameLimit = 255;
}

std::string PresetKey(int slot)
{
    return std::string(MainKey) + "\\Presets\\" + std::to_string(slot);
}

void LoadPresets()
{
    const bool companion = StoreVariant == TStoreVariant::Companion;
    // One snapshot for the hundred keys, not a transaction each (within
    // InitialiseSettings, the one it already holds).
    TRegistryReadScope snapshot(std::string(MainKey) + "\\Presets");
    TRegistry reg;
    reg.SetRootKey(RegistryRoot::LocalMachine);
    for (int slot = 1; slot <= PresetCount; ++slot) {
        if (!reg.OpenKey(PresetKey(slot), false))
            continue;
        PresetSlot& preset = Presets[static_cast<size_t>(slot - 1)];
        if (reg.ValueExists("Frequency")) {
            const double frequency = reg.ReadFloat("Frequency");
            if (frequency >= TunerSettings.BandMinimum) {
                preset.Frequency = frequency;
                preset.StationName = reg.ReadString("Station name");
                if (companion) {
                    if (preset.StationName.size() > CompanionNameLimit)
                        preset.StationName.resize(CompanionNameLimit);
                } else {
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
