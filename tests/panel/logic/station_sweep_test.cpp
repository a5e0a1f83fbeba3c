// "Find all stations": the sweep's decisions against a card given as a table
// of what it answers, on a virtual clock, and where the chosen stations go.

#include "StationSweep.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>

namespace {

// What the sweep asks for, carried out on a card made of functions; the
// clock advances only while the sweep listens.
struct FakeReceiver {
    std::function<TuneState(double)> status = [](double) { return NotTuned; };
    std::function<StationHeard(double, int64_t)> rds = [](double, int64_t) { return StationHeard{}; };
    std::vector<SeekResult> seeks;  // answered in order; then nothing found
    std::map<double, int64_t> listenedMs;
};

StationSweep RunSweep(const SweepPlan& plan, FakeReceiver& card)
{
    StationSweep sweep(plan);
    SweepAction action = sweep.Start();
    double tuned = 0.0;
    size_t seekIndex = 0;
    int64_t elapsed = 0;
    for (int guard = 0; guard < 100000 && action.request != SweepRequest::Finished; ++guard) {
        switch (action.request) {
        case SweepRequest::Tune:
            tuned = action.mhz;
            elapsed = 0;
            action = sweep.Tuned(card.status(tuned));
            break;
        case SweepRequest::Seek: {
            const SeekResult r = seekIndex < card.seeks.size() ? card.seeks[seekIndex++]
                                                               : SeekResult{SeekOutcome::NothingFound, 108.0, ""};
            tuned = r.mhz;
            elapsed = 0;
            action = sweep.Sought(r, card.status(tuned));
            break;
        }
        case SweepRequest::Listen:
            elapsed += 100;
            card.listenedMs[tuned] = elapsed;
            action = sweep.Listening(card.rds(tuned, elapsed), elapsed);
            break;
        case SweepRequest::Finished:
            break;
        }
    }
    EXPECT_EQ(action.request, SweepRequest::Finished);
    return sweep;
}

SweepPlan Stepping(bool listens)
{
    return {87.0, 108.0, 0.1, false, listens};
}

// A card that hears a station within `halfWidth` MHz of each of `stations`.
std::function<TuneState(double)> Hears(std::vector<std::pair<double, TuneState>> stations, double halfWidth)
{
    return [stations, halfWidth](double mhz) {
        for (const auto& [at, state] : stations)
            if (std::fabs(mhz - at) <= halfWidth + 1e-9)
                return state;
        return NotTuned;
    };
}

}  // namespace

TEST(StationSweep, SteppingFindsEachStationOnceAtTheMiddleOfItsRunEvenAtTheBandsEnds)
{
    const struct {
        std::vector<std::pair<double, TuneState>> stations;
        double halfWidth;
        std::vector<std::pair<double, bool>> found;  // MHz, stereo
    } rows[] = {
        {{{94.2, Tuned}}, 0.0, {{94.2, false}}},
        // Heard on three steps: one station, in the middle of them.
        {{{94.2, TunedStereo}, {103.3, Tuned}}, 0.1, {{94.2, true}, {103.3, false}}},
        // Stereo on any step of the run makes it stereo.
        {{{99.0, TunedStereo}, {99.1, Tuned}, {99.2, Tuned}}, 0.0, {{99.1, true}}},
        {{{87.0, Tuned}, {108.0, Tuned}}, 0.0, {{87.0, false}, {108.0, false}}},
        {{}, 0.0, {}},
    };
    for (const auto& r : rows) {
        FakeReceiver card;
        card.status = Hears(r.stations, r.halfWidth);
        const StationSweep sweep = RunSweep(Stepping(false), card);
        ASSERT_EQ(sweep.Found().size(), r.found.size());
        for (size_t i = 0; i < r.found.size(); ++i) {
            EXPECT_NEAR(sweep.Found()[i].mhz, r.found[i].first, 1e-9);
            EXPECT_EQ(sweep.Found()[i].stereo, r.found[i].second) << r.found[i].first;
        }
        EXPECT_EQ(sweep.Percent(), 100);
    }
}

TEST(StationSweep, ListeningTakesTheNameWhereItComesAndMovesOnSoonWhereNoneWill)
{
    FakeReceiver card;
    card.status = Hears({{88.4, TunedStereo}, {94.2, Tuned}, {103.3, Tuned}}, 0.1);
    // 88.4 names itself after 700 ms; 94.2 sends RDS but never its name;
    // 103.3 sends no RDS at all.
    card.rds = [](double mhz, int64_t ms) {
        if (std::fabs(mhz - 88.4) < 1e-6)
            return StationHeard{ms >= 300, ms >= 700 ? "JAZZ" : ""};
        if (std::fabs(mhz - 94.2) < 1e-6)
            return StationHeard{true, ""};
        return StationHeard{};
    };
    const StationSweep sweep = RunSweep(Stepping(true), card);
    ASSERT_EQ(sweep.Found().size(), 3u);
    EXPECT_EQ(sweep.Found()[0].name, "JAZZ");
    EXPECT_EQ(sweep.Found()[1].name, "");
    EXPECT_EQ(card.listenedMs[88.4], 700);
    EXPECT_EQ(card.listenedMs[94.2], NameWaitMs);
    EXPECT_EQ(card.listenedMs[103.3], PiWaitMs);
    // Listened to at the station's middle, not where its run began.
    EXPECT_EQ(card.listenedMs.count(88.3), 0u);
}

TEST(StationSweep, SeekingEndsWhereTheReceiverFindsNothingMoreWrapsOrFails)
{
    const SeekResult found88{SeekOutcome::Found, 88.4, ""};
    const SeekResult found94{SeekOutcome::Found, 94.2, ""};
    const struct {
        std::vector<SeekResult> seeks;
        size_t found;
        std::string problem;
    } rows[] = {
        {{found88, found94, {SeekOutcome::NothingFound, 108.0, ""}}, 2, ""},
        {{found88, found94, found88}, 2, ""},  // round the band to the first again
        {{found88, {SeekOutcome::Found, 109.5, ""}}, 1, ""},
        {{found88, {SeekOutcome::Failed, 0.0, "gone"}}, 1, "gone"},  // what it found stays
    };
    for (const auto& r : rows) {
        FakeReceiver card;
        card.seeks = r.seeks;
        card.status = [](double) { return Tuned; };
        const StationSweep sweep = RunSweep({87.0, 108.0, 0.1, true, false}, card);
        EXPECT_EQ(sweep.Found().size(), r.found);
        EXPECT_EQ(sweep.Problem(), r.problem);
    }
}

TEST(StationSweep, ChosenStationsGoInFrequencyOrderIntoEmptySlotsOrReplaceABank)
{
    std::array<PresetSlot, PresetCount> presets{};
    presets[0] = {94.2, "Kept", true};
    presets[2] = {99.0, "Also kept", false};
    presets[11] = {101.0, "Old", true};
    const std::vector<SweptStation> chosen = {{103.3, true, "TEN FM"}, {88.4, false, ""}};

    const SlotPlan empty = PlanPresetSlots(chosen, presets, {});
    ASSERT_EQ(empty.writes.size(), 2u);
    EXPECT_EQ(empty.writes[0].slot, 2);
    EXPECT_EQ(empty.writes[0].content.StationName, "Preset 2");  // no RDS name: what Write gives
    EXPECT_EQ(empty.writes[1].slot, 4);
    EXPECT_EQ(empty.writes[1].content.StationName, "TEN FM");
    EXPECT_TRUE(empty.writes[1].content.IncludeInScan);

    presets[14] = {106.0, "Replaced", true};
    const SlotPlan bank = PlanPresetSlots(chosen, presets, {true, 11});
    ASSERT_EQ(bank.writes.size(), 3u);
    EXPECT_EQ(bank.writes[0].slot, 11);
    EXPECT_EQ(bank.writes[1].slot, 12);
    EXPECT_EQ(bank.writes[1].content.Frequency, 103.3);
    // The rest of the bank is emptied where it held a station.
    EXPECT_EQ(bank.writes[2].slot, 15);
    EXPECT_EQ(bank.writes[2].content.Frequency, 0.0);

    // No room for all: the highest are left out, nothing is overwritten.
    for (PresetSlot& slot : presets)
        if (slot.Frequency == 0.0)
            slot = {90.0, "Full", true};
    presets[49] = {};
    const SlotPlan full = PlanPresetSlots(chosen, presets, {});
    ASSERT_EQ(full.writes.size(), 1u);
    EXPECT_EQ(full.writes[0].slot, 50);
    EXPECT_EQ(full.writes[0].content.Frequency, 88.4);
    ASSERT_EQ(full.leftOut.size(), 1u);
    EXPECT_EQ(full.leftOut[0].mhz, 103.3);
}

TEST(StationSweep, AWrittenSlotKeepsItsOwnNameElseTakesTheRdsNameElseAMadeUpOne)
{
    const struct {
        const char* stored;
        const char* rds;
        const char* name;
    } rows[] = {{"Mine", "TEN FM", "Mine"}, {"", "TEN FM", "TEN FM"}, {"", "", "Preset 7"}};
    for (const auto& r : rows)
        EXPECT_EQ(NameForWrittenSlot(r.stored, 7, r.rds), r.name);
}
