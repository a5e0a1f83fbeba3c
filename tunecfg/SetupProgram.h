#pragma once
// tunecfg as a program: its options, reading the store, the window.

// Returns the exit code (SetupArguments.h).
int RunSetupProgram(int argc, char** argv);
