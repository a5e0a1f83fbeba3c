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

void TracingPortBackend::append(const PortEvent& e)
{
    if (fd_ < 0)
        return;
    std::string line = FormatPortEvent(e) + "\n";
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
    append({PortEvent::Out, port, value, 0});
}

uint8_t TracingPortBackend::in(uint16_t port)
{
    uint8_t value = inner_->in(port);
    append({PortEvent::In, port, value, 0});
    return value;
}

void TracingPortBackend::sleepMs(int ms)
{
    // Traced before the wait, so that a follower sees what the card waits for.
    append({PortEvent::Sleep, 0, 0, ms});
    inner_->sleepMs(ms);
}
