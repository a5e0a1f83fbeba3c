#pragma once
#include "PortBackend.h"

#include <set>

// The real ISA ports. On x86 the process asks the kernel for the port with
// ioperm (root or CAP_SYS_RAWIO); elsewhere it goes through /dev/port. Until
// access to a port has been granted, nothing is issued on it: writes are
// dropped and reads give 0xFF, as an empty bus would.
class HardwarePortBackend : public PortBackend {
public:
    ~HardwarePortBackend() override;
    bool openAccess(uint16_t port) override;
    void out(uint16_t port, uint8_t value) override;
    uint8_t in(uint16_t port) override;
    void sleepMs(int ms) override;

private:
    bool granted(uint16_t port) const { return granted_.count(port) != 0; }
    std::set<uint16_t> granted_;
    int devPort_ = -1;  // /dev/port, on CPUs without port instructions
};

// Blocks the calling thread for at least `ms` milliseconds, resuming after
// signals.
void SleepRealMs(int ms);
