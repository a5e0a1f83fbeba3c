// Stereo: the pilot loop, what reaches each channel, and the fade to mono.

#include "FmMultiplex.h"
#include "SdrSignals.h"
#include "Stereo.h"

#include <gtest/gtest.h>

#include <random>

namespace {

constexpr double kMuxRate = 256000.0;
constexpr double kAudioRate = 48000.0;

TEST(PilotPll, LocksOnThePilotAndOnNothingElse)
{
    struct Row {
        const char* what;
        double pilotHz;  // 0: no pilot
        double toneHz;   // audio beside it
        float noise;
        bool locked;
    };
    const Row rows[] = {
        {"pilot", kPilotHz, 1000, 0.0f, true},
        {"pilot 4 Hz off, as a dongle's crystal makes it", kPilotHz + 4, 1000, 0.0f, true},
        {"pilot in noise", kPilotHz, 1000, 0.2f, true},
        {"audio only", 0, 1000, 0.0f, false},
        {"noise only", 0, 0, 0.2f, false},
        {"a tone at 18 kHz", 0, 18000, 0.0f, false},
    };
    std::mt19937 random(3);
    for (const Row& row : rows) {
        const size_t count = static_cast<size_t>(0.3 * kMuxRate);
        std::vector<float> mux = Sine(row.toneHz, kMuxRate, count, kAudioShare / 2);
        std::normal_distribution<float> noise(0.0f, std::max(row.noise, 1e-9f));
        for (size_t n = 0; n < count; ++n) {
            const double phase = 2.0 * std::numbers::pi * row.pilotHz * static_cast<double>(n) / kMuxRate;
            mux[n] += (row.pilotHz > 0 ? kPilotShare * static_cast<float>(std::sin(phase)) : 0.0f) + noise(random);
        }
        PilotPll pll(kMuxRate);
        std::vector<Complex> phasor(count);
        pll.process(mux, phasor);
        EXPECT_EQ(pll.locked(), row.locked) << row.what;
        if (!row.locked)
            continue;
        // Locked means in phase: the loop's sine is the pilot's.
        const double phase = 2.0 * std::numbers::pi * row.pilotHz * static_cast<double>(count - 1) / kMuxRate;
        EXPECT_NEAR(std::remainder(std::arg(phasor.back()) - phase, 2.0 * std::numbers::pi), 0.0, 0.1) << row.what;
    }
}

// Each channel's tone, from a station's IQ through the whole receiver, at
// the level it was sent with when both ends use the same de-emphasis.
TEST(StereoReceiver, PutsEachTonesOnItsOwnChannel)
{
    struct Row {
        BroadcastStation station;
        double leftHz;
        double rightHz;
        double deemphasis;
    };
    const Row rows[] = {
        {{94.2, true, "", ""}, 942, 1413, kDeemphasisEurope},
        {{103.3, true, "", ""}, 1033, 1549.5, kDeemphasisAmericas},
        {{88.4, false, "", ""}, 884, 884, kDeemphasisEurope},
    };
    for (const Row& row : rows) {
        FmReceiver receiver(TestReceiverSettings(row.deemphasis));
        Received out;
        Receive(receiver, StationIq(row.station, 1.0, kDefaultSnrDb, row.deemphasis), out);
        const std::span<const float> settled = std::span<const float>(out.audio).subspan(2 * 36000);
        const char* name = row.station.stereo ? "stereo" : "mono";
        EXPECT_EQ(receiver.state().stereo, row.station.stereo) << row.station.mhz;
        EXPECT_NEAR(Db(ToneAmplitude(settled, row.leftHz, kAudioRate, 0, 2)), Db(kToneLevel), 0.3) << name;
        EXPECT_NEAR(Db(ToneAmplitude(settled, row.rightHz, kAudioRate, 1, 2)), Db(kToneLevel), 0.3) << name;
        if (!row.station.stereo)
            continue;
        // What leaks across, against the tone's own level.
        EXPECT_LT(Db(ToneAmplitude(settled, row.rightHz, kAudioRate, 0, 2) / kToneLevel), -30) << row.station.mhz;
        EXPECT_LT(Db(ToneAmplitude(settled, row.leftHz, kAudioRate, 1, 2) / kToneLevel), -30) << row.station.mhz;
    }
}

// A weak stereo station fades to mono (both tones on both channels, the
// noise of L-R gone); a strong one plays stereo; the flag says which.
TEST(StereoReceiver, BlendsToMonoWhenTheSignalIsWeakOrThePilotIsMissing)
{
    struct Row {
        const char* what;
        BroadcastStation station;
        double snrDb;
        bool stereo;
    };
    const Row rows[] = {
        {"strong stereo", {94.2, true, "", ""}, 40, true},
        {"weak stereo", {94.2, true, "", ""}, 6, false},
        {"no pilot", {94.2, false, "", ""}, 40, false},
    };
    for (const Row& row : rows) {
        FmReceiver receiver(TestReceiverSettings());
        Received out;
        Receive(receiver, StationIq(row.station, 1.0, row.snrDb), out);
        EXPECT_EQ(receiver.state().stereo, row.stereo) << row.what;
        const std::span<const float> settled = std::span<const float>(out.audio).subspan(2 * 36000);
        const double rightInLeft = ToneAmplitude(settled, 1413, kAudioRate, 0, 2);
        const double rightInRight = ToneAmplitude(settled, 1413, kAudioRate, 1, 2);
        if (row.stereo) {
            EXPECT_LT(Db(rightInLeft / rightInRight), -30) << row.what;
        } else if (row.station.stereo) {
            EXPECT_NEAR(Db(rightInLeft / rightInRight), 0.0, 1.0) << row.what;
        }
    }
}

}  // namespace
