// Start-up of tunzo against the floor of an empty Qt Widgets window: the time
// from starting the process to its window exposed, and the process's peak
// resident memory (VmHWM) then. Each program runs as a fresh process, one
// after the other under the same display, several times; medians are printed
// beside the goals. tunzo runs on the simulated card (with its real delays),
// with a throwaway store and runtime folder.
//   tunzo-bench-startup [--offscreen] [runs]
// With DISPLAY set (and no --offscreen) both run on that X server, as a user
// sees them; otherwise on Qt's offscreen platform.
//
// tunzo itself has no way to say when its window is exposed, and watching
// from outside works on X only, so the panel run is tunzo-bench-panel-window:
// tunzo's main() with a report added, linked exactly like tunzo.

#include "ProcessTiming.h"

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
constexpr double TimeGoal = 1.5;
constexpr double MemoryGoal = 1.3;

struct Runs {
    std::vector<double> ms;
    std::vector<long> peakKiB;
    void Add(const ExposedSample& s)
    {
        ms.push_back(s.ms);
        peakKiB.push_back(s.peakKiB);
    }
};

// Returns the platform's description for the heading.
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
    std::printf("  %-16s %7.1f ms (%5.1f to %5.1f)  %7ld KiB peak\n", name, Median(r.ms), *fastest, *slowest,
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

    const std::string folder = OwnFolder();
    const std::string emptyWindow = folder + "/tunzo-bench-empty-window";
    const std::string panelWindow = folder + "/tunzo-bench-panel-window";

    // One start of each first, not counted: it creates the store and the
    // card's state, as a user's earlier starts would have, and fills the page
    // cache for both alike.
    RunUntilExposed(emptyWindow, ReportFdVariable, ReportTimeoutMs);
    RunUntilExposed(panelWindow, ReportFdVariable, ReportTimeoutMs);

    Runs empty, panel;
    for (int i = 0; i < runs; ++i) {
        empty.Add(RunUntilExposed(emptyWindow, ReportFdVariable, ReportTimeoutMs));
        panel.Add(RunUntilExposed(panelWindow, ReportFdVariable, ReportTimeoutMs));
    }
    std::filesystem::remove_all(dir);

    const double timeRatio = Median(panel.ms) / Median(empty.ms);
    const double memoryRatio = static_cast<double>(Median(panel.peakKiB)) / static_cast<double>(Median(empty.peakKiB));
    std::printf("start to window exposed, and peak resident memory (VmHWM) then:\n"
                "median of %d fresh processes each, on %s\n",
                runs, platform.c_str());
    PrintRow("empty Qt window", empty);
    PrintRow("tunzo", panel);
    std::printf("  tunzo / empty: time %.2fx (goal %.1fx, %s), peak memory %.2fx (goal %.1fx, %s)\n", timeRatio,
                TimeGoal, Verdict(timeRatio, TimeGoal), memoryRatio, MemoryGoal, Verdict(memoryRatio, MemoryGoal));
    return 0;
}
