// The simulated sticks' reading side: RDS records by read() and poll() at
// the rate they come on air, and what the stick plays.
#include "SimulatedRadioStick.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <vector>

namespace {
// How often a wait on a stick looks at its state file again.
constexpr int StickRecheckMs = 50;
// The state file keeps three decimals.
constexpr double SameFrequencyMHz = 0.0005;
// What the RDS stream follows while a seek moves the tuner: no frequency.
constexpr double SeekingMHz = -1;
}  // namespace

double SimulatedRadioSticks::Now() const
{
    if (options_.clock)
        return options_.clock();
    const std::chrono::duration<double> real = std::chrono::steady_clock::now() - started_;
    return real.count() * options_.speed;
}

SimulatedRadioSticks::Handle* SimulatedRadioSticks::CurrentHandle(int fd, StickState& state)
{
    const auto found = handles_.find(fd);
    if (found == handles_.end())
        return nullptr;
    Handle& handle = found->second;
    state = Update(handle.stick, [](StickState&) {});
    if (!state.present || state.generation != handle.generation) {
        errno = ENODEV;
        return nullptr;
    }
    // While the tuner moves nothing is received; where it stops, the blocks
    // start from nothing, even on the same station.
    if (seeking_.count(handle.stick)) {
        if (!handle.rds.Follows(SeekingMHz))
            handle.rds.Restart(std::nullopt, SeekingMHz, Now(), 0);
        return &handle;
    }
    // A tune, by any process, starts the new station's blocks from nothing,
    // as the receiver's buffer is emptied on a tune.
    if (!handle.rds.Follows(state.frequency)) {
        // From the tune when it was this process's own, else from now.
        const auto tune = tunes_.find(handle.stick);
        const bool ours = tune != tunes_.end() && std::fabs(tune->second.mhz - state.frequency) < SameFrequencyMHz;
        handle.rds.Restart(StationAt(options_.stations, state.frequency), state.frequency,
                           ours ? tune->second.at : Now(), options_.rdsErrors);
    }
    return &handle;
}

ssize_t SimulatedRadioSticks::read(int fd, void* buffer, size_t size)
{
    std::unique_lock lock(mutex_);
    if (!handles_.count(fd)) {
        lock.unlock();
        return system_.read(fd, buffer, size);
    }
    StickState s;
    Handle* handle = CurrentHandle(fd, s);
    if (!handle)
        return -1;
    // Whole records only, as the V4L2 drivers hand them out; a handle in
    // blocking mode is answered as a non-blocking one: nothing here waits.
    const size_t bytes = handle->rds.Take(static_cast<uint8_t*>(buffer), size, Now());
    if (bytes == 0) {
        errno = EAGAIN;
        return -1;
    }
    return static_cast<ssize_t>(bytes);
}

int SimulatedRadioSticks::StickReadiness(pollfd* fds, nfds_t count, std::vector<bool>& sticks,
                                         double& secondsUntilNext)
{
    std::lock_guard lock(mutex_);
    const double now = Now();
    int ready = 0;
    for (nfds_t i = 0; i < count; ++i) {
        sticks[i] = handles_.count(fds[i].fd) > 0;
        if (!sticks[i])
            continue;
        short events = 0;
        StickState s;
        if (Handle* handle = CurrentHandle(fds[i].fd, s); !handle) {
            events = POLLERR | POLLHUP | POLLPRI;  // as the V4L2 core answers for a device gone
        } else if (handle->rds.Available(now) > 0) {
            events = POLLIN | POLLRDNORM;
        } else if (const double until = handle->rds.SecondsUntilNext(now);
                   until >= 0 && (secondsUntilNext < 0 || until < secondsUntilNext)) {
            secondsUntilNext = until;
        }
        fds[i].revents = static_cast<short>(events & (fds[i].events | POLLERR | POLLHUP));
        ready += fds[i].revents != 0 ? 1 : 0;
    }
    return ready;
}

int SimulatedRadioSticks::poll(pollfd* fds, nfds_t count, int timeoutMs)
{
    std::vector<bool> sticks(count);
    double secondsUntilNext = -1;
    int ready = StickReadiness(fds, count, sticks, secondsUntilNext);
    // The stick's descriptors never become readable themselves: the others
    // are waited on until the stick's next block is due, and the stick is
    // looked at again now and then, as another process may tune it.
    int waitMs = ready > 0 ? 0 : timeoutMs;
    if (ready == 0 && std::count(sticks.begin(), sticks.end(), true) > 0) {
        int dueMs = StickRecheckMs;
        if (secondsUntilNext >= 0)
            dueMs = std::min(dueMs, static_cast<int>(std::ceil(secondsUntilNext * 1000.0 / options_.speed)));
        waitMs = timeoutMs < 0 ? dueMs : std::min(timeoutMs, dueMs);
    }
    std::vector<pollfd> others;
    for (nfds_t i = 0; i < count; ++i)
        if (!sticks[i])
            others.push_back(fds[i]);
    const int woken = system_.poll(others.data(), others.size(), waitMs);
    if (woken < 0)
        return -1;
    for (nfds_t i = 0, other = 0; i < count; ++i)
        if (!sticks[i])
            fds[i].revents = others[other++].revents;
    if (ready > 0 || woken > 0)
        return ready + woken;
    // Woken by the time alone: the stick's block may be there now.
    return StickReadiness(fds, count, sticks, secondsUntilNext);
}

bool SimulatedRadioSticks::Listen(int fd, Listening& listening)
{
    std::lock_guard lock(mutex_);
    StickState s;
    if (!CurrentHandle(fd, s))
        return false;
    const std::optional<SimulatedStation> station = StationAt(options_.stations, s.frequency);
    listening.station = station.has_value();
    listening.stationMHz = station ? station->mhz : 0.0;
    listening.stereo = Stereo(s.frequency);
    listening.muted = s.muted;
    listening.volume = s.volume;
    return true;
}
