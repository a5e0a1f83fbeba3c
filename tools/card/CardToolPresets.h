#pragma once
// `tunzo-card presets export FILE` and `presets import FILE`: the station
// lists of the setup program, from a shell. No card is touched.

#include <ostream>
#include <string>
#include <vector>

bool IsPresetsCommand(const std::vector<std::string>& args);
// Exit code: 0 done (an import with nothing to change too), 1 a bad list,
// a file that cannot be read or written, or a store that cannot be read or
// written (nothing is written then), 2 bad arguments.
int RunPresetsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
