#pragma once
#include "PortBackend.h"

#include <memory>
#include <string>

// Passes every event to `inner` and appends its trace line to a file, written
// at once so that a trace survives a crash and can be followed with tail -f.
class TracingPortBackend : public PortBackend {
public:
    TracingPortBackend(std::unique_ptr<PortBackend> inner, const std::string& path);
    ~TracingPortBackend() override;
    bool openAccess(uint16_t port) override;
    void out(uint16_t port, uint8_t value) override;
    uint8_t in(uint16_t port) override;
    void sleepMs(int ms) override;
    void serialWritten(const std::string& portName, const uint8_t* bytes, size_t count) override;
    void receiverChanged(const std::string& line) override;

    bool isOpen() const { return fd_ >= 0; }

private:
    void append(const std::string& line);
    std::unique_ptr<PortBackend> inner_;
    int fd_ = -1;
};
