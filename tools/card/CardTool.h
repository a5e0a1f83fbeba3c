#pragma once
#include <ostream>
#include <string>
#include <vector>

// tunzo-card: drives the configured card from the command line through the
// same dispatch and gate as the front panel. Returns the exit code: 0 done,
// 1 no port access or an unreadable settings store, 2 bad arguments.
int RunCardTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                const std::string& programPath);

constexpr const char* CardToolUsage =
    "usage: tunzo-card [--adapter N] [--port ADDRESS] COMMAND\n"
    "  Without options the card of the settings store is driven, as the panel does.\n"
    "  --adapter N      1 Aims Labs RadioTrack (default), 2 Reveal RA300, 3 SF16-FMP,\n"
    "                   4 Aztech/Packard-Bell/Comp-Express, 5 GemTek, 6 RadioActive\n"
    "  --port ADDRESS   the card's I/O port, like 0x30c (with --adapter alone: that adapter's default)\n"
    "commands:\n"
    "  tune MHZ         tune to MHZ, like 100.0, and switch the sound on\n"
    "  mute, unmute     switch the sound off or on\n"
    "  up, down         one volume step\n"
    "  status           print: not tuned, tuned or tuned stereo\n"
    "  scan             step the band by 0.1 MHz and print each frequency with a station\n";
