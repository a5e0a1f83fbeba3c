#pragma once
// A pseudo-terminal pair stands in for a serial line and the device on its
// other end: the code under test opens `slavePath`, the test reads and writes
// `master`. Also the checks that a test leaves no thread and no descriptor
// behind.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

// What the GemTek expects on its line: the command frame, then the text.
// Built by hand here, apart from the radio's own code, so that a test
// compares against the protocol rather than against itself.
inline std::vector<uint8_t> Frame(uint8_t command, const std::string& text = "")
{
    std::vector<uint8_t> bytes = {0x1d, 0x23, command, 0x23};
    for (char c : text)  // one by one: GCC 12 misreads an insert of the range here
        bytes.push_back(static_cast<uint8_t>(c));
    return bytes;
}

class PseudoTerminal {
public:
    PseudoTerminal()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
            ADD_FAILURE() << "no pseudo-terminal";
        else
            slavePath = ptsname(master);
    }
    ~PseudoTerminal() { CloseMaster(); }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    void CloseMaster()
    {
        if (master >= 0)
            close(master);
        master = -1;
    }

    // The bytes that arrive on the master side until `count` have come or
    // `timeoutMs` has passed (a short result then).
    std::vector<uint8_t> Read(size_t count, int timeoutMs = 5000)
    {
        std::vector<uint8_t> got;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (got.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            // Looked at once even when the time is up: what is there is taken.
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(std::max<int64_t>(left.count(), 0))) <= 0)
                break;
            uint8_t buffer[4096];
            const ssize_t n = read(master, buffer, std::min(sizeof buffer, count - got.size()));
            if (n <= 0)
                break;
            got.insert(got.end(), buffer, buffer + n);
        }
        return got;
    }

    // Whatever is waiting on the master side now, without waiting for more.
    std::vector<uint8_t> ReadWaiting() { return Read(SIZE_MAX, 0); }

    int master = -1;
    std::string slavePath;
};

inline int CountEntries(const char* folder)
{
    int n = 0;
    if (DIR* d = opendir(folder)) {
        while (const dirent* e = readdir(d))
            n += e->d_name[0] != '.';
        closedir(d);
    }
    return n;
}

// The threads of this process but Qt's pooled ones: those the toolkit keeps
// for its own work (painting large images among it) and lets go of in its
// own time, so they say nothing about what the code under test left behind.
inline int ThreadCount()
{
    int n = 0;
    if (DIR* d = opendir("/proc/self/task")) {
        while (const dirent* e = readdir(d)) {
            if (e->d_name[0] == '.')
                continue;
            char name[32] = {};
            const std::string comm = std::string("/proc/self/task/") + e->d_name + "/comm";
            if (const int fd = open(comm.c_str(), O_RDONLY); fd >= 0) {
                (void)!read(fd, name, sizeof name - 1);
                close(fd);
            }
            n += std::string(name).rfind("Thread (pooled)", 0) != 0;
        }
        closedir(d);
    }
    return n;
}

inline int OpenDescriptorCount()
{
    return CountEntries("/proc/self/fd") - 1;  // the listing's own
}

// Waits until `done` holds or `timeoutMs` has passed, letting `step` run
// between the looks (an event loop's turn, say); answers `done`.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs,
                      const std::function<void()>& step = [] { std::this_thread::sleep_for(std::chrono::milliseconds(1)); })
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        step();
    }
    return true;
}

// Every test of a serial line ends with the threads it began with. Checked
// in the destructor, after the derived fixture's members (a component left
// open, say) are gone; a joined thread's entry may stay for a moment after
// its end, hence the wait.
class NoThreadLeftBehind : public ::testing::Test {
protected:
    NoThreadLeftBehind() : threadsBefore(ThreadCount()) {}
    ~NoThreadLeftBehind() override
    {
        EXPECT_TRUE(WaitUntil([this] { return ThreadCount() <= threadsBefore; }, 2000))
            << ThreadCount() - threadsBefore << " thread(s) still running after the test";
    }
    const int threadsBefore;
};
