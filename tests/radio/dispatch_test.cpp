// The dispatch: which protocol each adapter reaches, the volume paths, the
// order of the indicator refresh and SoundOn, and the gate.

#include "AdapterCatalogue.h"
#include "AuxMixer.h"
#include "AuxVolume.h"
#include "Aztech.h"
#include "RadioFixture.h"
#include "SerialRadio.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

namespace {

struct FakeSerialLink : SerialRadioLink {
    void Tune(double mhz) override { sent.push_back("tune " + std::to_string(mhz)); }
    void SoundOn() override { sent.push_back("on"); }
    void SoundOff() override { sent.push_back("off"); }
    std::vector<std::string> sent;
};

class DispatchTest : public RadioTest {
protected:
    void SetUp() override
    {
        RadioTest::SetUp();
        auto owned = std::make_unique<FakeAuxMixer>(std::vector<uint32_t>{0x80008000});
        mixer = owned.get();
        SetAuxMixer(std::move(owned));
        SetSerialRadioLink(&serial);
        RadioDriver::RefreshMuteIndicator = [this] { refreshes.push_back(RadioDriver::SoundOn); };
    }
    void TearDown() override
    {
        SetSerialRadioLink(nullptr);
        SetAuxMixer(nullptr);
        RadioTest::TearDown();
    }

    FakeAuxMixer* mixer = nullptr;
    FakeSerialLink serial;
    std::vector<bool> refreshes;  // SoundOn as each refresh saw it
};

}  // namespace

TEST(AdapterCatalogueTest, EightRowsForTheFrontPanelFiveForTheCompanion)
{
    ASSERT_EQ(AdapterCatalogue.size(), 8u);
    EXPECT_EQ(AdapterCatalogue[0].name, "Aims Labs RadioTrack");
    EXPECT_EQ(AdapterCatalogue[0].defaultPort().value, 0x30C);
    EXPECT_EQ(AdapterCatalogue[0].defaultPort().label, "30h (Default)");
    EXPECT_EQ(AdapterCatalogue[2].defaultChoice, 2);  // SF16-FMP defaults to its second choice
    EXPECT_EQ(AdapterCatalogue[2].defaultPort().value, 0x284);
    EXPECT_EQ(AdapterCatalogue[3].choice(2).label, "358h (Alternative)");
    EXPECT_EQ(AdapterCatalogue[4].name, "GemTek");
    EXPECT_EQ(AdapterCatalogue[4].choice(2).value, 2);
    EXPECT_EQ(AdapterCatalogue[5].choiceCount, 3);
    EXPECT_EQ(AdapterCatalogue[5].choice(3).value, 0x350);
    EXPECT_EQ(AdapterRow(V4L2Adapter)->name, "V4L2 radio device");
    EXPECT_EQ(AdapterRow(V4L2Adapter)->choiceCount, 0);  // named by "Radio device", never a port
    EXPECT_EQ(AdapterRow(SdrAdapter)->name, "RTL-SDR receiver");
    EXPECT_EQ(AdapterRow(SdrAdapter)->choiceCount, 0);  // named by "SDR device", never a port

    const auto companion = CompanionAdapterCatalogue();
    ASSERT_EQ(companion.size(), 5u);
    EXPECT_EQ(companion.back().name, "GemTek");
    EXPECT_EQ(AdapterRow(6, companion), nullptr);
    EXPECT_EQ(AdapterRow(0), nullptr);
    EXPECT_EQ(AdapterRow(6)->name, "RadioActive");
}

TEST_F(DispatchTest, EachAdapterReachesItsProtocolOrNothing)
{
    struct Row {
        int adapter;
        uint16_t port;
        size_t tuneWrites;
    };
    // RadioTrack 98 writes, Aztech 51, serial and the rest none on a port.
    for (Row row : {Row{1, 0x30C, 98}, Row{2, 0x30C, 98}, Row{3, 0x284, 98}, Row{4, 0x350, 51}, Row{5, 0x30C, 0},
                    Row{6, 0x316, 0}, Row{7, 0x30C, 0}, Row{0, 0x30C, 0}}) {
        UseAdapter(row.adapter, row.port);
        ports->Clear();
        RadioDriver::SoundOn = false;
        RadioDriver::Tune(99.0);
        EXPECT_EQ(ports->Writes().size(), row.tuneWrites) << row.adapter;
        EXPECT_TRUE(RadioDriver::SoundOn) << row.adapter;
        EXPECT_EQ(TunerSettings.CurrentFrequency, 99.0);

        ports->Clear();
        const TuneState state = RadioDriver::TunedStatus();
        EXPECT_EQ(state, NotTuned) << row.adapter;  // the empty bus answers 0xFF
        EXPECT_EQ(ports->events.empty(), row.tuneWrites == 0) << row.adapter;
    }
    EXPECT_THAT(serial.sent, ElementsAre("tune 99.000000"));
}

TEST_F(DispatchTest, TuneRoundsFirstAndSendsWhatWaitingCommandsLeft)
{
    RadioDriver::Tune(87.49999);
    EXPECT_EQ(TunerSettings.CurrentFrequency, 87.5);

    // A click queued meanwhile tunes elsewhere before this tune reaches the
    // card; this tune then sends that frequency again.
    ports->Clear();
    size_t writesWhenMessagesRan = 99;
    RadioDriver::ProcessMessages = [&] {
        writesWhenMessagesRan = ports->Writes().size();
        RadioDriver::ProcessMessages = nullptr;
        RadioDriver::Tune(101.7);
    };
    RadioDriver::Tune(95.0);
    EXPECT_EQ(writesWhenMessagesRan, 0u);
    EXPECT_EQ(TunerSettings.CurrentFrequency, 101.7);
    const std::vector<uint8_t> writes = ports->Writes();
    ASSERT_EQ(writes.size(), 2 * 98u);
    EXPECT_TRUE(std::equal(writes.begin(), writes.begin() + 98, writes.begin() + 98));
    EXPECT_EQ(refreshes.size(), 3u);  // 87.5, and the nested and outer tunes
}

TEST_F(DispatchTest, MuteLeavesTheIndicatorToItsCallersUnmuteRefreshesIt)
{
    RadioDriver::Mute();
    EXPECT_FALSE(RadioDriver::SoundOn);
    EXPECT_THAT(refreshes, IsEmpty());
    RadioDriver::Unmute();
    EXPECT_TRUE(RadioDriver::SoundOn);
    EXPECT_THAT(refreshes, ElementsAre(true));
    EXPECT_THAT(ports->Writes(), ElementsAreArray(std::vector<uint8_t>{0x00, 0x00, 0x00, 0xC8}));
}

TEST_F(DispatchTest, CardVolumeDownStepsTwiceUpOnce)
{
    RadioDriver::VolumeDown();
    EXPECT_THAT(ports->TraceLines(), ElementsAreArray(Join({Outs(0x30C, {0x48}), {"sleep 20"}, Outs(0x30C, {0xC8, 0x48}),
                                                            {"sleep 20"}, Outs(0x30C, {0xC8})})));
    ports->Clear();
    RadioDriver::VolumeUp();
    EXPECT_THAT(ports->TraceLines(), ElementsAreArray(Join({Outs(0x30C, {0x88}), {"sleep 20"}, Outs(0x30C, {0xC8})})));

    // Aztech: one user step down from 5 is two card steps, to 1; up from 0 is one.
    UseAdapter(4, 0x350);
    TunerSettings.CardVolume = 5;
    RadioDriver::VolumeDown();
    EXPECT_EQ(TunerSettings.CardVolume, 1);
    TunerSettings.CardVolume = 0;
    RadioDriver::VolumeUp();
    EXPECT_EQ(TunerSettings.CardVolume, 1);
    EXPECT_EQ(mixer->setCalls, 0);
}

TEST_F(DispatchTest, VolumeDownFromMuteRefreshesBeforeSoundComesOn)
{
    RadioDriver::Mute();
    RadioDriver::VolumeDown();
    EXPECT_THAT(refreshes, ElementsAre(false));  // the indicator still shows muted
    EXPECT_TRUE(RadioDriver::SoundOn);
    RadioDriver::Mute();
    RadioDriver::VolumeUp();
    EXPECT_THAT(refreshes, ElementsAre(false, true));
}

TEST_F(DispatchTest, LineInPathStepsTheMixerAndNotTheCard)
{
    TunerSettings.VolumeControl = 5;
    TunerSettings.AuxVolumeControl = 0;
    RadioDriver::VolumeUp();  // attenuation 127 - 10
    EXPECT_EQ(mixer->volumes[0], 0x8A008A00u);
    RadioDriver::VolumeDown();  // and back, + 10
    EXPECT_EQ(mixer->volumes[0], 0x80008000u);
    EXPECT_THAT(ports->events, IsEmpty());
    EXPECT_THAT(refreshes, ElementsAre(true, true));
}

TEST_F(DispatchTest, SerialAdapterVolumeUpIsSoundOnEvenOnTheLineInPath)
{
    UseAdapter(5, 0x30C);
    TunerSettings.VolumeControl = 5;
    RadioDriver::Mute();
    RadioDriver::VolumeUp();
    EXPECT_THAT(serial.sent, ElementsAre("off", "on"));
    EXPECT_EQ(mixer->setCalls, 0);
    EXPECT_TRUE(RadioDriver::SoundOn);
    RadioDriver::VolumeDown();  // the line-in path holds for the serial card too
    EXPECT_EQ(mixer->setCalls, 1);
    EXPECT_THAT(serial.sent, ElementsAre("off", "on"));
    EXPECT_THAT(ports->events, IsEmpty());
}

TEST_F(DispatchTest, AdapterBelowOneGetsRadioTrackOnlyWhereTheDispatchSaysBelowFour)
{
    UseAdapter(0, 0x30C);
    RadioDriver::Mute();
    EXPECT_THAT(ports->events, IsEmpty());
    RadioDriver::Unmute();
    EXPECT_THAT(ports->Writes(), ElementsAreArray(std::vector<uint8_t>{0x00, 0xC8}));
    ports->Clear();
    RadioDriver::VolumeDown();  // the second step only
    EXPECT_THAT(ports->Writes(), ElementsAreArray(std::vector<uint8_t>{0x48, 0xC8}));
}

TEST_F(DispatchTest, CompanionTuneWrapsAtTheBandEndsAndRefreshesNothing)
{
    RadioDriver::SoundOn = false;
    RadioDriver::CompanionTune(108.1);  // above the top: to the bottom
    EXPECT_EQ(TunerSettings.CurrentFrequency, 87.0);
    EXPECT_TRUE(RadioDriver::SoundOn);
    RadioDriver::CompanionTune(86.9);  // below the bottom: to the top
    EXPECT_EQ(TunerSettings.CurrentFrequency, 108.0);
    RadioDriver::CompanionTune(88.0125);
    EXPECT_EQ(TunerSettings.CurrentFrequency, 88.013);
    EXPECT_EQ(ports->Writes().size(), 3 * 98u);
    EXPECT_THAT(refreshes, IsEmpty());

    // Aztech with the companion's pacing; serial and RadioActive get nothing.
    UseAdapter(4, 0x350);
    AztechPrimitiveDelayMs = 5;
    ports->Clear();
    RadioDriver::CompanionTune(100.0);
    AztechPrimitiveDelayMs = 0;
    EXPECT_EQ(ports->Writes().size(), 51u);
    EXPECT_EQ(ports->virtualMs, 130);
    for (int adapter : {5, 6}) {
        UseAdapter(adapter, 0x30C);
        ports->Clear();
        RadioDriver::CompanionTune(100.0);
        EXPECT_THAT(ports->events, IsEmpty());
    }
    EXPECT_THAT(serial.sent, IsEmpty());
}

TEST_F(DispatchTest, NoPortInstructionAfterAFailedGate)
{
    ClosePortAccess();
    ports->grantAccess = false;
    EXPECT_FALSE(OpenPortAccess());
    EXPECT_THAT(ports->accessRequests, ElementsAre(0x30C, 0x30C));

    RadioDriver::Tune(100.0);
    RadioDriver::Mute();
    RadioDriver::Unmute();
    RadioDriver::VolumeUp();
    RadioDriver::VolumeDown();
    EXPECT_EQ(RadioDriver::TunedStatus(), NotTuned);
    for (const PortEvent& e : ports->events)
        EXPECT_EQ(e.kind, PortEvent::Sleep) << FormatPortEvent(e);
    EXPECT_EQ(TunerSettings.CurrentFrequency, 100.0);
}

TEST_F(DispatchTest, GateOpensThePortOfTheSettingsAndLaterPortsOnFirstUse)
{
    EXPECT_THAT(ports->accessRequests, ElementsAre(0x30C));
    RadioDriver::Unmute();
    EXPECT_THAT(ports->accessRequests, ElementsAre(0x30C));
    TunerSettings.CardPort = 0x20C;  // the settings tool moved the card
    RadioDriver::Unmute();
    RadioDriver::Unmute();
    EXPECT_THAT(ports->accessRequests, ElementsAre(0x30C, 0x20C));
    EXPECT_THAT(ports->TraceLines(), ElementsAreArray(Join({Outs(0x30C, {0x00, 0xC8}), Outs(0x20C, {0x00, 0xC8, 0x00, 0xC8})})));
}

TEST_F(DispatchTest, PortsOutsideTheCatalogueAreNeverAskedForNorWritten)
{
    // A program given port access must not become a way to write, say, the
    // chipset's reset register, whatever the user's own store holds.
    for (uint16_t foreign : {uint16_t{0xCF9}, uint16_t{0x80}, uint16_t{0x30D}, uint16_t{0xFFFF}}) {
        SCOPED_TRACE(foreign);
        ClosePortAccess();
        ports->Clear();
        ports->accessRequests.clear();
        TunerSettings.CardPort = foreign;
        EXPECT_FALSE(OpenPortAccess());
        EXPECT_NE(PortAccessDeniedMessage(foreign, "tunzo").find("0x30c"), std::string::npos);

        // Nor after a gate that passed on a card's port.
        TunerSettings.CardPort = 0x350;
        ASSERT_TRUE(OpenPortAccess());
        TunerSettings.CardPort = foreign;
        RadioDriver::Tune(100.0);
        RadioDriver::Mute();
        RadioDriver::VolumeUp();
        EXPECT_EQ(RadioDriver::TunedStatus(), NotTuned);
        EXPECT_THAT(ports->accessRequests, ElementsAre(0x350));
        for (const PortEvent& e : ports->events)
            EXPECT_EQ(e.kind, PortEvent::Sleep) << FormatPortEvent(e);
    }
}

TEST(OperatingSystem, IsTheKernelsName)
{
    EXPECT_EQ(OperatingSystemName(), "Linux");
}
