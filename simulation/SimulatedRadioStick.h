#pragma once
// Simulated V4L2 FM receivers, modelled on an si470x USB stick, standing
// behind the V4L2 calls where the kernel's driver would be: /dev/radio0 and
// /dev/radio1. Any other path goes to the system, so that a test can still
// meet a real file, folder or FIFO.
//
// Each stick keeps <runtime>/simulated-radio0 (-radio1), a text file every
// process shares: "frequency 94.200", "muted 0", "volume 15", "present 1".
// Writing "present 0" unplugs the stick: opening it fails with ENOENT, and
// every call on a handle opened before fails with ENODEV, also after it is
// plugged in again ("present 1"), which brings it back in its power-on state.
//
// What the stick answers as an si470x does: 76-108 MHz in 62.5 Hz units (the
// bands 87.5-108, 76-108 and 76-90), tuning rounded down to its 50 kHz
// channels, its RSSI times 257 as the signal, bounded and wrapping hardware
// seek that reports success also when it found nothing (stopping at the
// band's end, or where it started when wrapping), and mute and volume (0-15)
// controls. It sends RDS by block I/O (read() and poll() on its handle) for
// stations with a name, and tells what it plays (Listen) to whatever stands
// in for its sound card.

#include "SimulatedCard.h"
#include "SimulatedStickRds.h"
#include "V4L2Calls.h"

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

inline constexpr double StickPowerOnMHz = 87.5;
inline constexpr int StickMaxVolume = 15;
inline constexpr int StickCount = 2;
// How long one 50 kHz channel of a seek takes: the whole band passes in
// under a second, slow enough to see and to stop.
inline constexpr int StickSeekChannelPauseMs = 2;

// One stick's shared state; `powered` and `generation` are the stick's own
// lines, which tell a replug from a handle that outlived its device.
struct StickState {
    double frequency = StickPowerOnMHz;
    bool muted = true;
    int volume = StickMaxVolume;
    bool present = true;
    bool powered = true;
    int generation = 1;
    bool operator==(const StickState&) const = default;
};

// The state file's text, and back; unknown or damaged lines are ignored.
std::string FormatStickState(const StickState& s);
StickState ParseStickState(const std::string& text);

// "/dev/radio0" -> 0; -1 for a path no stick answers at.
int SimulatedStickIndex(const std::string& path);
std::string SimulatedStickPath(int index);
std::string SimulatedStickStatePath(const std::string& directory, int index);

class SimulatedRadioSticks : public V4L2Calls {
public:
    struct Options {
        std::vector<SimulatedStation> stations = DefaultSimulatedStations();
        std::string stateDirectory;          // empty: state in memory only
        std::function<void(int ms)> pause;   // each seek channel's wait; empty: none
        // How many times faster than real time the stick's RDS and sound
        // come (TUNZO_SIM_SPEED): tests hear seconds of radio in a moment.
        double speed = 1.0;
        // Seconds of the stick's own time; empty: the real clock times `speed`.
        std::function<double()> clock;
        double rdsErrors = 0.0;  // TUNZO_SIM_RDS_ERRORS: the fraction of blocks spoilt
    };
    explicit SimulatedRadioSticks(Options options);
    ~SimulatedRadioSticks() override;

    int open(const std::string& path, int flags) override;
    int ioctl(int fd, unsigned long request, void* argument) override;
    ssize_t read(int fd, void* buffer, size_t size) override;
    int poll(pollfd* fds, nfds_t count, int timeoutMs) override;
    int close(int fd) override;

    // The state as a call would see it (power transitions applied).
    StickState State(int index);

    // What the stick behind `fd` plays now, for whoever stands in for its
    // sound card; false when the handle's device is gone.
    struct Listening {
        bool station = false;  // a station is received
        double stationMHz = 0;
        bool stereo = false;
        bool muted = true;
        int volume = 0;
    };
    bool Listen(int fd, Listening& listening);
    double Speed() const { return options_.speed; }
    // The stick's clock, in seconds.
    double Now() const;

private:
    struct Handle {
        int stick = 0;
        int generation = 0;
        StickRdsStream rds;
    };
    // With mutex_ held: the handle's device as it is now, its RDS stream
    // following the frequency; nullptr (errno ENODEV) when it has gone.
    Handle* CurrentHandle(int fd, StickState& state);
    // Sets the stick descriptors' revents (POLLIN for blocks waiting, POLLERR
    // for a device gone), marks which are sticks, and lowers
    // `secondsUntilNext` to the next block due; the number ready.
    int StickReadiness(pollfd* fds, nfds_t count, std::vector<bool>& sticks, double& secondsUntilNext);
    // Reads the state under the file's lock, applies a replug's power-on,
    // lets `change` alter it, and writes back what changed.
    StickState Update(int index, const std::function<void(StickState&)>& change);
    int StickIoctl(int index, unsigned long request, void* argument);
    int Seek(int index, bool upward, bool wrap);
    int SeekChannels(int index, bool upward, bool wrap);
    int32_t Signal(double mhz) const;
    bool Stereo(double mhz) const;

    Options options_;
    SystemV4L2Calls system_;
    std::mutex mutex_;
    std::map<int, Handle> handles_;   // by descriptor
    // The last tune this process made on each stick: where, and when.
    struct Tune {
        double mhz = 0;
        double at = 0;
    };
    std::map<int, Tune> tunes_;
    std::set<int> seeking_;  // sticks whose tuner is moving: no RDS comes
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    std::map<int, StickState> memory_;  // sticks without a usable file
};

// The sticks as the environment configures them: TUNZO_SIM_STATIONS or the
// default table, state under the runtime folder, seeks at a pace a person
// can follow.
std::unique_ptr<SimulatedRadioSticks> MakeSimulatedRadioSticksFromEnvironment();
