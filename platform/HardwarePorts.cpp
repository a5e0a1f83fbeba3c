#include "HardwarePorts.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define TUNZO_HAVE_PORT_INSTRUCTIONS 1
namespace {
constexpr unsigned IopermPortLimit = 0x400;
}
#endif

void SleepRealMs(int ms)
{
    if (ms <= 0)
        return;
    timespec left{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

HardwarePortBackend::~HardwarePortBackend()
{
    if (devPort_ >= 0)
        close(devPort_);
}

bool HardwarePortBackend::openAccess(uint16_t port)
{
    if (granted(port))
        return true;
#ifdef TUNZO_HAVE_PORT_INSTRUCTIONS
    // ioperm reaches the first 0x400 ports, which is where the ISA cards sit.
    // Nothing above is asked for: the only way there is iopl, which would open
    // every port of the machine to this process.
    bool ok = port < IopermPortLimit && ioperm(port, 1, 1) == 0;
#else
    if (devPort_ < 0)
        devPort_ = open("/dev/port", O_RDWR | O_CLOEXEC);
    bool ok = devPort_ >= 0;
#endif
    if (ok)
        granted_.insert(port);
    return ok;
}

void HardwarePortBackend::out(uint16_t port, uint8_t value)
{
    if (!granted(port))
        return;
#ifdef TUNZO_HAVE_PORT_INSTRUCTIONS
    outb(value, port);
#else
    if (pwrite(devPort_, &value, 1, port) != 1) {
        // The byte is lost, as on a bus with no card; the protocols have no
        // error path for a write.
    }
#endif
}

uint8_t HardwarePortBackend::in(uint16_t port)
{
    if (!granted(port))
        return 0xFF;
#ifdef TUNZO_HAVE_PORT_INSTRUCTIONS
    return inb(port);
#else
    uint8_t value = 0xFF;
    if (pread(devPort_, &value, 1, port) != 1)
        value = 0xFF;
    return value;
#endif
}

void HardwarePortBackend::sleepMs(int ms)
{
    SleepRealMs(ms);
}
