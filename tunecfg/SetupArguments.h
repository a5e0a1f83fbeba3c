#pragma once
// tunecfg's own command-line options. They are read before the window system
// is opened, so that --help and --version work without a desktop.

#include <string>
#include <vector>

struct SetupArguments {
    bool help = false;
    bool version = false;
    bool eventsPage = false;  // open on the scheduled events
    std::string error;        // an option tunecfg does not know
};

// `arguments` without the program name. Qt's own options (-platform ...)
// are taken out by the application object before the rest reaches here.
SetupArguments ParseSetupArguments(const std::vector<std::string>& arguments);
// Only --help and --version, looked for before the application object exists.
SetupArguments ParseEarlySetupArguments(const std::vector<std::string>& arguments);

std::string SetupHelpText();

// Exit codes.
inline constexpr int SetupExitDone = 0;             // saved, or left with Cancel
inline constexpr int SetupExitStoreUnreadable = 1;  // the settings store could not be read
inline constexpr int SetupExitBadArguments = 2;
