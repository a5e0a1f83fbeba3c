#include "SdrBenchFeed.h"

#include "AdapterCatalogue.h"
#include "RadioDriver.h"
#include "ReceiverFeed.h"
#include "SdrReceiver.h"
#include "TunerSettings.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;

constexpr int kTunes = 6;
constexpr auto kGiveUp = std::chrono::seconds(15);
// Two named stations far enough apart that each tune is a change of station.
constexpr const char* kStations = "94.2s=TEN FM,103.3=JAZZ";
constexpr double kFirstMHz = 94.2;
constexpr double kSecondMHz = 103.3;

// A private runtime folder: the benchmark's dongle is not the user's.
std::string MakeRuntimeFolder()
{
    char pattern[] = "/tmp/tunzo-bench-sdr-XXXXXX";
    return mkdtemp(pattern) ? pattern : "";
}

struct NameWatch {
    std::mutex mutex;
    std::condition_variable arrived;
    std::string name;
};
}  // namespace

void TuneToNameThroughTheFeed(double snrDb, double goalSeconds)
{
    const std::string folder = MakeRuntimeFolder();
    if (folder.empty()) {
        std::printf("Tune to station name through the feed: no runtime folder could be made; left out\n");
        return;
    }
    setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    setenv("TUNZO_CARD", "simulated", 1);
    setenv("TUNZO_SIM_STATIONS", kStations, 1);
    setenv("TUNZO_SIM_SNR_DB", std::to_string(snrDb).c_str(), 1);
    AssignInitialValues(TunerSettings);
    SetBandLimits(TunerSettings);
    TunerSettings.Adapter = static_cast<int8_t>(SdrAdapter);

    NameWatch watch;
    FeedCallbacks callbacks;
    callbacks.rds = [&watch](uint32_t, const RdsState& state) {
        std::lock_guard lock(watch.mutex);
        watch.name = state.name;
        watch.arrived.notify_all();
    };
    std::vector<double> seconds;
    int missed = 0;
    StartSdrReading();  // as the panel does, before its feed
    std::string problem;
    if (!OpenSdrReceiver(problem) || !StartReceiverFeed({SdrAdapter, "", RdsStandard::Rds}, callbacks, problem)) {
        std::printf("Tune to station name through the feed: %s; left out\n", problem.c_str());
    } else {
        for (int tune = 0; tune < kTunes; ++tune) {
            const Clock::time_point start = Clock::now();
            RadioDriver::Tune(tune % 2 == 0 ? kFirstMHz : kSecondMHz);
            std::unique_lock lock(watch.mutex);
            if (watch.arrived.wait_until(lock, start + kGiveUp, [&] { return !watch.name.empty(); }))
                seconds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
            else
                ++missed;
        }
    }
    StopReceiverFeed();
    StopSdrReading();
    CloseSdrReceiver();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    if (seconds.empty()) {
        std::printf("Tune to station name through the feed, simulated dongle at %.0f dB: never shown in %d tunes\n",
                    snrDb, kTunes);
        return;
    }
    std::sort(seconds.begin(), seconds.end());
    const double worst = seconds.back();
    std::printf("Tune to station name through the feed, simulated dongle at %.0f dB: median %.2f s, worst %.2f s,"
                " %d of %d tunes never named   goal <= %.1f s  %s\n",
                snrDb, seconds[seconds.size() / 2], worst, missed, kTunes, goalSeconds,
                missed == 0 && worst <= goalSeconds ? "met" : "NOT MET");
}
