#pragma once
// Tests drive the simulated card with virtual delays: its sleeps advance a
// counter instead of the clock.

#include "PortBackend.h"
#include "SimulatedCard.h"

#include <cstdint>
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

// The RadioTrack bytes that tune 100.0 MHz and leave the card audible, as the
// dispatch sends them: the word 0xA0114C shifted in with its clock, then the
// end of the word and the sound on.
inline void TuneRadioTrackTo100AndPlay(PortBackend& ports, uint16_t port = 0x30C)
{
    constexpr uint32_t WordFor100MHz = 0xA0114C;
    constexpr int WordBits = 24;
    for (int i = 0; i < WordBits; ++i) {
        const uint8_t data = ((WordFor100MHz >> i) & 1) ? 0x04 : 0x00;
        for (uint8_t clock : {0x00, 0x00, 0x02, 0x02})
            ports.out(port, 0x01 | data | clock);
    }
    ports.out(port, 0x00);  // end of the word
    ports.out(port, 0xC8);  // volume steady + audio on
}
