#pragma once
#include "PortBackend.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A backend for tests: every event is recorded, sleeps only advance a virtual
// clock, and reads are answered by `answer` (0xFF, an empty bus, by default).
class RecordingPortBackend : public PortBackend {
public:
    bool openAccess(uint16_t port) override;
    void out(uint16_t port, uint8_t value) override;
    uint8_t in(uint16_t port) override;
    void sleepMs(int ms) override;
    void receiverChanged(const std::string& line) override { receiverLines.push_back(line); }

    // Each event as its trace line, in order.
    std::vector<std::string> TraceLines() const;
    // Only the bytes written, in order.
    std::vector<uint8_t> Writes() const;
    void Clear();

    std::vector<PortEvent> events;
    int64_t virtualMs = 0;  // sum of all sleeps so far
    bool grantAccess = true;
    std::vector<uint16_t> accessRequests;
    std::function<uint8_t(uint16_t)> answer;
    std::vector<std::string> receiverLines;  // "v4l2 radio0 frequency 94.200", in order
};
