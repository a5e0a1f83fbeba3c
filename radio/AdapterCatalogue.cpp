#include "AdapterCatalogue.h"

#include <algorithm>
#include <cstdio>
#include <vector>

// Labels as the adapters' own setup tools showed them, "30h (Default)" for
// 0x30C and the mixed "Alternate"/"Alternative" included.
const std::array<AdapterEntry, 8> AdapterCatalogue = {{
    {"Aims Labs RadioTrack", 2, {{{0x30C, "30h (Default)"}, {0x20C, "20c (Alternate)"}, {}}}, 1},
    {"Reveal RA300", 2, {{{0x30C, "30h (Default)"}, {0x20C, "20c (Alternate)"}, {}}}, 1},
    {"SF16-FMP", 2, {{{0x384, "384h (Alternate)"}, {0x284, "284h (Default)"}, {}}}, 2},
    {"Aztech/Packard-Bell/Comp-Express", 2, {{{0x350, "350h (Default)"}, {0x358, "358h (Alternative)"}, {}}}, 1},
    {"GemTek", 2, {{{1, "Com1"}, {2, "Com2"}, {}}}, 1},
    {"RadioActive", 3, {{{0x316, "316h (Default)"}, {0x336, "336h (Alternative)"}, {0x350, "350h (Alternative)"}}}, 1},
    // Named by "Radio device", not by a port.
    {"V4L2 radio device", 0, {}, 1},
    // Named by "SDR device", its index among the dongles.
    {"RTL-SDR receiver", 0, {}, 1},
}};

std::span<const AdapterEntry> CompanionAdapterCatalogue()
{
    return std::span<const AdapterEntry>(AdapterCatalogue).first(5);
}

const AdapterEntry* AdapterRow(int adapter, std::span<const AdapterEntry> catalogue)
{
    if (adapter < 1 || adapter > static_cast<int>(catalogue.size()))
        return nullptr;
    return &catalogue[static_cast<size_t>(adapter - 1)];
}

namespace {
// The GemTek row holds COM port numbers, not addresses.
constexpr int SerialLineRow = 5;

std::vector<uint16_t> CollectCataloguePorts()
{
    std::vector<uint16_t> ports;
    for (size_t row = 0; row < AdapterCatalogue.size(); ++row) {
        if (static_cast<int>(row) + 1 == SerialLineRow)
            continue;
        const AdapterEntry& entry = AdapterCatalogue[row];
        for (int i = 0; i < entry.choiceCount; ++i)
            ports.push_back(static_cast<uint16_t>(entry.choices[static_cast<size_t>(i)].value));
    }
    std::sort(ports.begin(), ports.end());
    ports.erase(std::unique(ports.begin(), ports.end()), ports.end());
    return ports;
}
}  // namespace

std::span<const uint16_t> CataloguePorts()
{
    static const std::vector<uint16_t> ports = CollectCataloguePorts();
    return ports;
}

bool IsCataloguePort(uint16_t port)
{
    const std::span<const uint16_t> ports = CataloguePorts();
    return std::binary_search(ports.begin(), ports.end(), port);
}

std::string CataloguePortsText()
{
    std::string text;
    for (uint16_t port : CataloguePorts()) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%x", port);
        text += (text.empty() ? "" : ", ") + std::string(hex);
    }
    return text;
}
