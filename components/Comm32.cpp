#include "Comm32.h"

#include "Comm32Line.h"

#include <array>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr uint32_t KnownLineErrors = CE_FRAME | CE_OVERRUN | CE_RXPARITY;
constexpr const char* ComPrefix = "COM";
constexpr size_t ComPrefixLength = 3;
constexpr const char* FirstSerialDevice = "/dev/ttyS";

// The rates a termios line takes; any other BaudRate leaves the line's own.
constexpr std::array<std::pair<int32_t, speed_t>, 22> BaudRates = {{
    {50, B50},         {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},       {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800}, {500000, B500000},
    {921600, B921600}, {1000000, B1000000},
}};

void SetBaudRate(termios& t, int32_t baudRate)
{
    for (const auto& [rate, speed] : BaudRates) {
        if (rate == baudRate) {
            cfsetispeed(&t, speed);
            cfsetospeed(&t, speed);
            return;
        }
    }
    CommsLog::Write("Baud rate " + std::to_string(baudRate) + " is not one the line takes; it keeps its own");
}

void SetParity(termios& t, TParity parity)
{
    t.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD | CMSPAR);
    switch (parity) {
    case pNone:
        break;
    case pOdd:
        t.c_cflag |= PARENB | PARODD;
        break;
    case pEven:
        t.c_cflag |= PARENB;
        break;
    case pMark:
        t.c_cflag |= PARENB | PARODD | CMSPAR;
        break;
    case pSpace:
        t.c_cflag |= PARENB | CMSPAR;
        break;
    }
}

// Rate, parity and stop bits from the properties; data bits and the modem
// lines' flow control stay as the line has them. A Windows port hands bytes
// over as they are, so the terminal's line editing, echo, signal keys and
// newline translation go, and the modem lines do not hold the data up. So
// does software flow control: the radio never speaks it, and one stray XOFF
// byte from the line would otherwise stop all output, the mute at the end
// included, until an XON that never comes.
void ApplyLineSettings(int fd, const TComm32& port)
{
    termios t{};
    if (tcgetattr(fd, &t) != 0) {
        CommsLog::Write(ErrorLine("GetCommState: ", errno));
        return;
    }
    SetBaudRate(t, port.BaudRate);
    SetParity(t, port.Parity);
    // Linux has no 1.5 stop bits; the UART sends 1.5 for "two" at 5 data bits.
    if (port.StopBits == sb1_0)
        t.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);
    else
        t.c_cflag |= CSTOPB;
    t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY);
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSANOW, &t) != 0)
        CommsLog::Write(ErrorLine("SetCommState: ", errno));
}

// n for "COMn" (any case, n from 1), else 0.
int ComNumber(const std::string& name)
{
    if (name.size() <= ComPrefixLength || strncasecmp(name.c_str(), ComPrefix, ComPrefixLength) != 0)
        return 0;
    int n = 0;
    for (size_t i = ComPrefixLength; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i])) || n > 1000)
            return 0;
        n = n * 10 + (name[i] - '0');
    }
    return n;
}

}  // namespace

std::string CommEventText(uint32_t errors)
{
    std::string text;
    const auto add = [&text](const char* part) {
        if (!text.empty())
            text += " and ";
        text += part;
    };
    if (errors == 0)
        add("NULL Error");
    if (errors & CE_FRAME)
        add("CE_FRAME");
    if (errors & CE_OVERRUN)
        add("CE_OVERRUN");
    if (errors & CE_RXPARITY)
        add("CE_RXPARITY");
    if (errors & ~KnownLineErrors)
        add("EV_ERR Unknown EvtMask");
    return "Comm Event: " + text + ", EvtMask = " + std::to_string(errors);
}

std::string CommDevicePath(const std::string& commPort)
{
    const int n = ComNumber(commPort);
    if (n < 1)
        return commPort;
    const std::string variable = "TUNZO_SERIAL_COM" + std::to_string(n);
    if (const char* device = std::getenv(variable.c_str()); device && *device)
        return device;
    return FirstSerialDevice + std::to_string(n - 1);
}

TComm32::TComm32(QObject* owner) : QObject(owner) {}

TComm32::~TComm32()
{
    StopPort();
}

bool TComm32::StartPort()
{
    if (line_)
        throw ECommsError("Already have a comm file open");
    if (!CommsLogFileName.empty())
        CommsLog::Open(CommsLogFileName);
    try {
        const std::string path = CommDevicePath(CommPort);
        // Not blocking: opening waits for no modem line, and no read or write
        // of the threads can outlast the close event.
        const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            const int err = errno;
            CommsLog::Write(ErrorLine("Error opening com port: ", err));
            throw ECommsError("Error opening com port", path + ": " + std::strerror(err));
        }
        if (!isatty(fd)) {
            close(fd);
            throw ECommsError("File handle is not a comm handle. ", path + " is not a serial line");
        }
        // No sharing: another program's open now fails, as on Windows.
        ioctl(fd, TIOCEXCL);
        ApplyLineSettings(fd, *this);
        auto line = std::make_unique<CommLine>(fd, this, OnWritten);
        line->Start();
        line_ = std::move(line);
    } catch (const ECommsError&) {
        if (!CommsLogFileName.empty())
            CommsLog::Close();
        throw;
    }
    return true;
}

void TComm32::StopPort()
{
    if (!line_)
        return;
    CommsLog::Write("Stopping the Comm");
    line_.reset();
    if (!CommsLogFileName.empty())
        CommsLog::Close();
}

bool TComm32::WriteData(const void* buffer, uint16_t count)
{
    if (!line_) {
        CommsLog::Write("Write thread not created");
        return false;
    }
    const char* bytes = static_cast<const char*>(buffer);
    if (!line_->Post(std::vector<char>(bytes, bytes + count))) {
        CommsLog::Write("Failed to Post to Write thread. ");
        return false;
    }
    return true;
}

bool TComm32::WaitForWrites(int timeoutMs)
{
    return !line_ || line_->WaitForWrites(timeoutMs);
}

void TComm32::customEvent(QEvent* event)
{
    if (event->type() == CommDataEvent::EventType()) {
        const auto* data = static_cast<CommDataEvent*>(event);
        if (OnReceiveData)
            OnReceiveData(data->buffer.data(), data->length);
    } else if (event->type() == CommHangupEvent::EventType()) {
        if (OnRequestHangup)
            OnRequestHangup(this);
    }
}
