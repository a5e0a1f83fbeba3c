#pragma once
#include <string>

// $XDG_RUNTIME_DIR/tunzo, else /tmp/tunzo-<uid>; created with mode 0700 when
// missing. Holds the instance lock, the action sockets and the simulated card.
std::string RuntimeDirectory();
