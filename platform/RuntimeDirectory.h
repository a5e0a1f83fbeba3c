#pragma once
// The runtime folder holds the instance lock, the action sockets and the
// simulated card's registers: $XDG_RUNTIME_DIR/tunzo, else /tmp/tunzo-<uid>,
// created with mode 0700 when missing. Under /tmp another user may have made
// it first (or planted a symbolic link there), so it is used only when it is a
// real folder of ours, private to us; anything else is refused, never shared.
// Every process with the same environment picks the same folder, so two
// starts always find each other's lock.

#include <string>
#include <sys/types.h>

constexpr mode_t RuntimeFolderMode = 0700;
constexpr mode_t RuntimeFileMode = 0600;

struct RuntimeFolder {
    std::string path;     // the folder the environment names, usable or not
    std::string problem;  // empty when usable; else what is wrong and how to fix it
    bool usable() const { return problem.empty(); }
};

// Creates the folder when missing, checks it, and makes an own folder with
// a looser mode private again.
RuntimeFolder OpenRuntimeFolder();

// The usable folder's path; empty when there is none (OpenRuntimeFolder
// tells why).
std::string RuntimeDirectory();

// Opens a file in the runtime folder with `flags` (O_RDONLY or O_RDWR, with
// or without O_CREAT; created mode 0600), close-on-exec. Only a regular file
// of ours with a single name is accepted: never one reached through a
// symbolic link, and never a FIFO or device, whose open could block. Answers
// the descriptor, or -1 with the reason in `problem` (errno stays ENOENT for
// a missing file that was not to be created).
int OpenRuntimeFile(const std::string& path, int flags, std::string& problem);
