// The simulated sticks' shared state: its file, and the power transitions a
// replug makes.
#include "SimulatedRadioStick.h"

#include "HardwarePorts.h"
#include "RuntimeDirectory.h"
#include "SimulatedStateLines.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sstream>
#include <sys/file.h>
#include <unistd.h>

namespace {
constexpr double StateFrequencyLimit = 1000.0;
constexpr double MinStickSpeed = 0.01;
constexpr double MaxStickSpeed = 1000.0;

// A number from the environment within [lowest, limit]; anything else keeps
// `fallback`, with a word on standard error when it was set but unusable.
double EnvironmentNumber(const char* name, double fallback, double lowest, double limit)
{
    const char* text = std::getenv(name);
    if (!text || !*text)
        return fallback;
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (*end != '\0' || !(value >= lowest) || value > limit) {
        std::fprintf(stderr, "tunzo: %s takes a number from %g to %g, not '%s'; left out\n", name, lowest, limit,
                     text);
        return fallback;
    }
    return value;
}

std::string ReadAll(int fd)
{
    std::string text;
    char buffer[256];
    off_t at = 0;
    for (;;) {
        const ssize_t n = pread(fd, buffer, sizeof buffer, at);
        if (n <= 0)
            break;
        text.append(buffer, static_cast<size_t>(n));
        at += n;
    }
    return text;
}

// A stick found unplugged powers down; plugged in again it powers up afresh,
// and handles opened before belong to the old device.
void ApplyPower(StickState& s)
{
    if (!s.present) {
        s.powered = false;
    } else if (!s.powered) {
        const int generation = s.generation;
        s = StickState{};
        s.generation = generation + 1;
    }
}
}  // namespace

std::string FormatStickState(const StickState& s)
{
    char text[160];
    std::snprintf(text, sizeof text, "frequency %.3f\nmuted %d\nvolume %d\npresent %d\npowered %d\ngeneration %d\n",
                  s.frequency, s.muted ? 1 : 0, s.volume, s.present ? 1 : 0, s.powered ? 1 : 0, s.generation);
    return text;
}

StickState ParseStickState(const std::string& text)
{
    StickState s;
    ForEachStateLine(text, [&s](const std::string& name, double value) {
        if (std::fabs(value) > StateFrequencyLimit * 1000)
            return;  // beyond any field, and beyond what an int holds
        const int whole = static_cast<int>(value);
        if (name == "frequency" && value > 0 && value < StateFrequencyLimit)
            s.frequency = value;
        else if (name == "muted")
            s.muted = whole != 0;
        else if (name == "volume" && whole >= 0 && whole <= StickMaxVolume)
            s.volume = whole;
        else if (name == "present")
            s.present = whole != 0;
        else if (name == "powered")
            s.powered = whole != 0;
        else if (name == "generation")
            s.generation = whole;
    });
    return s;
}

int SimulatedStickIndex(const std::string& path)
{
    for (int i = 0; i < StickCount; ++i)
        if (path == SimulatedStickPath(i))
            return i;
    return -1;
}

std::string SimulatedStickPath(int index)
{
    return "/dev/radio" + std::to_string(index);
}

std::string SimulatedStickStatePath(const std::string& directory, int index)
{
    return directory + "/simulated-radio" + std::to_string(index);
}

StickState SimulatedRadioSticks::Update(int index, const std::function<void(StickState&)>& change)
{
    if (!options_.stateDirectory.empty() && !memory_.count(index)) {
        std::string problem;
        const int fd = OpenRuntimeFile(SimulatedStickStatePath(options_.stateDirectory, index), O_RDWR | O_CREAT,
                                       problem);
        if (fd >= 0) {
            flock(fd, LOCK_EX);
            const std::string before = ReadAll(fd);
            StickState s = ParseStickState(before);
            ApplyPower(s);
            change(s);
            const std::string after = FormatStickState(s);
            if (after != before && pwrite(fd, after.data(), after.size(), 0) == static_cast<ssize_t>(after.size()))
                (void)ftruncate(fd, static_cast<off_t>(after.size()));
            ::close(fd);
            return s;
        }
        std::fprintf(stderr, "tunzo: %s; the simulated stick keeps its state in memory\n", problem.c_str());
        memory_[index] = StickState{};
    }
    StickState& s = memory_[index];
    ApplyPower(s);
    change(s);
    return s;
}

StickState SimulatedRadioSticks::State(int index)
{
    std::lock_guard lock(mutex_);
    return Update(index, [](StickState&) {});
}

std::unique_ptr<SimulatedRadioSticks> MakeSimulatedRadioSticksFromEnvironment()
{
    SimulatedRadioSticks::Options options;
    if (const char* text = std::getenv("TUNZO_SIM_STATIONS"); text && *text) {
        std::string error;
        options.stations = ParseSimulatedStations(text, &error);
    }
    const RuntimeFolder runtime = OpenRuntimeFolder();
    if (runtime.usable())
        options.stateDirectory = runtime.path;
    options.pause = [](int ms) { SleepRealMs(ms); };
    options.speed = EnvironmentNumber("TUNZO_SIM_SPEED", options.speed, MinStickSpeed, MaxStickSpeed);
    options.rdsErrors = EnvironmentNumber("TUNZO_SIM_RDS_ERRORS", 0.0, 0.0, 1.0);
    return std::make_unique<SimulatedRadioSticks>(std::move(options));
}
