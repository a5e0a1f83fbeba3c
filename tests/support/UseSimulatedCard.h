#pragma once
// Tests drive the simulated card with virtual delays: its sleeps advance a
// counter instead of the clock.

#include "PortBackend.h"
#include "SimulatedCard.h"

#include <memory>
#include <vector>

// Installs a simulated machine with `stations` as the port backend and
// answers it; it lives until the backend is replaced.
inline SimulatedCardBackend* UseSimulatedCard(std::vector<SimulatedStation> stations)
{
    SimulatedCardBackend::Options options;
    options.realDelays = false;
    options.stations = std::move(stations);
    auto owned = std::make_unique<SimulatedCardBackend>(options);
    SimulatedCardBackend* card = owned.get();
    SetPortBackend(std::move(owned));
    return card;
}
