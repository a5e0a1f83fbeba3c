#pragma once
// The program entry of tunzo: the single-instance rule, the hand-over of a
// second start's words to the running program, and the running panel until
// it ends. A second start ends without a window (and needs no display).

#include <functional>

class TMainForm;

// Runs tunzo with its command line; answers the exit code: 0, except when
// no instance lock is to be had (the start then says why and runs nothing).
// `whenShown` runs once the window is on screen; test drivers and benchmarks
// use it to reach the running panel, the program itself passes nothing.
int RunTunzo(int argc, char** argv, const std::function<void(TMainForm&)>& whenShown = {});
