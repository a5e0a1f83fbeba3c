#pragma once
// The sound card's mixer, for the volume keys when they act on the line input
// instead of the radio card. A device is a mixer control with a playback
// volume; its volume is one 32-bit value, the left channel in the low word and
// the right channel in the high word, 0..0xFFFF each.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class AuxMixer {
public:
    virtual ~AuxMixer() = default;
    virtual int DeviceCount() = 0;
    virtual bool GetVolume(int device, uint32_t& volume) = 0;
    virtual bool SetVolume(int device, uint32_t volume) = 0;
    // What the user is shown for each device, in device order. A mixer that
    // names nothing gives "Mixer control 1", "Mixer control 2", ...
    virtual std::vector<std::string> DeviceNames();
};

// The simple-mixer controls of ALSA's default card that have a playback
// volume, in ALSA's order. Each call opens the mixer and closes it again, so
// controls of a card plugged in later are seen by the next call. Without a
// sound card (or without libasound, AlsaLibrary.h) there are no devices and
// every call fails quietly.
class AlsaAuxMixer : public AuxMixer {
public:
    int DeviceCount() override;
    bool GetVolume(int device, uint32_t& volume) override;
    bool SetVolume(int device, uint32_t volume) override;
    std::vector<std::string> DeviceNames() override;  // the controls' names, "Master", "Line", ...
};

// Devices held in memory, for tests.
class FakeAuxMixer : public AuxMixer {
public:
    explicit FakeAuxMixer(std::vector<uint32_t> volumes = {}) : volumes(std::move(volumes)) {}
    int DeviceCount() override
    {
        ++countCalls;
        return static_cast<int>(volumes.size());
    }
    bool GetVolume(int device, uint32_t& volume) override;
    bool SetVolume(int device, uint32_t volume) override;

    std::vector<std::string> DeviceNames() override;

    std::vector<uint32_t> volumes;
    std::vector<std::string> names;  // where shorter than volumes, the base class's names
    bool readFails = false;
    int setCalls = 0;
    int countCalls = 0;
};

// A mixer control's raw value as a channel level of 0..0xFFFF, for a control
// whose raw range is min..max.
uint32_t MixerLevelOf(long raw, long min, long max);
// The raw value to set for a channel `level` (0..0xFFFF) on such a control,
// which holds `currentRaw` now. The nearest raw value, except that a change
// of level always moves the control at least one raw step its way: a control
// with a handful of steps (0..7, say) would otherwise round a volume step
// back to where it was, and the volume would never move.
long RawVolumeFor(uint32_t level, long currentRaw, long min, long max);

AuxMixer& CurrentAuxMixer();
std::unique_ptr<AuxMixer> SetAuxMixer(std::unique_ptr<AuxMixer> mixer);
