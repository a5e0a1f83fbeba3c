// What starting tunzo-card costs, as a script calling it sees it: the wall
// time of the whole process, from fork to its end, median of many runs.
// `--help` reads no store and touches no card, so it is held against the
// floor of a C++ program printing a line (and /bin/true beside it). A
// status on the RadioActive, which has no protocol and sends nothing, shows
// the cost of reading the store, here one with 100 presets.
//   tunzo-bench-cardtool [runs]

#include "ProcessTiming.h"
#include "StoreWithPresets.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int DefaultRuns = 31;
constexpr int RadioActiveAdapter = 6;

// Median wall time of each command; the commands take turns, so that a
// machine busy for a while slows them all alike.
std::vector<double> MedianRunMs(const std::vector<std::vector<std::string>>& commands, int runs)
{
    std::vector<std::vector<double>> ms(commands.size());
    for (const auto& argv : commands)
        RunToEndMs(argv);  // not counted: fills the page cache
    for (int i = 0; i < runs; ++i)
        for (size_t c = 0; c < commands.size(); ++c)
            ms[c].push_back(RunToEndMs(commands[c]));
    std::vector<double> medians;
    for (const auto& samples : ms)
        medians.push_back(Median(samples));
    return medians;
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : DefaultRuns;
    const std::string dir = UseThrowawayStoreAndCard();
    WriteStoreWithPresets();

    const std::string folder = OwnFolder();
    const std::string tool = folder + "/tunzo-card";
    const std::vector<double> ms = MedianRunMs({{tool, "--help"},
                                                {folder + "/tunzo-bench-empty-program"},
                                                {"/bin/true"},
                                                {tool, "--adapter", std::to_string(RadioActiveAdapter), "status"}},
                                               runs);
    const double help = ms[0], empty = ms[1], trueMs = ms[2], status = ms[3];
    std::filesystem::remove_all(dir);

    std::printf("whole-process wall time, median of %d runs\n", runs);
    std::printf("  tunzo-card --help                %6.2f ms\n", help);
    std::printf("  empty C++ program printing       %6.2f ms\n", empty);
    std::printf("  /bin/true                        %6.2f ms\n", trueMs);
    std::printf("  tunzo-card --adapter 6 status    %6.2f ms  (reads the store, 100 presets in it; sends nothing)\n",
                status);
    std::printf("  --help / empty C++ program       %6.2fx\n", help / empty);
    return 0;
}
