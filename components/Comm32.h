#pragma once
// A serial port moved by two worker threads, so that the user-interface
// thread never blocks on the line: a read thread that waits for incoming bytes
// and line errors and hands them over as OnReceiveData, and a write thread
// that sends the buffers WriteData queues, in order.
//
// On Linux the port is a termios device: "COM1" is /dev/ttyS0, "COM2"
// /dev/ttyS1 (TUNZO_SERIAL_COM1 and TUNZO_SERIAL_COM2 name another device,
// a USB adapter or a pseudo-terminal), and a name starting with "/" is the
// device itself. Data crosses to the owner's thread in posted events that own
// their buffers; everything else the threads meet goes to the optional log
// and to OnRequestHangup. Needs only QtCore.

#include "ComponentEvents.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

// Raised by StartPort only; what() is the component's own text, Reason() the
// system's words when there are any ("/dev/ttyS0: Permission denied").
class ECommsError : public std::runtime_error {
public:
    explicit ECommsError(const std::string& text, std::string reason = {})
        : std::runtime_error(text), reason_(std::move(reason))
    {
    }
    const std::string& Reason() const { return reason_; }

private:
    std::string reason_;
};

enum TParity { pNone, pOdd, pEven, pMark, pSpace };
enum TStopBits { sb1_0, sb1_5, sb2_0 };

// Buffer holds BufferLength bytes and a terminating zero after them.
using TReceiveDataEvent = std::function<void(const char* Buffer, uint16_t BufferLength)>;
// A buffer the write thread has handed to the line whole; called on that
// thread, so it must be safe there and must not block.
using TWrittenEvent = std::function<void(const char* Buffer, size_t BufferLength)>;

inline constexpr int32_t DefaultBaudRate = 9600;
inline constexpr uint8_t DefaultByteSize = 8;
// One read hands over at most this much; a read ends after ReadIntervalMs
// without a new byte.
inline constexpr int ReadBufferSize = 2048;
inline constexpr int ReadIntervalMs = 250;
// How long StopPort waits for a thread before it says so in the log.
inline constexpr int ThreadExitWaitMs = 10000;

// The line-error bits a report names.
inline constexpr uint32_t CE_OVERRUN = 2;
inline constexpr uint32_t CE_RXPARITY = 4;
inline constexpr uint32_t CE_FRAME = 8;

// "Comm Event: CE_FRAME, EvtMask = 8": the text a line-error report carries.
std::string CommEventText(uint32_t errors);

// The device a port name opens, as the header above says.
std::string CommDevicePath(const std::string& commPort);

class CommLine;

class TComm32 : public QObject {
    Q_OBJECT
public:
    explicit TComm32(QObject* owner = nullptr);
    // Stops an open port first: no thread outlives the component.
    ~TComm32() override;

    int32_t BaudRate = DefaultBaudRate;
    uint8_t ByteSize = DefaultByteSize;  // kept only: the line's own data bits stay
    TParity Parity = pNone;
    TStopBits StopBits = sb1_0;
    std::string CommPort = "COM2";
    std::string CommsLogFileName;  // empty: no log
    TReceiveDataEvent OnReceiveData;
    TNotifyEvent OnRequestHangup;
    // Set before StartPort; what was queued but never left (a line that
    // stopped, a port closed first) is never reported.
    TWrittenEvent OnWritten;

    // Opens CommPort and starts both threads; returns once both are ready
    // (or one of them has asked to hang up). Raises ECommsError, and then
    // leaves nothing open.
    bool StartPort();
    // Ends both threads and closes the port; queued writes are dropped.
    // Harmless on a closed port.
    void StopPort();
    // Queues a copy of the bytes for the write thread; false (and nothing
    // sent) when the port is closed or the write thread has ended.
    bool WriteData(const void* buffer, uint16_t count);

    bool PortOpen() const { return line_ != nullptr; }
    // Waits until the write thread has handed every queued buffer to the
    // line, at most `timeoutMs`; true when it has. Lets an owner close the
    // line without losing what it just sent.
    bool WaitForWrites(int timeoutMs);

protected:
    void customEvent(QEvent* event) override;

private:
    std::unique_ptr<CommLine> line_;
};
