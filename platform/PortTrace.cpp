#include "PortTrace.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

std::string FormatPortEvent(const PortEvent& e)
{
    char line[40];
    switch (e.kind) {
    case PortEvent::Out:
        std::snprintf(line, sizeof line, "out 0x%x 0x%02x", e.port, e.value);
        break;
    case PortEvent::In:
        std::snprintf(line, sizeof line, "in 0x%x 0x%02x", e.port, e.value);
        break;
    case PortEvent::Sleep:
        std::snprintf(line, sizeof line, "sleep %d", e.ms);
        break;
    }
    return line;
}

std::string FormatSerialWrite(const std::string& portName, const uint8_t* bytes, size_t count)
{
    std::string line = "serial " + portName;
    for (size_t i = 0; i < count; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02x", bytes[i]);
        line += hex;
    }
    return line;
}

TracingPortBackend::TracingPortBackend(std::unique_ptr<PortBackend> inner, const std::string& path)
    : inner_(std::move(inner))
{
    fd_ = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd_ < 0)
        std::fprintf(stderr, "tunzo: cannot open the port trace '%s'; tracing is off\n", path.c_str());
}

TracingPortBackend::~TracingPortBackend()
{
    if (fd_ >= 0)
        close(fd_);
}

void TracingPortBackend::append(const std::string& text)
{
    if (fd_ < 0)
        return;
    const std::string line = text + "\n";
    // One write per line: with O_APPEND, lines of several processes tracing
    // to one file never interleave within a line.
    if (write(fd_, line.data(), line.size()) < 0) {
        // A full disk only costs the trace, never the card operation.
    }
}

bool TracingPortBackend::openAccess(uint16_t port)
{
    return inner_->openAccess(port);
}

void TracingPortBackend::out(uint16_t port, uint8_t value)
{
    inner_->out(port, value);
    append(FormatPortEvent({PortEvent::Out, port, value, 0}));
}

uint8_t TracingPortBackend::in(uint16_t port)
{
    uint8_t value = inner_->in(port);
    append(FormatPortEvent({PortEvent::In, port, value, 0}));
    return value;
}

void TracingPortBackend::sleepMs(int ms)
{
    // Traced before the wait, so that a follower sees what the card waits for.
    append(FormatPortEvent({PortEvent::Sleep, 0, 0, ms}));
    inner_->sleepMs(ms);
}

void TracingPortBackend::serialWritten(const std::string& portName, const uint8_t* bytes, size_t count)
{
    inner_->serialWritten(portName, bytes, count);
    append(FormatSerialWrite(portName, bytes, count));
}

void TracingPortBackend::receiverChanged(const std::string& line)
{
    inner_->receiverChanged(line);
    append(line);
}
