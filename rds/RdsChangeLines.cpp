#include "RdsDecoder.h"

#include <cstdio>

namespace {

constexpr double kHzPerMHz = 1e6;

std::string PiLine(const RdsState& state)
{
    if (!state.hasPi)
        return "PI";
    char line[16];
    std::snprintf(line, sizeof line, "PI 0x%04X", state.pi);
    return line;
}

std::string TextLine(const char* field, const std::string& text)
{
    return text.empty() ? std::string(field) : std::string(field) + ' ' + text;
}

std::string PtyLine(const RdsState& state, RdsStandard standard)
{
    if (!state.hasPty)
        return "PTY";
    return "PTY " + std::to_string(state.pty) + ' ' + RdsProgrammeTypeName(state.pty, standard);
}

std::string TrafficLine(const RdsState& state)
{
    return std::string("TP ") + (state.trafficProgramme ? '1' : '0') + " TA " + (state.trafficAnnouncement ? '1' : '0');
}

// Frequencies in MHz, as short as they go: "94.2", "0.531".
std::string AfLine(const RdsAlternativeFrequencies& af)
{
    std::string line = "AF";
    for (int i = 0; i < af.count; ++i) {
        char mhz[24];
        std::snprintf(mhz, sizeof mhz, " %.3f", af.hz[i] / kHzPerMHz);
        std::string text = mhz;
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == '.')
            text.pop_back();
        line += text;
    }
    return line;
}

}  // namespace

std::vector<std::string> RdsChangeLines(uint32_t changed, const RdsState& state, RdsStandard standard)
{
    std::vector<std::string> lines;
    if (changed & RdsChangedPi)
        lines.push_back(PiLine(state));
    if (changed & RdsChangedName)
        lines.push_back(TextLine("PS", state.name));
    if (changed & RdsChangedText)
        lines.push_back(TextLine("RT", state.text));
    if (changed & RdsChangedPty)
        lines.push_back(PtyLine(state, standard));
    if (changed & RdsChangedTraffic)
        lines.push_back(TrafficLine(state));
    if (changed & RdsChangedClockTime)
        lines.push_back(state.hasClockTime ? "CT " + FormatClockTime(state.clockTime) : "CT");
    if (changed & RdsChangedAlternativeFrequencies)
        lines.push_back(AfLine(state.alternativeFrequencies));
    return lines;
}
