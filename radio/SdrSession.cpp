#include "SdrSession.h"

#include <cmath>
#include <cstdio>

std::mutex& SessionMutex()
{
    static std::mutex mutex;
    return mutex;
}

Session& TheSession()
{
    static Session session;
    return session;
}

std::string MHzText(double hz)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", hz / HzPerMHz);
    return text;
}

void Lost(Session& s, const std::string& problem)
{
    s.problem = problem;
    s.dongle.reset();
    s.receiver.reset();
    s.state = ReceiverState{};
    ++s.losses;
}

bool Read(Session& s, double seconds, std::vector<uint8_t>& bytes)
{
    bytes.resize(2 * static_cast<size_t>(std::lround(seconds * s.dongle->sampleRate())));
    std::string problem;
    if (s.dongle->read(bytes, problem))
        return true;
    Lost(s, problem);
    return false;
}

bool Measure(Session& s, double seconds, Heard* heard)
{
    std::vector<uint8_t> bytes;
    if (!Read(s, seconds, bytes))
        return false;
    Heard dropped;
    Heard& out = heard ? *heard : dropped;
    out.tuning = s.tunings;
    s.receiver->process(bytes, out.audio, out.blocks);
    s.state = s.receiver->state();
    return true;
}

