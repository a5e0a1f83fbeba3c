// The reading thread of a window: the dongle's samples flow through the
// receiver all the time, so that the signal and stereo marks follow the
// station and the window never waits for a measurement.
#include "SdrSession.h"

#include <chrono>
#include <condition_variable>
#include <thread>

namespace {
using Clock = std::chrono::steady_clock;

std::jthread& ReadingThread()
{
    static std::jthread thread;
    return thread;
}

// One buffer through the receiver; false when there is nothing to read.
bool ReadOnce(bool& pacedByItself)
{
    std::lock_guard lock(SessionMutex());
    Session& s = TheSession();
    if (!s.dongle || s.stationHz <= 0)
        return false;
    pacedByItself = s.dongle->pacedByItself();
    return Measure(s, SdrReadSeconds);
}

void ReadingLoop(std::stop_token stop)
{
    std::mutex waitMutex;
    std::condition_variable_any wake;
    Clock::time_point due = Clock::now();
    while (!stop.stop_requested()) {
        bool pacedByItself = false;
        if (!ReadOnce(pacedByItself)) {
            due = Clock::now() + std::chrono::milliseconds(SdrIdleMs);
        } else if (pacedByItself) {
            continue;
        } else {
            // A recording plays at the rate it was made at, not as fast as it can be read.
            due += std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(SdrReadSeconds));
            if (due < Clock::now())
                due = Clock::now();
        }
        std::unique_lock lock(waitMutex);
        wake.wait_until(lock, stop, due, [] { return false; });
    }
}
}  // namespace

void StartSdrReading()
{
    // The session is made before the thread's holder, so that at the
    // program's end the thread is stopped before the session goes.
    {
        std::lock_guard lock(SessionMutex());
        TheSession().reading = true;
    }
    if (!ReadingThread().joinable())
        ReadingThread() = std::jthread(ReadingLoop);
}

void StopSdrReading()
{
    ReadingThread() = std::jthread();  // asks the old one to stop and waits for it
    std::lock_guard lock(SessionMutex());
    TheSession().reading = false;
}
