// What the line's threads report, and how: the log, the text of a system
// error, the line's error counters, and the events that carry data and the
// hang-up request to the owner's thread.

#include "Comm32Line.h"

#include "Comm32.h"

#include <cstring>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

// ---- the log ----

namespace {
std::mutex logMutex;
int logFd = -1;
}  // namespace

void CommsLog::Open(const std::string& path)
{
    const std::lock_guard lock(logMutex);
    if (logFd >= 0)
        close(logFd);
    logFd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
}

void CommsLog::Close()
{
    const std::lock_guard lock(logMutex);
    if (logFd >= 0)
        close(logFd);
    logFd = -1;
}

void CommsLog::Write(const std::string& line)
{
    const std::lock_guard lock(logMutex);
    if (logFd < 0)
        return;
    const std::string text = line + "\n";
    if (write(logFd, text.data(), text.size()) < 0) {
        // A full disk costs the log, never the line.
    }
}

std::string ErrorLine(const std::string& prefix, int err)
{
    return prefix + "GetLastError returned: \"" + std::strerror(err) + "\"";
}

// ---- line errors ----

bool ReadLineErrorCounts(int fd, LineErrorCounts& counts)
{
    serial_icounter_struct icount{};
    if (ioctl(fd, TIOCGICOUNT, &icount) != 0)
        return false;
    counts.frame = icount.frame;
    counts.overrun = icount.overrun + icount.buf_overrun;
    counts.parity = icount.parity;
    return true;
}

uint32_t NewLineErrors(const LineErrorCounts& before, const LineErrorCounts& after)
{
    uint32_t errors = 0;
    if (after.frame != before.frame)
        errors |= CE_FRAME;
    if (after.overrun != before.overrun)
        errors |= CE_OVERRUN;
    if (after.parity != before.parity)
        errors |= CE_RXPARITY;
    return errors;
}

// ---- what crosses to the owner's thread ----

CommDataEvent::CommDataEvent(const char* bytes, size_t count)
    : QEvent(EventType()), buffer(bytes, bytes + count), length(static_cast<uint16_t>(count))
{
    buffer.push_back('\0');
}

QEvent::Type CommDataEvent::EventType()
{
    static const Type type = static_cast<Type>(registerEventType());
    return type;
}

CommHangupEvent::CommHangupEvent() : QEvent(EventType()) {}

QEvent::Type CommHangupEvent::EventType()
{
    static const Type type = static_cast<Type>(registerEventType());
    return type;
}
