#pragma once
// The store a user of the panel has after a while: the settings and every
// preset slot filled. Benchmarks that read the store start from it.

#include "Presets.h"
#include "SettingsStore.h"

#include <string>

inline void WriteStoreWithPresets()
{
    InitialiseSettings();
    SaveSettings();
    for (int slot = 1; slot <= PresetCount; ++slot)
        SavePreset(slot, "Station " + std::to_string(slot), slot % 2 == 0, 87.5 + slot * 0.2);
}
