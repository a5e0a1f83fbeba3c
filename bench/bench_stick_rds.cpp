// The simulated stick at its real pace, through the receiver's feed as the
// panel runs it: how long after a tune the station's name is handed to the
// window, against the air time at which the name's last segment had been
// received as the confidence rule asks (goal at most 1.1x, plus the time
// the window's event loop takes to show it). Clean RDS, and 10 % of the
// blocks uncorrectable.

#include "AdapterCatalogue.h"
#include "RadioDriver.h"
#include "RdsRule.h"
#include "ReceiverFeed.h"
#include "SimulatedRadioStick.h"
#include "TunerSettings.h"
#include "V4L2Radio.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>

namespace {
using Clock = std::chrono::steady_clock;
constexpr int Tunes = 10;
constexpr double Goal = 1.1;
constexpr double StreamSeconds = 10.0;
constexpr auto GiveUp = std::chrono::seconds(10);
const SimulatedStation Stations[] = {{88.4, true, "JAZZ", "Blue in Green"}, {103.3, true, "TEN FM", "News"}};

// Air time at which the rule lets the station's name be shown: the stick
// starts a station's blocks afresh at every tune, the same ones each time.
double RuleSeconds(const SimulatedStation& station, double errors)
{
    StickRdsStream stream;
    stream.Restart(station, station.mhz, 0, errors);
    std::vector<uint8_t> bytes(static_cast<size_t>(StreamSeconds * StickRdsBlocksPerSecond + 1) * kRdsRecordSize);
    bytes.resize(stream.Take(bytes.data(), bytes.size(), StreamSeconds));
    std::vector<RdsBlock> blocks;
    for (size_t at = 0; at + kRdsRecordSize <= bytes.size(); at += kRdsRecordSize)
        blocks.push_back(BlockFromRecord(RdsRecord{bytes[at], bytes[at + 1], bytes[at + 2]}));
    return static_cast<double>(BlockWhenRuleMet(blocks) + 1) / StickRdsBlocksPerSecond;
}

struct NameSeen {
    std::mutex mutex;
    std::condition_variable changed;
    std::string name;
};

void Report(const char* what, double errors, const std::string& folder)
{
    SimulatedRadioSticks::Options options;
    options.stations.assign(std::begin(Stations), std::end(Stations));
    options.stateDirectory = folder;
    options.rdsErrors = errors;
    SetV4L2Calls(std::make_unique<SimulatedRadioSticks>(options));
    NameSeen seen;
    FeedCallbacks callbacks;
    callbacks.rds = [&seen](uint32_t, const RdsState& state) {
        std::lock_guard lock(seen.mutex);
        seen.name = state.name;
        seen.changed.notify_all();
    };
    FeedSettings settings;
    settings.adapter = V4L2Adapter;
    std::string problem;
    if (!StartReceiverFeed(settings, std::move(callbacks), problem)) {
        std::printf("%s: the feed did not start: %s\n", what, problem.c_str());
        return;
    }
    double shownSum = 0;
    double ruleSum = 0;
    for (int tune = 0; tune < Tunes; ++tune) {
        const SimulatedStation& station = Stations[tune % std::size(Stations)];
        const Clock::time_point start = Clock::now();
        RadioDriver::Tune(station.mhz);
        std::unique_lock lock(seen.mutex);
        seen.changed.wait_until(lock, start + GiveUp, [&] { return seen.name == station.name; });
        shownSum += std::chrono::duration<double>(Clock::now() - start).count();
        ruleSum += RuleSeconds(station, errors);
    }
    StopReceiverFeed();
    SetV4L2Calls(nullptr);
    const double shown = shownSum / Tunes;
    const double rule = ruleSum / Tunes;
    std::printf("%-9s name handed on %.3f s after the tune, rule met at %.3f s of air time: %.2fx "
                "(goal <= %.1fx: %s)\n",
                what, shown, rule, shown / rule, Goal, shown / rule <= Goal ? "met" : "missed");
}
}  // namespace

int main()
{
    char pattern[] = "/tmp/tunzo-bench-stick-XXXXXX";
    if (!mkdtemp(pattern))
        return 1;
    AssignInitialValues(TunerSettings);
    SetBandLimits(TunerSettings);
    TunerSettings.Adapter = static_cast<int8_t>(V4L2Adapter);
    TunerSettings.RadioDevice = "/dev/radio0";
    std::printf("Simulated stick at its real pace, mean of %d tunes\n", Tunes);
    Report("clean", 0.0, pattern);
    Report("10 % bad", 0.10, pattern);
    std::filesystem::remove_all(pattern);
    return 0;
}
