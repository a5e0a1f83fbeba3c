#include "SetupArguments.h"

#include "Registry.h"

namespace {

bool IsHelp(const std::string& a)
{
    return a == "--help" || a == "-h";
}

}  // namespace

SetupArguments ParseEarlySetupArguments(const std::vector<std::string>& arguments)
{
    SetupArguments parsed;
    for (const std::string& a : arguments) {
        parsed.help = parsed.help || IsHelp(a);
        parsed.version = parsed.version || a == "--version";
    }
    return parsed;
}

SetupArguments ParseSetupArguments(const std::vector<std::string>& arguments)
{
    SetupArguments parsed = ParseEarlySetupArguments(arguments);
    for (const std::string& a : arguments) {
        if (a == "--events")
            parsed.eventsPage = true;
        else if (!IsHelp(a) && a != "--version" && parsed.error.empty())
            parsed.error = "tunecfg: unknown option '" + a + "' (see tunecfg --help)";
    }
    return parsed;
}

std::string SetupHelpText()
{
    return "Usage: tunecfg [--events]\n"
           "Sets up Tunzo: the radio card and its port, tuning steps, start-up, display,\n"
           "volume, the program folder and the scheduled events. OK saves what you\n"
           "changed; Cancel saves nothing.\n"
           "\n"
           "Options:\n"
           "  --events     open on the scheduled events\n"
           "  -h, --help   show this text and end\n"
           "  --version    show the version and end\n"
           "\n"
           "Settings store: " +
           RegistryFilePath() +
           "\n"
           "  (TUNZO_REGISTRY=<file> chooses another one)\n"
           "Exit codes: 0 done (saved or cancelled), 1 the settings store could not be read,\n"
           "2 bad arguments.\n";
}
