// Which receivers are played, where volume steps land, and the recording's
// time as the title shows it.

#include "SoundPath.h"

#include "AdapterCatalogue.h"
#include "TunerSettings.h"

#include <gtest/gtest.h>

TEST(SoundPath, SamplesArePlayedForReceiversAndForACardOnlyWhenPlayedThrough)
{
    const struct {
        bool samples;
        bool lineIn;
        int adapter;
        bool playThrough;
        bool played;
    } rows[] = {
        {true, false, V4L2Adapter, false, true},   {true, false, SdrAdapter, false, true},
        {false, false, V4L2Adapter, true, false},  // a stick without a capture device
        {true, true, V4L2Adapter, false, false},   // a dsbr100 wired to "Audio input"
        {true, true, V4L2Adapter, true, true},
        {true, true, RadioTrackAdapter, false, false}, {true, true, RadioTrackAdapter, true, true},
        {false, false, AztechAdapter, true, false},  // "Play through" without "Audio input"
    };
    for (const auto& row : rows)
        EXPECT_EQ(PlaysSamples({false, row.samples, row.lineIn}, row.adapter, row.playThrough), row.played)
            << "adapter " << row.adapter << " samples " << row.samples << " play through " << row.playThrough;
}

TEST(SoundPath, VolumeIsAGainOnlyWhereNoControlChangesWhatIsCaptured)
{
    const struct {
        int adapter;
        int volumeControl;
        bool gain;
    } rows[] = {
        {V4L2Adapter, VolumeOnCard, false}, {V4L2Adapter, VolumeOnLineIn, false},  // the stick's own control
        {SdrAdapter, VolumeOnLineIn, false},                                       // the dongle's own gain
        {RadioTrackAdapter, VolumeOnCard, false},  // the card's volume reaches the line-in
        {RadioTrackAdapter, VolumeOnLineIn, true}, {SF16FMPAdapter, VolumeOnCard, true},
        {RadioActiveAdapter, VolumeOnCard, true},
    };
    for (const auto& row : rows)
        EXPECT_EQ(VolumeActsAsGain(row.adapter, row.volumeControl), row.gain) << "adapter " << row.adapter;

}

TEST(SoundPath, TheRecordingsTimeInMinutesThenHours)
{
    const struct {
        int64_t seconds;
        const char* text;
    } rows[] = {{0, "REC 00:00"}, {65, "REC 01:05"}, {3599, "REC 59:59"}, {3723, "REC 1:02:03"}, {-5, "REC 00:00"}};
    for (const auto& row : rows)
        EXPECT_EQ(RecordingElapsedText(row.seconds), row.text);
}
