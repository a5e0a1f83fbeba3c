#include "AuxVolume.h"

#include "AuxMixer.h"
#include "TunerSettings.h"

#include <algorithm>

int32_t AuxDeviceCount = 0;

bool EnumerateAuxDevices()
{
    AuxDeviceCount = CurrentAuxMixer().DeviceCount();
    return AuxDeviceCount >= 1;
}

uint32_t AuxSteppedVolume(uint32_t current, int32_t delta)
{
    // Only the high byte of the left channel counts; the balance is lost.
    int64_t attenuation = 255 - ((current & 0xFFFF) >> 8);
    attenuation = std::clamp<int64_t>(attenuation + delta, 0, 255);
    const uint32_t level = static_cast<uint32_t>(255 - attenuation);
    return (level << 8) | (level << 24);
}

bool AuxVolumeStep(int32_t delta)
{
    AuxMixer& mixer = CurrentAuxMixer();
    const int device = TunerSettings.AuxVolumeControl;  // sign-extended id
    uint32_t current = 0;
    if (!mixer.GetVolume(device, current))
        return false;
    return mixer.SetVolume(device, AuxSteppedVolume(current, delta));
}
