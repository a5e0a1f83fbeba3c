#pragma once
// A program's start against the floor of a bare Qt program: the time from
// starting the process to its report (window exposed, or icon shown with the
// loop running) and the process's peak resident memory (VmHWM) then. Each
// runs as a fresh process, the two taking turns, several times, in one run;
// medians are printed beside the goals.
//   <benchmark> [--offscreen] [runs]
// With DISPLAY set (and no --offscreen) both run on that X server, as a user
// sees them; otherwise on Qt's offscreen platform.

#include <functional>
#include <string>

struct StartupComparison {
    const char* measured;      // "start to window exposed"
    const char* floorName;     // "empty Qt window"
    const char* floorProgram;  // a sibling program of the benchmark
    const char* name;          // "tunzo"
    const char* program;
    double timeGoal;
    double memoryGoal;
    // Runs once the throwaway store and runtime folder are in place.
    std::function<void()> prepare;
    // Optional: a third program, printed beside the two against the same
    // floor without a goal, to show how much of the gap is not the program's.
    const char* yardstickName = nullptr;
    const char* yardstickProgram = nullptr;
};

int CompareStartUps(int argc, char** argv, const StartupComparison& c);
