#include "StartupComparison.h"

#include "ProcessTiming.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace {

constexpr int DefaultRuns = 9;
// Far beyond any start-up; reached only when a program hangs.
constexpr int ReportTimeoutMs = 30000;

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
    std::printf("  %-18s %7.1f ms (%5.1f to %5.1f)  %7ld KiB peak\n", name, Median(r.ms), *fastest, *slowest,
                Median(r.peakKiB));
}

const char* Verdict(double ratio, double goal)
{
    return ratio <= goal ? "met" : "not met";
}

}  // namespace

int CompareStartUps(int argc, char** argv, const StartupComparison& c)
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
    if (c.prepare)
        c.prepare();

    const std::string folder = OwnFolder();
    const std::string floorProgram = folder + "/" + c.floorProgram;
    const std::string program = folder + "/" + c.program;
    const std::string yardstick = c.yardstickProgram ? folder + "/" + c.yardstickProgram : std::string();

    // One start of each first, not counted: it creates the store and the
    // card's state, as a user's earlier starts would have, and fills the page
    // cache for both alike.
    RunUntilExposed(floorProgram, ReportFdVariable, ReportTimeoutMs);
    RunUntilExposed(program, ReportFdVariable, ReportTimeoutMs);
    if (!yardstick.empty())
        RunUntilExposed(yardstick, ReportFdVariable, ReportTimeoutMs);

    Runs floor, measured, reference;
    for (int i = 0; i < runs; ++i) {
        floor.Add(RunUntilExposed(floorProgram, ReportFdVariable, ReportTimeoutMs));
        measured.Add(RunUntilExposed(program, ReportFdVariable, ReportTimeoutMs));
        if (!yardstick.empty())
            reference.Add(RunUntilExposed(yardstick, ReportFdVariable, ReportTimeoutMs));
    }
    std::filesystem::remove_all(dir);

    const double timeRatio = Median(measured.ms) / Median(floor.ms);
    const double memoryRatio =
        static_cast<double>(Median(measured.peakKiB)) / static_cast<double>(Median(floor.peakKiB));
    std::printf("%s, and peak resident memory (VmHWM) then:\n"
                "median of %d fresh processes each, on %s\n",
                c.measured, runs, platform.c_str());
    PrintRow(c.floorName, floor);
    if (!yardstick.empty())
        PrintRow(c.yardstickName, reference);
    PrintRow(c.name, measured);
    std::printf("  %s / empty: time %.2fx (goal %.1fx, %s), peak memory %.2fx (goal %.1fx, %s)\n", c.name,
                timeRatio, c.timeGoal, Verdict(timeRatio, c.timeGoal), memoryRatio, c.memoryGoal,
                Verdict(memoryRatio, c.memoryGoal));
    if (!yardstick.empty())
        std::printf("  %s / empty: time %.2fx, peak memory %.2fx (no goal: how much of the gap is Qt's own)\n",
                    c.yardstickName, Median(reference.ms) / Median(floor.ms),
                    static_cast<double>(Median(reference.peakKiB)) / static_cast<double>(Median(floor.peakKiB)));
    return 0;
}
