// Start-up of tunzo against the floor of an empty Qt Widgets window, the two
// under the same display: the time to the window exposed and the peak memory
// then. tunzo runs on the simulated card (with its real delays), with a
// throwaway store and runtime folder.
//   tunzo-bench-startup [--offscreen] [runs]
//
// A third row, a Qt window with the same kinds of controls and no logic,
// shows how much of the gap Qt itself takes.
//
// tunzo itself has no way to say when its window is exposed, and watching
// from outside works on X only, so the panel run is tunzo-bench-panel-window:
// tunzo's main() with a report added, linked exactly like tunzo.

#include "StartupComparison.h"

namespace {
constexpr double TimeGoal = 1.5;
constexpr double MemoryGoal = 1.3;
}  // namespace

int main(int argc, char** argv)
{
    return CompareStartUps(argc, argv,
                           {"start to window exposed", "empty Qt window", "tunzo-bench-empty-window", "tunzo",
                            "tunzo-bench-panel-window", TimeGoal, MemoryGoal, {}, "Qt panel, no logic",
                            "tunzo-bench-qt-panel"});
}
