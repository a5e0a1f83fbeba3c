#include "PortBackend.h"

#include "HardwarePorts.h"
#include "PortTrace.h"
#include "SimulatedCard.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
std::unique_ptr<PortBackend>& Slot()
{
    static std::unique_ptr<PortBackend> backend;
    return backend;
}
}  // namespace

bool SimulatedCardSelected()
{
    const char* card = std::getenv("TUNZO_CARD");
    return card && std::strcmp(card, "simulated") == 0;
}

std::unique_ptr<PortBackend> MakePortBackendFromEnvironment()
{
    std::unique_ptr<PortBackend> backend;
    if (SimulatedCardSelected()) {
        backend = MakeSimulatedCardFromEnvironment();
    } else {
        const char* card = std::getenv("TUNZO_CARD");
        if (card && *card && std::strcmp(card, "hardware") != 0)
            std::fprintf(stderr, "tunzo: TUNZO_CARD=%s is not known (use \"simulated\"); using the hardware ports\n",
                         card);
        backend = std::make_unique<HardwarePortBackend>();
    }
    if (const char* trace = std::getenv("TUNZO_PORT_TRACE"); trace && *trace)
        backend = std::make_unique<TracingPortBackend>(std::move(backend), trace);
    return backend;
}

PortBackend& CurrentPortBackend()
{
    std::unique_ptr<PortBackend>& slot = Slot();
    if (!slot)
        slot = MakePortBackendFromEnvironment();
    return *slot;
}

std::unique_ptr<PortBackend> SetPortBackend(std::unique_ptr<PortBackend> backend)
{
    std::unique_ptr<PortBackend> previous = std::move(Slot());
    Slot() = std::move(backend);
    return previous;
}
