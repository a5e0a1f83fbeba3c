// The line-in volume step: its arithmetic on the 32-bit device volume, and
// what happens when the device is missing or cannot be read.

#include "AuxMixer.h"
#include "AuxVolume.h"
#include "TunerSettings.h"

#include <gtest/gtest.h>

TEST(AuxVolume, StepWorksOnTheLeftHighByteAndSetsBothChannels)
{
    struct Row {
        uint32_t current;
        int delta;
        uint32_t expected;
    };
    const Row rows[] = {
        {0x0000FFFF, -10, 0xFF00FF00},  // already full: stays full
        {0x00008000, +10, 0x76007600},  // 127 + 10 = 137 -> 118
        {0x000000FF, +10, 0x00000000},  // clamped at silence
        {0xC0004000, 0, 0x40004000},    // the balance is lost
        {0xFFFF0000, -300, 0xFF00FF00}, // right channel ignored; clamped at full
        {0x0000FF00, +255, 0x00000000},
    };
    for (const Row& row : rows)
        EXPECT_EQ(AuxSteppedVolume(row.current, row.delta), row.expected) << std::hex << row.current;
}

TEST(AuxVolume, StepsTheConfiguredDeviceAndReportsWhetherItTookTheValue)
{
    auto owned = std::make_unique<FakeAuxMixer>(std::vector<uint32_t>{0x0000FFFF, 0x00008000});
    FakeAuxMixer* mixer = owned.get();
    SetAuxMixer(std::move(owned));

    EXPECT_TRUE(EnumerateAuxDevices());
    EXPECT_EQ(AuxDeviceCount, 2);

    TunerSettings.AuxVolumeControl = 1;
    EXPECT_TRUE(AuxVolumeStep(+10));
    EXPECT_EQ(mixer->volumes[1], 0x76007600u);
    EXPECT_EQ(mixer->volumes[0], 0x0000FFFFu);

    TunerSettings.AuxVolumeControl = -1;  // names no device
    EXPECT_FALSE(AuxVolumeStep(+10));

    // A device that cannot be read is not set to a guessed volume.
    TunerSettings.AuxVolumeControl = 0;
    mixer->readFails = true;
    const int setsBefore = mixer->setCalls;
    EXPECT_FALSE(AuxVolumeStep(-10));
    EXPECT_EQ(mixer->setCalls, setsBefore);

    SetAuxMixer(std::make_unique<FakeAuxMixer>());
    EXPECT_FALSE(EnumerateAuxDevices());
    EXPECT_EQ(AuxDeviceCount, 0);
    SetAuxMixer(nullptr);
}

TEST(AuxVolume, AlsaWithoutASoundCardCountsNoDevicesAndFailsQuietly)
{
    // On a machine with a sound card this only checks that the calls agree.
    AlsaAuxMixer alsa;
    const int count = alsa.DeviceCount();
    EXPECT_GE(count, 0);
    uint32_t volume = 0;
    EXPECT_FALSE(alsa.GetVolume(count, volume));
    EXPECT_FALSE(alsa.SetVolume(count, 0));
}

namespace {
// A control of eight raw steps, like many a sound card's line input, turned
// into levels and back by the same arithmetic as the ALSA mixer.
class CoarseMixer : public AuxMixer {
public:
    static constexpr long RawMax = 7;
    long raw = RawMax;
    int DeviceCount() override { return 1; }
    bool GetVolume(int, uint32_t& volume) override
    {
        const uint32_t level = MixerLevelOf(raw, 0, RawMax);
        volume = level | (level << 16);
        return true;
    }
    bool SetVolume(int, uint32_t volume) override
    {
        raw = RawVolumeFor(volume, raw, 0, RawMax);
        return true;
    }
};
}  // namespace

TEST(AuxVolume, EveryStepMovesAControlWithFewRawStepsByAtLeastOne)
{
    auto owned = std::make_unique<CoarseMixer>();
    CoarseMixer* mixer = owned.get();
    SetAuxMixer(std::move(owned));
    TunerSettings.AuxVolumeControl = 0;

    for (long expected = CoarseMixer::RawMax - 1; expected >= 0; --expected) {
        ASSERT_TRUE(AuxVolumeStep(+10));  // quieter
        EXPECT_EQ(mixer->raw, expected);
    }
    AuxVolumeStep(+10);
    EXPECT_EQ(mixer->raw, 0) << "silence stays silence";
    for (long expected = 1; expected <= CoarseMixer::RawMax; ++expected) {
        ASSERT_TRUE(AuxVolumeStep(-10));  // louder
        EXPECT_EQ(mixer->raw, expected);
    }
    // A fine control still takes the nearest value, not one step more.
    EXPECT_EQ(RawVolumeFor(0x8000, 0, 0, 0xFFFF), 0x8000);
    EXPECT_EQ(RawVolumeFor(0x7F00, 0xFFFF, 0, 0xFFFF), 0x7F00);
    SetAuxMixer(nullptr);
}
