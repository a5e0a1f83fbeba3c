// What the front panel costs while it only waits: its CPU time over a
// measuring window against two floors, with the clock shown against a Qt
// window whose label shows the time and is set again once a second, and with
// the clock hidden against a bare one-second Qt timer. The four run at once
// as separate processes, offscreen; each tunzo has a throwaway store, runtime
// folder and simulated card of its own, so neither hands over to the other.
//   tunzo-bench-idle [seconds]   (default 60)
// Start-up is left out: the window opens after every program has settled.

#include "ProcessTiming.h"
#include "Registry.h"
#include "SettingsStore.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace {

constexpr int DefaultWindowSeconds = 60;
// Long enough for every start-up, and for the panel's first ticks, to be over.
constexpr auto SettleTime = std::chrono::seconds(3);
// "No more than the floor".
constexpr double Goal = 1.0;

// Makes the store named in TUNZO_REGISTRY keep the clock hidden, as the
// menu item leaves it. This is the benchmark's one store connection.
void StoreClockHidden()
{
    TRegistry reg;
    reg.SetRootKey(RegistryRoot::LocalMachine);
    if (!reg.OpenKey(MainKey, true)) {
        std::fprintf(stderr, "benchmark: the store cannot be written\n");
        std::exit(1);
    }
    reg.WriteBool("Show clock", false);
    reg.CloseKey();
}

struct Measured {
    const char* name;
    pid_t pid;
    double startMs = 0;
    double cpuMs = 0;
};

const char* Verdict(double ratio)
{
    return ratio <= Goal ? "met" : "not met";
}

}  // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : DefaultWindowSeconds;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string folder = OwnFolder();

    const std::string shownDir = UseThrowawayStoreAndCard();
    Measured panelShown{"tunzo, clock shown", StartInBackground({folder + "/tunzo"})};
    Measured label{"clock label", StartInBackground({folder + "/tunzo-bench-clock-label"})};
    Measured timer{"bare timer", StartInBackground({folder + "/tunzo-bench-idle-timer"})};
    const std::string hiddenDir = UseThrowawayStoreAndCard();
    StoreClockHidden();
    Measured panelHidden{"tunzo, clock hidden", StartInBackground({folder + "/tunzo"})};

    Measured* all[] = {&panelShown, &label, &panelHidden, &timer};
    std::this_thread::sleep_for(SettleTime);
    for (Measured* m : all)
        m->startMs = CpuMs(m->pid);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    for (Measured* m : all)
        m->cpuMs = CpuMs(m->pid) - m->startMs;
    for (Measured* m : all)
        EndAndReap(m->pid);
    std::filesystem::remove_all(shownDir);
    std::filesystem::remove_all(hiddenDir);

    std::printf("CPU time over %d s while idle, offscreen, each a process of its own:\n", seconds);
    for (const Measured* m : all)
        std::printf("  %-20s %8.2f ms\n", m->name, m->cpuMs);
    const double shownRatio = panelShown.cpuMs / label.cpuMs;
    const double hiddenRatio = panelHidden.cpuMs / timer.cpuMs;
    std::printf("  clock shown:  tunzo / clock label %6.2fx (goal %.1fx, %s)\n", shownRatio, Goal,
                Verdict(shownRatio));
    std::printf("  clock hidden: tunzo / bare timer  %6.2fx (goal %.1fx, %s)\n", hiddenRatio, Goal,
                Verdict(hiddenRatio));
    return 0;
}
