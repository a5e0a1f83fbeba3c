#pragma once
#include <ostream>
#include <string>
#include <vector>

// tunzo-card: drives the configured card from the command line through the
// same dispatch and gate as the front panel. Returns the exit code: 0 done,
// 1 no port access, a serial line that cannot be opened, an unreadable
// settings store or a stored value no card can be driven with, 2 bad
// arguments.
// Arguments are judged before the store is read, so help and plainly wrong
// arguments answer at once even when the store is locked or damaged.
// `errIsTerminal`: `err` is a terminal, which alone is shown the scan's
// self-rewriting progress line.
int RunCardTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                const std::string& programPath, bool errIsTerminal = false);

// The help text; it lists the ports the tool may write.
std::string CardToolUsage();
