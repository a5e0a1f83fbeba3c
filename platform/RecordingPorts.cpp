#include "RecordingPorts.h"

bool RecordingPortBackend::openAccess(uint16_t port)
{
    accessRequests.push_back(port);
    return grantAccess;
}

void RecordingPortBackend::out(uint16_t port, uint8_t value)
{
    events.push_back({PortEvent::Out, port, value, 0});
}

uint8_t RecordingPortBackend::in(uint16_t port)
{
    uint8_t value = answer ? answer(port) : 0xFF;
    events.push_back({PortEvent::In, port, value, 0});
    return value;
}

void RecordingPortBackend::sleepMs(int ms)
{
    events.push_back({PortEvent::Sleep, 0, 0, ms});
    virtualMs += ms;
}

std::vector<std::string> RecordingPortBackend::TraceLines() const
{
    std::vector<std::string> lines;
    lines.reserve(events.size());
    for (const PortEvent& e : events)
        lines.push_back(FormatPortEvent(e));
    return lines;
}

std::vector<uint8_t> RecordingPortBackend::Writes() const
{
    std::vector<uint8_t> bytes;
    for (const PortEvent& e : events)
        if (e.kind == PortEvent::Out)
            bytes.push_back(e.value);
    return bytes;
}

void RecordingPortBackend::Clear()
{
    events.clear();
    virtualMs = 0;
}
