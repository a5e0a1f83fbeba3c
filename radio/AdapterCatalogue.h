#pragma once
// The adapters Tunzo knows, by the 1-based "Adapter" setting, with the port
// choices of each. Constant data: the dispatch reads "IO Port" directly and
// never looks the address up here.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

struct PortChoice {
    int32_t value = 0;  // I/O port address, or COM port number for the GemTek
    std::string_view label;
};

struct AdapterEntry {
    std::string_view name;
    uint8_t choiceCount = 0;  // 1 to 3
    std::array<PortChoice, 3> choices{};  // choices[0] is choice 1
    uint8_t defaultChoice = 1;            // 1-based

    const PortChoice& choice(int oneBased) const { return choices[static_cast<size_t>(oneBased - 1)]; }
    const PortChoice& defaultPort() const { return choice(defaultChoice); }
};

extern const std::array<AdapterEntry, 8> AdapterCatalogue;

// "Adapter" values, the catalogue's rows, for the places whose behaviour
// depends on the card.
inline constexpr int RadioTrackAdapter = 1;
inline constexpr int RevealAdapter = 2;      // loads with its volume on the line in
inline constexpr int SF16FMPAdapter = 3;     // RadioTrack protocol, but no search and no volume
inline constexpr int AztechAdapter = 4;
inline constexpr int SerialLineAdapter = 5;  // the GemTek: frames on a serial line
inline constexpr int RadioActiveAdapter = 6; // known, but nothing drives it
inline constexpr int V4L2Adapter = 7;        // a /dev/radioN receiver, named by "Radio device"
inline constexpr int SdrAdapter = 8;         // an RTL2832U dongle, named by "SDR device"

// The companion knows the first five adapters only (no RadioActive).
std::span<const AdapterEntry> CompanionAdapterCatalogue();

// The row of a 1-based adapter number, or nullptr outside the catalogue.
const AdapterEntry* AdapterRow(int adapter, std::span<const AdapterEntry> catalogue = AdapterCatalogue);

// The I/O addresses of the catalogue's port-driven rows, lowest first: the
// only ports the programs ever open, read or write, whatever a store or a
// command line asks for. A program given port access must not become a way
// to write any port of the machine.
std::span<const uint16_t> CataloguePorts();
bool IsCataloguePort(uint16_t port);
// "0x20c, 0x284, ...": the list for messages that refuse another port.
std::string CataloguePortsText();
