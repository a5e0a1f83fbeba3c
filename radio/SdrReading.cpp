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

// What the feed is told after a read, once the session's lock is let go.
struct Reading {
    Heard heard;
    unsigned losses = 0;
    std::string problem;
};

// One buffer through the receiver; false when there is nothing to read.
bool ReadOnce(bool& pacedByItself, Reading& reading)
{
    std::lock_guard lock(SessionMutex());
    Session& s = TheSession();
    bool read = false;
    if (s.dongle && s.stationHz > 0) {
        pacedByItself = s.dongle->pacedByItself();
        read = Measure(s, SdrReadSeconds, &reading.heard);
    }
    reading.losses = s.losses;
    reading.problem = s.problem;
    return read;
}

// Outside the session's lock: a window's tune or status never waits for
// the feed's listeners.
void TellFeed(bool read, const Reading& reading)
{
    if (read)
        HandToSdrFeed(reading.heard);
    TellSdrFeedLosses(reading.losses, reading.problem);
}

void ReadingLoop(std::stop_token stop)
{
    std::mutex waitMutex;
    std::condition_variable_any wake;
    Clock::time_point due = Clock::now();
    while (!stop.stop_requested()) {
        bool pacedByItself = false;
        Reading reading;
        const bool read = ReadOnce(pacedByItself, reading);
        TellFeed(read, reading);
        if (!read) {
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

bool SdrReadingRunning()
{
    std::lock_guard lock(SessionMutex());
    return TheSession().reading;
}

void StopSdrReading()
{
    ReadingThread() = std::jthread();  // asks the old one to stop and waits for it
    std::lock_guard lock(SessionMutex());
    TheSession().reading = false;
}
