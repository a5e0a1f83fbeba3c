#pragma once
// The inside of an open TComm32: the port descriptor, the close event both
// threads wait on, the read and write threads, and what they hand to the
// owner's thread. Not for use outside the component.

#include <QEvent>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class QObject;

// One log for all instances in the process: opened (emptied) by StartPort,
// closed by StopPort; written from three threads, a line at a time, so that
// lines never mix.
namespace CommsLog {
void Open(const std::string& path);
void Close();
void Write(const std::string& line);
}  // namespace CommsLog

// "<prefix>GetLastError returned: "<the system's text for err>"": the log's
// line for a failed system call.
std::string ErrorLine(const std::string& prefix, int err);

// The line's error counters as the serial driver keeps them; a pseudo-
// terminal keeps none.
struct LineErrorCounts {
    int frame = 0;
    int overrun = 0;
    int parity = 0;
};
bool ReadLineErrorCounts(int fd, LineErrorCounts& counts);
// The report's error bits for the counters that grew from `before` to `after`.
uint32_t NewLineErrors(const LineErrorCounts& before, const LineErrorCounts& after);

// Received bytes or a line-error text, with a zero after them; the event owns
// the buffer, so it leaves with the event.
class CommDataEvent : public QEvent {
public:
    CommDataEvent(const char* bytes, size_t count);
    static Type EventType();
    std::vector<char> buffer;
    uint16_t length = 0;
};

// A thread met an error and asks the owner to close the line.
class CommHangupEvent : public QEvent {
public:
    CommHangupEvent();
    static Type EventType();
};

class CommLine {
public:
    // Takes over the open port descriptor; the destructor closes it.
    // `written` (may be empty) hears of each buffer once the line took it.
    CommLine(int fd, QObject* receiver, std::function<void(const char*, size_t)> written = {});
    // Ends both threads (each within a bounded time: nothing they wait for
    // outlasts the close event) and closes the port.
    ~CommLine();
    CommLine(const CommLine&) = delete;
    CommLine& operator=(const CommLine&) = delete;

    // Makes the close event, starts both threads and waits until each is
    // ready or one has asked to hang up. Raises ECommsError; the destructor
    // then ends what was started.
    void Start();
    // False when the write thread has ended: nothing would ever send it.
    bool Post(std::vector<char> buffer);
    // True once nothing queued is left: written, or dropped by a write
    // thread that ended.
    bool WaitForWrites(int timeoutMs);

private:
    void ReadThread();
    void ReadLoop();
    size_t ReadChunk(std::vector<char>& buffer, int& error);
    void ReportLineErrors(LineErrorCounts& counts);
    void WriteThread();
    void WriteLoop();
    bool WriteBuffer(const std::vector<char>& buffer);
    bool TakeNext(std::vector<char>& buffer);
    void FinishWrite();

    void StartThread(std::thread& thread, void (CommLine::*body)(), const char* failure);
    void StopThread(std::thread& thread, const bool& ended, const char* closing, const char* stuck);
    void ReportReady();
    void PostHangup();
    void PostData(const char* bytes, size_t count);
    void MarkEnded(bool& ended);
    bool CloseSignalled() const;

    int fd_ = -1;
    int closeEvent_ = -1;  // an eventfd that is never read: once written, it stays signalled
    int wake_ = -1;        // an eventfd the write thread waits on for new buffers
    QObject* receiver_ = nullptr;
    std::function<void(const char*, size_t)> written_;
    std::thread reader_;
    std::thread writer_;

    std::mutex mutex_;
    std::condition_variable changed_;
    int ready_ = 0;
    bool hangupAsked_ = false;
    bool readEnded_ = true;
    bool writeEnded_ = true;
    std::deque<std::vector<char>> queue_;
    int unwritten_ = 0;  // buffers queued or being written
};
