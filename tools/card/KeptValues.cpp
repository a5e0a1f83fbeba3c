#include "KeptValues.h"

#include "AuxVolume.h"
#include "RadioDriver.h"
#include "SettingsStore.h"
#include "TunerSettings.h"

#include <functional>

namespace {

// A store that cannot take the value costs only the keeping: the card has
// done its work, and the exit code says so.
void KeepInStore(const char* valueName, const std::function<void(TRegistry&)>& write, std::ostream& err)
{
    try {
        TRegistry reg;
        reg.SetRootKey(RegistryRoot::LocalMachine);
        if (reg.OpenKey(MainKey, true)) {
            write(reg);
            reg.CloseKey();
            return;
        }
        err << "tunzo-card: \"" << valueName << "\" was not kept: the settings store's main key cannot be made\n";
    } catch (const std::exception& e) {
        err << "tunzo-card: \"" << valueName << "\" was not kept: " << e.what() << "\n";
    }
}

// With "Volume control" on a line-in the mixer does not have, a step would
// reach nothing: it goes to the card, as the panel's steps do then.
void StepOnCardWithoutLineIn()
{
    TTunerSettings& s = TunerSettings;
    if (s.VolumeControl <= VolumeOnCard)
        return;
    EnumerateAuxDevices();
    if (s.AuxVolumeControl < 0 || s.AuxVolumeControl >= AuxDeviceCount)
        s.VolumeControl = VolumeOnCard;
}

}  // namespace

void StepVolume(bool up, std::ostream& err)
{
    StepOnCardWithoutLineIn();
    const int8_t level = TunerSettings.CardVolume;
    if (up)
        RadioDriver::VolumeUp();
    else
        RadioDriver::VolumeDown();
    // The Aztech card's level rides on every byte it is sent: the next call
    // steps from where this one left it.
    if (TunerSettings.CardVolume != level)
        KeepInStore(
            ValueName::Volume, [](TRegistry& reg) { reg.WriteInteger(ValueName::Volume, TunerSettings.CardVolume); },
            err);
}

void KeepStation(std::ostream& err)
{
    KeepInStore(ValueName::DefaultStation,
                [](TRegistry& reg) { reg.WriteFloat(ValueName::DefaultStation, TunerSettings.CurrentFrequency); }, err);
}
