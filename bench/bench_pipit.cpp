// pipit against the floor of a Qt program with one tray icon: the time from
// starting the process to its icon shown and its loop running, and the
// process's peak resident memory (VmHWM) then. Each program runs as a fresh
// process, one after the other, several times, in one run of this program;
// medians are printed beside the goals. pipit runs on the simulated card with
// a throwaway runtime folder and store, the store a user has after a while
// (the settings and all 100 presets), and takes the tray as present
// (TUNZO_ASSUME_TRAY), so that it starts without a desktop tray too.
//   tunzo-bench-pipit [--offscreen] [runs]

#include "ProcessTiming.h"
#include "StoreWithPresets.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int DefaultRuns = 9;
// Far beyond any start-up; reached only when a program hangs.
constexpr int ReportTimeoutMs = 30000;
constexpr double TimeGoal = 1.2;
constexpr double MemoryGoal = 1.1;

struct Runs {
    std::vector<double> ms;
    std::vector<long> peakKiB;
    void Add(const ExposedSample& s)
    {
        ms.push_back(s.ms);
        peakKiB.push_back(s.peakKiB);
    }
};

std::string ChoosePlatform(bool offscreen)
{
    const char* display = std::getenv("DISPLAY");
    if (offscreen || !display || !*display) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return "offscreen";
    }
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    return std::string("X display ") + display;
}

void PrintRow(const char* name, const Runs& r)
{
    const auto [fastest, slowest] = std::minmax_element(r.ms.begin(), r.ms.end());
    std::printf("  %-18s %7.1f ms (%5.1f to %5.1f)  %7ld KiB peak\n", name, Median(r.ms), *fastest, *slowest,
                Median(r.peakKiB));
}

const char* Verdict(double ratio, double goal)
{
    return ratio <= goal ? "met" : "not met";
}

}  // namespace

int main(int argc, char** argv)
{
    bool offscreen = false;
    int runs = DefaultRuns;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--offscreen") == 0)
            offscreen = true;
        else
            runs = std::max(1, std::atoi(argv[i]));
    }
    const std::string platform = ChoosePlatform(offscreen);
    const std::string dir = UseThrowawayStoreAndCard();
    WriteStoreWithPresets();
    setenv("TUNZO_ASSUME_TRAY", "1", 1);

    const std::string folder = OwnFolder();
    const std::string emptyTray = folder + "/tunzo-bench-empty-tray";
    const std::string pipitTray = folder + "/tunzo-bench-pipit-tray";

    // One start of each first, not counted: it creates the card's state and
    // fills the page cache for both alike.
    RunUntilExposed(emptyTray, ReportFdVariable, ReportTimeoutMs);
    RunUntilExposed(pipitTray, ReportFdVariable, ReportTimeoutMs);

    Runs empty, pipit;
    for (int i = 0; i < runs; ++i) {
        empty.Add(RunUntilExposed(emptyTray, ReportFdVariable, ReportTimeoutMs));
        pipit.Add(RunUntilExposed(pipitTray, ReportFdVariable, ReportTimeoutMs));
    }
    std::filesystem::remove_all(dir);

    const double timeRatio = Median(pipit.ms) / Median(empty.ms);
    const double memoryRatio = static_cast<double>(Median(pipit.peakKiB)) / static_cast<double>(Median(empty.peakKiB));
    std::printf("start to tray icon shown, and peak resident memory (VmHWM) then:\n"
                "median of %d fresh processes each, on %s\n",
                runs, platform.c_str());
    PrintRow("empty Qt tray icon", empty);
    PrintRow("pipit", pipit);
    std::printf("  pipit / empty: time %.2fx (goal %.1fx, %s), peak memory %.2fx (goal %.1fx, %s)\n", timeRatio,
                TimeGoal, Verdict(timeRatio, TimeGoal), memoryRatio, MemoryGoal, Verdict(memoryRatio, MemoryGoal));
    return 0;
}
