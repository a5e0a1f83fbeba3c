// pipit against the floor of a Qt program with one tray icon: the time to
// its icon shown and its loop running, and the peak memory then. pipit runs
// on the simulated card with a throwaway runtime folder and store, the store
// a user has after a while (the settings and all 100 presets), and takes the
// tray as present (TUNZO_ASSUME_TRAY), so that it starts without a desktop
// tray too.
//   tunzo-bench-pipit [--offscreen] [runs]

#include "StartupComparison.h"
#include "StoreWithPresets.h"

#include <cstdlib>

namespace {
constexpr double TimeGoal = 1.2;
constexpr double MemoryGoal = 1.1;
}  // namespace

int main(int argc, char** argv)
{
    return CompareStartUps(argc, argv,
                           {"start to tray icon shown", "empty Qt tray icon", "tunzo-bench-empty-tray", "pipit",
                            "tunzo-bench-pipit-tray", TimeGoal, MemoryGoal, [] {
                                WriteStoreWithPresets();
                                setenv("TUNZO_ASSUME_TRAY", "1", 1);
                            }});
}
