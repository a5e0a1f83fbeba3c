// The companion's route to the cards: one sequence per call, RadioTrack below
// adapter 4, Aztech for 4, nothing for the serial card or any other; its
// volume steps of 15 on the line in, whatever sign "Volume control" has.

#include "AdapterCatalogue.h"
#include "AuxMixer.h"
#include "AuxVolume.h"
#include "Aztech.h"
#include "CompanionDriver.h"
#include "RadioFixture.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

namespace {

class CompanionDriverTest : public RadioTest {
protected:
    void SetUp() override
    {
        RadioTest::SetUp();
        auto owned = std::make_unique<FakeAuxMixer>(std::vector<uint32_t>{0x80008000});
        mixer = owned.get();
        SetAuxMixer(std::move(owned));
    }
    void TearDown() override
    {
        SetAuxMixer(nullptr);
        RadioTest::TearDown();
    }
    FakeAuxMixer* mixer = nullptr;
};

}  // namespace

TEST_F(CompanionDriverTest, OneCardStepPerCallAndNothingBeyondTheAztech)
{
    // Volume down is a single RadioTrack step here, where the panel sends two.
    RadioDriver::CompanionVolumeStep(CompanionVolumeDownStep);
    EXPECT_THAT(ports->TraceLines(), ElementsAreArray(Join({Outs(0x30C, {0x48}), {"sleep 20"}, Outs(0x30C, {0xC8})})));
    ports->Clear();
    RadioDriver::CompanionVolumeStep(CompanionVolumeUpStep);
    EXPECT_THAT(ports->TraceLines(), ElementsAreArray(Join({Outs(0x30C, {0x88}), {"sleep 20"}, Outs(0x30C, {0xC8})})));
    ports->Clear();
    RadioDriver::CompanionMute();
    EXPECT_FALSE(RadioDriver::SoundOn);
    EXPECT_THAT(ports->Writes(), ElementsAre(0x00, 0x00));
    ports->Clear();
    RadioDriver::CompanionUnmute();
    EXPECT_TRUE(RadioDriver::SoundOn);
    EXPECT_THAT(ports->Writes(), ElementsAre(0x00, 0xC8));

    // The Aztech's level moves one card step per call, in both directions.
    UseAdapter(AztechAdapter, 0x350);
    TunerSettings.CardVolume = 4;
    RadioDriver::CompanionVolumeStep(CompanionVolumeDownStep);
    EXPECT_EQ(TunerSettings.CardVolume, 1);
    RadioDriver::CompanionVolumeStep(CompanionVolumeUpStep);
    RadioDriver::CompanionVolumeStep(CompanionVolumeUpStep);
    EXPECT_EQ(TunerSettings.CardVolume, 5);

    for (int adapter : {SerialLineAdapter, RadioActiveAdapter}) {
        UseAdapter(adapter, 0x30C);
        ports->Clear();
        RadioDriver::CompanionMute();
        EXPECT_FALSE(RadioDriver::SoundOn);
        RadioDriver::CompanionUnmute();
        EXPECT_TRUE(RadioDriver::SoundOn);
        RadioDriver::CompanionVolumeStep(CompanionVolumeDownStep);
        EXPECT_THAT(ports->events, IsEmpty()) << "adapter " << adapter;
    }
    EXPECT_EQ(mixer->setCalls, 0);
}

TEST_F(CompanionDriverTest, LineInStepsOfFifteenForAnyVolumeControlButZero)
{
    for (int8_t control : {VolumeOnLineIn, int8_t{-1}}) {
        TunerSettings.VolumeControl = control;
        mixer->volumes = {0x80008000};  // attenuation 127
        RadioDriver::SoundOn = false;
        RadioDriver::CompanionVolumeStep(CompanionVolumeDownStep);
        EXPECT_EQ(mixer->volumes[0], 0x71007100u) << "control " << int{control};  // 142: level 113
        RadioDriver::CompanionVolumeStep(CompanionVolumeUpStep);
        EXPECT_EQ(mixer->volumes[0], 0x80008000u);
        EXPECT_FALSE(RadioDriver::SoundOn);  // the menu's steps leave it alone
    }
    EXPECT_THAT(ports->events, IsEmpty());
}
