#include "Comm32Line.h"

#include "Comm32.h"

#include <QCoreApplication>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>

namespace {
constexpr int ReadyThreads = 2;  // the read thread and the write thread
}  // namespace

// ---- the open line ----

CommLine::CommLine(int fd, QObject* receiver, std::function<void(const char*, size_t)> written)
    : fd_(fd), receiver_(receiver), written_(std::move(written))
{
}

CommLine::~CommLine()
{
    if (closeEvent_ >= 0) {
        const uint64_t signal = 1;
        if (write(closeEvent_, &signal, sizeof signal) < 0) {
            // An eventfd only refuses a write at its counter's limit; it is signalled then.
        }
    }
    // Purged before each wait, as a Windows port is, so that a thread in the
    // middle of a transfer has nothing left to finish.
    tcflush(fd_, TCIFLUSH);
    StopThread(reader_, readEnded_, "Closing Read Thread ", "Read thread not exiting.  Terminating it.");
    tcflush(fd_, TCOFLUSH);
    StopThread(writer_, writeEnded_, "Closing Write Thread", "Write thread not exiting.  Terminating it.");
    // Another program may open the device once we are done with it.
    ioctl(fd_, TIOCNXCL);
    for (int fd : {wake_, closeEvent_, fd_})
        if (fd >= 0)
            close(fd);
}

void CommLine::Start()
{
    closeEvent_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (closeEvent_ < 0 || wake_ < 0) {
        const int err = errno;
        CommsLog::Write(ErrorLine("Unable to CreateEvent: ", err));
        throw ECommsError("Unable to CreateEvent", std::strerror(err));
    }
    // Linux lets only a privileged process raise a thread's priority, so both
    // threads run at the ordinary one; they wait in poll and never spin.
    StartThread(reader_, &CommLine::ReadThread, "Unable to create Read thread");
    StartThread(writer_, &CommLine::WriteThread, "Unable to create Write thread");
    // The threads touch nothing that can block before they are ready, so the
    // wait is short; a thread that cannot get ready asks to hang up instead.
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return ready_ == ReadyThreads || hangupAsked_; });
}

void CommLine::StartThread(std::thread& thread, void (CommLine::*body)(), const char* failure)
{
    bool& ended = &thread == &reader_ ? readEnded_ : writeEnded_;
    {
        const std::lock_guard lock(mutex_);
        ended = false;
    }
    try {
        thread = std::thread(body, this);
    } catch (const std::system_error& e) {
        MarkEnded(ended);
        CommsLog::Write(ErrorLine(std::string(failure) + ": ", e.code().value()));
        throw ECommsError(failure, e.what());
    }
}

void CommLine::StopThread(std::thread& thread, const bool& ended, const char* closing, const char* stuck)
{
    if (!thread.joinable())
        return;
    CommsLog::Write(closing);
    {
        std::unique_lock lock(mutex_);
        if (!changed_.wait_for(lock, std::chrono::milliseconds(ThreadExitWaitMs), [&] { return ended; }))
            CommsLog::Write(stuck);
    }
    // A thread cannot be ended from outside without leaking what it holds;
    // every wait of both threads includes the close event, so this returns.
    thread.join();
}

void CommLine::ReportReady()
{
    const std::lock_guard lock(mutex_);
    ++ready_;
    changed_.notify_all();
}

void CommLine::PostHangup()
{
    QCoreApplication::postEvent(receiver_, new CommHangupEvent);
    const std::lock_guard lock(mutex_);
    hangupAsked_ = true;
    changed_.notify_all();
}

void CommLine::PostData(const char* bytes, size_t count)
{
    QCoreApplication::postEvent(receiver_, new CommDataEvent(bytes, count));
}

void CommLine::MarkEnded(bool& ended)
{
    const std::lock_guard lock(mutex_);
    ended = true;
    if (&ended == &writeEnded_) {
        // Nothing will send what is still queued.
        queue_.clear();
        unwritten_ = 0;
    }
    changed_.notify_all();
}

bool CommLine::CloseSignalled() const
{
    pollfd close{closeEvent_, POLLIN, 0};
    return poll(&close, 1, 0) > 0;
}

// ---- the read thread ----

void CommLine::ReadThread()
{
    ReportReady();
    ReadLoop();
    CommsLog::Write("Read thread shutting down");
    tcflush(fd_, TCIFLUSH);
    MarkEnded(readEnded_);
}

void CommLine::ReadLoop()
{
    LineErrorCounts counts;
    const bool counted = ReadLineErrorCounts(fd_, counts);
    std::vector<char> buffer(ReadBufferSize);
    for (;;) {
        pollfd waits[] = {{closeEvent_, POLLIN, 0}, {fd_, POLLIN, 0}};
        if (poll(waits, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            CommsLog::Write(ErrorLine("Read WAIT_FAILED: ", errno));
            PostHangup();
            return;
        }
        if (waits[0].revents)
            return;  // time to exit
        int error = 0;
        if (const size_t got = ReadChunk(buffer, error); got > 0) {
            CommsLog::Write("Got something from Comm port!!!");
            PostData(buffer.data(), got);
        }
        if (counted)
            ReportLineErrors(counts);
        if (error) {
            // The other end is gone (a pseudo-terminal's master closed, a USB
            // adapter pulled out): the owner decides when to close.
            CommsLog::Write(ErrorLine("Unexpected ReadFile error: ", error));
            PostHangup();
            return;
        }
    }
}

// Reads what has arrived, then goes on while bytes keep coming: a read ends
// when the buffer is full, after ReadIntervalMs without a new byte, when the
// line is closing, or at an error (in `error`, after the bytes before it).
size_t CommLine::ReadChunk(std::vector<char>& buffer, int& error)
{
    size_t got = 0;
    while (got < buffer.size()) {
        const ssize_t n = read(fd_, buffer.data() + got, buffer.size() - got);
        if (n > 0) {
            got += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || errno != EAGAIN) {
            error = n == 0 ? EIO : errno;
            break;
        }
        if (got == 0)
            break;  // woken for nothing
        pollfd waits[] = {{closeEvent_, POLLIN, 0}, {fd_, POLLIN, 0}};
        if (poll(waits, 2, ReadIntervalMs) <= 0 || waits[0].revents)
            break;
    }
    return got;
}

void CommLine::ReportLineErrors(LineErrorCounts& counts)
{
    LineErrorCounts now;
    if (!ReadLineErrorCounts(fd_, now))
        return;
    if (const uint32_t errors = NewLineErrors(counts, now)) {
        const std::string text = CommEventText(errors);
        PostData(text.data(), text.size());
    }
    counts = now;
}

// ---- the write thread ----

void CommLine::WriteThread()
{
    ReportReady();
    WriteLoop();
    CommsLog::Write("Write thread shutting down");
    tcflush(fd_, TCOFLUSH);
    MarkEnded(writeEnded_);
}

void CommLine::WriteLoop()
{
    std::vector<char> buffer;
    for (;;) {
        if (TakeNext(buffer)) {
            if (CloseSignalled())
                return;
            CommsLog::Write("Writing to comm port");
            const bool written = WriteBuffer(buffer);
            if (written && written_)
                written_(buffer.data(), buffer.size());
            FinishWrite();
            if (!written)
                return;
            continue;
        }
        pollfd waits[] = {{closeEvent_, POLLIN, 0}, {wake_, POLLIN, 0}};
        if (poll(waits, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            CommsLog::Write(ErrorLine("Write WAIT_FAILED: ", errno));
            PostHangup();
            return;
        }
        if (waits[0].revents)
            return;
        uint64_t posted = 0;
        if (read(wake_, &posted, sizeof posted) < 0) {
            // Already emptied: the queue is looked at all the same.
        }
    }
}

bool CommLine::TakeNext(std::vector<char>& buffer)
{
    const std::lock_guard lock(mutex_);
    if (queue_.empty())
        return false;
    buffer = std::move(queue_.front());
    queue_.pop_front();
    return true;
}

void CommLine::FinishWrite()
{
    const std::lock_guard lock(mutex_);
    if (unwritten_ > 0)
        --unwritten_;
    changed_.notify_all();
}

// Writes all of `buffer`, waiting for room on the line as long as it is not
// closing; false when the line is closing or failed.
bool CommLine::WriteBuffer(const std::vector<char>& buffer)
{
    size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t n = write(fd_, buffer.data() + done, buffer.size() - done);
        if (n >= 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN) {
            CommsLog::Write(ErrorLine("Error to writing to CommFile: ", errno));
            CommsLog::Write("Closing TAPI");
            PostHangup();
            return false;
        }
        pollfd waits[] = {{closeEvent_, POLLIN, 0}, {fd_, POLLOUT, 0}};
        if (poll(waits, 2, -1) < 0 && errno != EINTR) {
            CommsLog::Write(ErrorLine("Write WAIT_FAILED: ", errno));
            PostHangup();
            return false;
        }
        if (waits[0].revents)
            return false;
    }
    return true;
}

bool CommLine::Post(std::vector<char> buffer)
{
    {
        const std::lock_guard lock(mutex_);
        if (writeEnded_)
            return false;
        queue_.push_back(std::move(buffer));
        ++unwritten_;
    }
    const uint64_t posted = 1;
    if (write(wake_, &posted, sizeof posted) < 0) {
        // Only a counter at its limit refuses, and then the thread is awake anyway.
    }
    return true;
}

bool CommLine::WaitForWrites(int timeoutMs)
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return unwritten_ == 0; });
}
