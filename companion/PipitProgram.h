#pragma once
// The program entry of pipit: the single-instance rule shared with tunzo,
// the hand-over of a second start's words to whichever of the two runs, and
// the tray companion until it ends. A second start ends without a tray (and
// needs no display).

#include <functional>

class TFmHiddenForm;
class TrayShell;

// Runs pipit with its command line; answers the exit code. `whenRunning`
// runs once the start-up is done and the loop is about to run (test drivers
// and benchmarks); `shell` replaces the desktop's tray and must outlive the
// call.
int RunPipit(int argc, char** argv, const std::function<void(TFmHiddenForm&)>& whenRunning = {},
             TrayShell* shell = nullptr);
