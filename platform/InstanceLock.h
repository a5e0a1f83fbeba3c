#pragma once
// One running Tunzo program at a time (tunzo or pipit): an exclusive flock on
// <runtime>/Tunzo.lock, held for the life of the running instance. The kernel
// releases it when the process dies, so a crash never blocks the next start.

#include <string>

class InstanceLock {
public:
    enum class Outcome {
        Acquired,       // this process is the instance now
        HeldByAnother,  // another process is the instance: hand the words over to it
        Unavailable,    // no lock to be had (problem() says why): nobody may run as the instance
    };

    InstanceLock() = default;
    ~InstanceLock() { Release(); }
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // `runtimeDirectory` is a folder that OpenRuntimeFolder found usable.
    Outcome Acquire(const std::string& runtimeDirectory);
    // Lets the next start run as the instance (before handing over the card
    // to the companion program).
    void Release();
    bool held() const { return fd_ >= 0; }
    // Why the last Acquire answered Unavailable.
    const std::string& problem() const { return problem_; }

private:
    int fd_ = -1;
    std::string problem_;
};

// The lock's file under a runtime folder.
std::string InstanceLockPath(const std::string& runtimeDirectory);
