#pragma once
// Where the card's port bytes go. The radio protocols are written against this
// interface only; which backend serves a process is chosen once, from the
// environment (TUNZO_CARD, TUNZO_PORT_TRACE), or set by a test.

#include <cstdint>
#include <memory>
#include <string>

class PortBackend {
public:
    virtual ~PortBackend() = default;
    // Makes port instructions on `port` usable; false leaves them unusable.
    virtual bool openAccess(uint16_t port) = 0;
    virtual void out(uint16_t port, uint8_t value) = 0;
    virtual uint8_t in(uint16_t port) = 0;
    // Blocks the caller for at least `ms` milliseconds (virtual backends only
    // advance their clock).
    virtual void sleepMs(int ms) = 0;
    // Notes the bytes of one write the serial line `portName` ("COM1") has
    // taken. The line itself is not a port; only a trace keeps this. Called
    // on the line's write thread.
    virtual void serialWritten(const std::string& /*portName*/, const uint8_t* /*bytes*/, size_t /*count*/) {}
    // Notes a call that changed a receiver reached without ports, as its trace
    // line ("v4l2 radio0 frequency 94.200"). Only a trace keeps this.
    virtual void receiverChanged(const std::string& /*line*/) {}
};

// One event on the port, as the trace and the recording backend see it.
struct PortEvent {
    enum Kind { Out, In, Sleep };
    Kind kind = Out;
    uint16_t port = 0;
    uint8_t value = 0;
    int ms = 0;
    bool operator==(const PortEvent&) const = default;
};

// "out 0x30c 0x01", "in 0x30c 0xff", "sleep 5": the trace line of an event.
std::string FormatPortEvent(const PortEvent& e);
// "serial COM1 1d 23 05 23": the trace line of one write on a serial line.
std::string FormatSerialWrite(const std::string& portName, const uint8_t* bytes, size_t count);

// The backend the current process uses. The first call builds it from the
// environment when none has been set.
PortBackend& CurrentPortBackend();
// Replaces the process's backend (tests, tools). Returns the previous one.
std::unique_ptr<PortBackend> SetPortBackend(std::unique_ptr<PortBackend> backend);

// The backend the environment asks for: the simulated card when TUNZO_CARD is
// "simulated", the hardware ports otherwise; wrapped in a trace when
// TUNZO_PORT_TRACE names a file.
std::unique_ptr<PortBackend> MakePortBackendFromEnvironment();

// True when the environment selects the simulated card.
bool SimulatedCardSelected();
