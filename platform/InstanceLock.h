#pragma once
// One running Tunzo program at a time (tunzo or pipit): an exclusive flock on
// <runtime>/Tunzo.lock, held for the life of the running instance. The kernel
// releases it when the process dies, so a crash never blocks the next start.

#include <string>

class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock() { Release(); }
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // True when this process now holds the lock; false when another one holds
    // it. A lock file that cannot be opened at all also answers true, so that
    // a broken runtime folder never stops the radio from starting.
    bool Acquire(const std::string& runtimeDirectory);
    // Lets the next start run as the instance (before handing over the card
    // to the companion program).
    void Release();
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// The lock's file under a runtime folder.
std::string InstanceLockPath(const std::string& runtimeDirectory);
