#include "SimulatedDongle.h"

#include "RuntimeDirectory.h"
#include "SimulatedStateLines.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sstream>
#include <sys/file.h>
#include <unistd.h>

namespace {
constexpr double HzPerMHz = 1e6;

std::string ReadAll(int fd)
{
    std::string text;
    char buffer[256];
    off_t at = 0;
    for (ssize_t n; (n = pread(fd, buffer, sizeof buffer, at)) > 0; at += n)
        text.append(buffer, static_cast<size_t>(n));
    return text;
}

std::vector<BroadcastStation> Broadcast(const std::vector<SimulatedStation>& stations)
{
    std::vector<BroadcastStation> onAir;
    for (const SimulatedStation& s : stations)
        onAir.push_back({s.mhz, s.stereo, s.name, s.text});
    return onAir;
}

const char* Unplugged = "the simulated SDR device 0 was unplugged (its state file says \"present 0\")";
}  // namespace

std::string FormatDongleState(const DongleState& s)
{
    char text[64];
    std::snprintf(text, sizeof text, "frequency %.3f\npresent %d\n", s.frequency, s.present ? 1 : 0);
    return text;
}

DongleState ParseDongleState(const std::string& text)
{
    DongleState s;
    ForEachStateLine(text, [&s](const std::string& name, double value) {
        if (name == "frequency" && value >= 0)
            s.frequency = value;
        else if (name == "present")
            s.present = value != 0;
    });
    return s;
}

std::string SimulatedDongleStatePath(const std::string& directory)
{
    return directory + "/simulated-sdr0";
}

SimulatedDongle::SimulatedDongle(Options options) : options_(std::move(options)) {}

DongleState SimulatedDongle::State() const
{
    if (options_.stateDirectory.empty())
        return memory_;
    std::string problem;
    const int fd = OpenRuntimeFile(SimulatedDongleStatePath(options_.stateDirectory), O_RDONLY, problem);
    if (fd < 0)
        return DongleState{};
    flock(fd, LOCK_SH);
    const DongleState s = ParseDongleState(ReadAll(fd));
    ::close(fd);
    return s;
}

void SimulatedDongle::Write(const DongleState& s)
{
    memory_ = s;
    if (options_.stateDirectory.empty())
        return;
    std::string problem;
    const int fd = OpenRuntimeFile(SimulatedDongleStatePath(options_.stateDirectory), O_RDWR | O_CREAT, problem);
    if (fd < 0) {
        std::fprintf(stderr, "tunzo: %s; the simulated dongle keeps its state in memory\n", problem.c_str());
        options_.stateDirectory.clear();
        return;
    }
    flock(fd, LOCK_EX);
    // Another process may have unplugged it meanwhile: that line is kept.
    DongleState next = ParseDongleState(ReadAll(fd));
    next.frequency = s.frequency;
    const std::string text = FormatDongleState(next);
    if (pwrite(fd, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size()))
        (void)ftruncate(fd, static_cast<off_t>(text.size()));
    ::close(fd);
}

bool SimulatedDongle::Present(std::string& problem) const
{
    if (State().present)
        return true;
    problem = Unplugged;
    return false;
}

bool SimulatedDongle::tune(double stationHz, double centreHz, std::string& problem)
{
    if (!Present(problem))
        return false;
    ModulatorSettings settings;
    settings.centreHz = centreHz;
    settings.sampleRate = options_.settings.sampleRate;
    settings.snrDb = options_.snrDb;
    modulator_ = std::make_unique<BroadcastModulator>(Broadcast(options_.stations), settings);
    DongleState s = State();
    s.frequency = std::round(stationHz / HzPerMHz * 1000.0) / 1000.0;
    Write(s);
    return true;
}

bool SimulatedDongle::read(std::span<uint8_t> bytes, std::string& problem)
{
    if (!Present(problem))
        return false;
    if (!modulator_) {
        problem = "the simulated SDR device 0 was read before it was tuned";
        return false;
    }
    modulator_->generate(bytes);
    return true;
}

std::unique_ptr<SimulatedDongle> OpenSimulatedDongle(const DongleSettings& settings, std::string& problem)
{
    SimulatedDongle::Options options;
    options.settings = settings;
    if (const char* text = std::getenv("TUNZO_SIM_STATIONS"); text && *text) {
        std::string error;
        options.stations = ParseSimulatedStations(text, &error);
        if (!error.empty())
            std::fprintf(stderr, "tunzo: TUNZO_SIM_STATIONS: %s; left out\n", error.c_str());
    }
    if (const char* text = std::getenv("TUNZO_SIM_SNR_DB"); text && *text) {
        char* end = nullptr;
        const double snr = std::strtod(text, &end);
        if (*end == '\0' && std::isfinite(snr))
            options.snrDb = snr;
        else
            std::fprintf(stderr, "tunzo: TUNZO_SIM_SNR_DB '%s' is not a number of dB; %g is used\n", text,
                         kDefaultSnrDb);
    }
    if (const RuntimeFolder runtime = OpenRuntimeFolder(); runtime.usable())
        options.stateDirectory = runtime.path;
    auto dongle = std::make_unique<SimulatedDongle>(std::move(options));
    if (!dongle->State().present) {
        problem = std::string(Unplugged) + ": write \"present 1\" to plug it in again";
        return nullptr;
    }
    return dongle;
}
