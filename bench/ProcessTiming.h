#pragma once
// Starting programs as fresh processes and timing them from the parent: the
// start-up and card-tool benchmarks measure whole processes, not calls.

#include <string>
#include <sys/types.h>
#include <vector>

// CLOCK_MONOTONIC in milliseconds; one clock for every process of the machine,
// so a child's report can be compared with the parent's start time.
double MonotonicMs();

// Runs `argv` with its standard output thrown away and waits for it: the
// milliseconds from fork to reaping. Ends the benchmark when it fails.
double RunToEndMs(const std::vector<std::string>& argv);

// The environment variable that names the report pipe's descriptor to the
// programs whose windows are timed (ReportWhenExposed.h).
inline constexpr const char* ReportFdVariable = "TUNZO_BENCH_REPORT_FD";

// What a child reported once its window was exposed: when, and its peak
// resident memory then.
struct ExposedSample {
    double ms = 0;  // from fork to exposed
    long peakKiB = 0;
};

// Starts `program` with the write end of a pipe named in the environment
// variable `reportFdVariable`, reads its "<monotonic ms> <VmHWM KiB>" line and
// reaps it. Gives up after `timeoutMs` without a report. Ends the benchmark
// when the program fails.
ExposedSample RunUntilExposed(const std::string& program, const char* reportFdVariable, int timeoutMs);

// Starts `argv` with its standard output and error thrown away and returns
// at once. Ends the benchmark when it cannot be started.
pid_t StartInBackground(const std::vector<std::string>& argv);

// The CPU time the process `pid` has used so far, all its threads, user and
// system: the scheduler's nanosecond count (/proc/<pid>/schedstat), or where
// the kernel keeps none, utime + stime of /proc/<pid>/stat in clock ticks.
// Ends the benchmark when the process has ended.
double CpuMs(pid_t pid);

// Sends SIGTERM and reaps the process.
void EndAndReap(pid_t pid);

double Median(std::vector<double> values);
long Median(std::vector<long> values);

// The folder of the running benchmark: its sibling programs are there.
std::string OwnFolder();

// A fresh folder for the programs under test to keep their store and runtime
// files in, named in TUNZO_REGISTRY and XDG_RUNTIME_DIR, with the simulated
// card selected. Ends the benchmark when it cannot be made.
std::string UseThrowawayStoreAndCard();
