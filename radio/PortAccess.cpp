#include "PortAccess.h"

#include "AdapterCatalogue.h"
#include "PortBackend.h"
#include "TunerSettings.h"

#include <cstdio>
#include <set>
#include <sys/utsname.h>
#include <unistd.h>

namespace {
bool gatePassed = false;
std::set<uint16_t> grantedPorts;
int lastGranted = -1;  // a tune is 98 writes to one port: skip the set lookup

bool Granted(uint16_t port)
{
    if (!gatePassed || !IsCataloguePort(port))
        return false;
    if (port == lastGranted)
        return true;
    if (grantedPorts.count(port)) {
        lastGranted = port;
        return true;
    }
    if (!CurrentPortBackend().openAccess(port))
        return false;
    grantedPorts.insert(port);
    lastGranted = port;
    return true;
}
}  // namespace

void PortOut(uint16_t port, uint8_t value)
{
    if (Granted(port))
        CurrentPortBackend().out(port, value);
}

uint8_t PortIn(uint16_t port)
{
    return Granted(port) ? CurrentPortBackend().in(port) : 0xFF;
}

void SleepMs(int ms)
{
    CurrentPortBackend().sleepMs(ms);
}

bool OpenPortAccess()
{
    grantedPorts.clear();
    lastGranted = -1;
    const uint16_t port = TunerSettings.CardPort;
    gatePassed = IsCataloguePort(port) && CurrentPortBackend().openAccess(port);
    if (gatePassed)
        grantedPorts.insert(port);
    return gatePassed;
}

void ClosePortAccess()
{
    gatePassed = false;
    grantedPorts.clear();
    lastGranted = -1;
}

std::string OperatingSystemName()
{
    utsname name{};
    if (uname(&name) != 0)
        return "Unknown";
    return name.sysname;
}

std::string PortAccessDeniedMessage(uint16_t port, const std::string& program)
{
    char text[512];
    if (!IsCataloguePort(port)) {
        std::snprintf(text, sizeof text,
                      "The I/O port 0x%x is not the port of any radio card Tunzo knows, so nothing is sent to it.\n"
                      "The cards answer on %s; choose one of these as the card's port.",
                      port, CataloguePortsText().c_str());
        return text;
    }
    std::snprintf(text, sizeof text,
                  "No access to the radio card's I/O port 0x%x.\n"
                  "Run as root, or give the program the right to use I/O ports once with:\n"
                  "  sudo setcap cap_sys_rawio+ep %s\n"
                  "To try Tunzo without a card, set TUNZO_CARD=simulated.",
                  port, program.c_str());
    return text;
}

std::string PortAccessDeniedMessage(uint16_t port, const char* fallbackName)
{
    char program[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", program, sizeof program - 1);
    return PortAccessDeniedMessage(port, std::string(n > 0 ? program : fallbackName));
}
