#include "SimulatedCard.h"

#include "HardwarePorts.h"
#include "RuntimeDirectory.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

std::vector<SimulatedStation> DefaultSimulatedStations()
{
    // Most send RDS, as most stations do; two do not, so that a newcomer
    // also sees a station known only by its frequency.
    return {{88.4, true, "JAZZ", "Miles Davis - Blue in Green"},
            {89.9, false},
            {91.3, true, "CLASSIC", "Bach: Goldberg Variations"},
            {94.2, false, "NEWS 24", "The news on the hour every hour"},
            {96.1, true, "POP HITS", "Dua Lipa - Houdini"},
            {98.6, true, "ROCK", "Queen - Under Pressure"},
            {100.7, false},
            {101.7, true, "CITY FM", "Traffic and weather together"},
            {103.3, true, "TEN FM", "Blue in Green"},
            {105.8, false, "TALK", "Phone in now"},
            {107.5, true, "DANCE", "Daft Punk - One More Time"}};
}

std::vector<SimulatedStation> ParseSimulatedStations(const std::string& text, std::string* error)
{
    std::vector<SimulatedStation> stations;
    std::string bad;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        // Surrounding blanks are a typing slip, not a different station.
        size_t b = item.find_first_not_of(" \t");
        size_t e = item.find_last_not_of(" \t");
        if (b == std::string::npos)
            continue;
        item = item.substr(b, e - b + 1);
        SimulatedStation s;
        std::string number = item;
        if (const size_t equals = number.find('='); equals != std::string::npos) {
            const std::string rds = number.substr(equals + 1);
            number.resize(equals);
            const size_t slash = rds.find('/');
            s.name = rds.substr(0, std::min(slash, SimulatedRdsNameLength));
            if (slash != std::string::npos)
                s.text = rds.substr(slash + 1, SimulatedRdsTextLength);
        }
        if (!number.empty() && (number.back() == 's' || number.back() == 'S')) {
            s.stereo = true;
            number.pop_back();
        }
        char* end = nullptr;
        errno = 0;
        s.mhz = std::strtod(number.c_str(), &end);
        bool ok = !number.empty() && end && *end == '\0' && errno == 0 && std::isfinite(s.mhz) &&
                  s.mhz > 0.0 && s.mhz < 1000.0;
        if (ok) {
            stations.push_back(s);
        } else {
            if (!bad.empty())
                bad += ", ";
            bad += "'" + item + "'";
        }
    }
    if (error)
        *error = bad.empty() ? std::string() : bad + " is not a frequency in MHz (like 88.4 or 103.3s)";
    return stations;
}

std::optional<SimulatedStation> StationAt(const std::vector<SimulatedStation>& stations, double mhz)
{
    if (mhz <= 0.0)
        return std::nullopt;
    for (const SimulatedStation& s : stations)
        if (std::fabs(s.mhz - mhz) <= 0.05 + 1e-9)
            return s;
    return std::nullopt;
}

std::optional<CardFamily> SimulatedFamilyAt(uint16_t port)
{
    switch (port) {
    case 0x30C:
    case 0x20C:
    case 0x284:
    case 0x384:
        return CardFamily::RadioTrack;
    case 0x350:
    case 0x358:
        return CardFamily::Aztech;
    default:
        return std::nullopt;
    }
}

CardRegisters InitialRegisters(CardFamily family)
{
    CardRegisters r;
    r.volume = family == CardFamily::RadioTrack ? RadioTrackMaxVolume / 2 + 1 : 0;
    return r;
}

// ---- the card ----

SimulatedCard::SimulatedCard(CardFamily family, std::vector<SimulatedStation> stations,
                             std::unique_ptr<CardRegisterStore> store)
    : family_(family), stations_(std::move(stations)), store_(std::move(store))
{
}

void SimulatedCard::change(const std::function<void(CardRegisters&)>& f)
{
    store_->Update(f);
}

void SimulatedCard::resetWord()
{
    word_ = 0;
    bits_ = 0;
    started_ = false;
}

void SimulatedCard::Write(uint8_t value)
{
    if (family_ == CardFamily::RadioTrack)
        writeRadioTrack(value);
    else
        writeAztech(value);
}

// RadioTrack port byte: bit 0 enables the tuner's serial input, bit 1 is its
// clock, bit 2 its data; bit 3 switches the audio on; bits 6 and 7 held low
// pulse the volume up and down; bits 4 and 5 select the status read.
void SimulatedCard::writeRadioTrack(uint8_t value)
{
    const uint8_t before = last_;
    switch (value) {
    case 0x01:  // clock low, data 0
    case 0x05:  // clock low, data 1
    case 0x03:  // clock high, data 0
    case 0x07: {  // clock high, data 1
        const bool wordByte = before == 0x01 || before == 0x03 || before == 0x05 || before == 0x07;
        if (!wordByte) {
            // A new word begins; the tuner is silent while it shifts.
            resetWord();
            change([](CardRegisters& r) { r.audible = false; });
        }
        const bool rising = (value & 0x02) && wordByte && !(before & 0x02);
        if (rising) {
            if (bits_ < 24)
                word_ |= static_cast<uint32_t>((value >> 2) & 1) << bits_;
            ++bits_;
        }
        break;
    }
    case 0x00:  // end of word, audio off
        if (bits_ == 24 && (word_ >> 16) == 0xA0) {
            // Bits 0-15 carry f + 10.7 MHz in 25 kHz units.
            const double mhz = ((word_ & 0xFFFF) - 428) / 40.0;
            change([mhz](CardRegisters& r) {
                r.frequency = std::round(mhz * 1000.0) / 1000.0;
                r.audible = false;
            });
        } else {
            change([](CardRegisters& r) { r.audible = false; });
        }
        resetWord();
        break;
    case 0xC8: {  // volume steady, audio on: ends a pulse
        const int pulse = pendingPulse_;
        pendingPulse_ = 0;
        resetWord();
        change([pulse](CardRegisters& r) {
            r.audible = true;
            r.volume = std::clamp(r.volume + pulse, 0, RadioTrackMaxVolume);
        });
        break;
    }
    case 0x88:  // volume up pulse
    case 0x48:  // volume down pulse
        pendingPulse_ = value == 0x88 ? +1 : -1;
        resetWord();
        change([](CardRegisters& r) { r.audible = true; });
        break;
    case 0xF8:  // status request
    case 0xE8:  // status done
        pendingPulse_ = 0;
        resetWord();
        change([](CardRegisters& r) { r.audible = true; });
        break;
    default:
        // Not a byte this card knows: nothing happens, the decoder included.
        return;
    }
    last_ = value;
}

// Aztech port byte: bits 0 and 2 carry the volume level (0, 1, 4, 5), bit 1
// enables the tuner's serial input, bit 6 is its clock and bit 7 its data.
void SimulatedCard::writeAztech(uint8_t value)
{
    const uint8_t level = value & 0x05;
    const uint8_t control = value & ~0x05;
    const uint8_t before = last_ & ~0x05;
    switch (control) {
    case 0x00:  // volume only
        resetWord();
        break;
    case 0x42:  // clock high, data 0
        if (before == 0xC2) {
            // Data falling while the clock is high: a start condition.
            resetWord();
            started_ = true;
        } else if (before == 0x02 && started_) {
            ++bits_;  // a 0 bit
        }
        break;
    case 0xC2:  // clock high, data 1
        if (before == 0x82 && started_) {
            if (bits_ < 24)
                word_ |= 1u << bits_;
            ++bits_;
        }
        break;
    case 0x02:  // clock low, data 0
    case 0x82:  // clock low, data 1
        break;
    case 0xC0:  // latch
        // Bit 0 is 0 and bits 18-23 are 1,0,0,1,0,1 in every word the card takes.
        if (started_ && bits_ == 24 && (word_ & 1) == 0 && (word_ >> 18) == 0x29) {
            const uint32_t n = (word_ >> 1) & 0xFFFF;  // f + 10.7 MHz in 50 kHz units
            const bool stereo = (word_ >> 17) & 1;
            const double mhz = n / 20.0 - 10.7;
            change([mhz, stereo](CardRegisters& r) {
                r.frequency = std::round(mhz * 1000.0) / 1000.0;
                r.stereoRequested = stereo;
            });
        }
        resetWord();
        break;
    default:
        return;  // unknown byte: the card ignores it
    }
    const int volume = level == 0 ? 0 : level == 1 ? 1 : level == 4 ? 2 : 3;
    change([volume](CardRegisters& r) {
        r.volume = volume;
        r.audible = volume > 0;
    });
    last_ = value;
}

uint8_t SimulatedCard::Read()
{
    const CardRegisters r = store_->Load();
    const std::optional<SimulatedStation> station = StationAt(stations_, r.frequency);
    if (family_ == CardFamily::RadioTrack) {
        // The tuner only drives its status line after a status request.
        if (last_ != 0xF8 || !station)
            return 0xFF;
        return 0xFD;
    }
    if (!station)
        return 0xFF;  // bit 0: no station
    return station->stereo && r.stereoRequested ? 0xFC : 0xFE;  // bit 1: mono
}

// ---- the machine ----

std::string SimulatedCardStatePath(const std::string& directory, uint16_t port)
{
    char name[40];
    std::snprintf(name, sizeof name, "/simulated-card-0x%x", port);
    return directory + name;
}

SimulatedCardBackend::SimulatedCardBackend(Options options) : options_(std::move(options)) {}

bool SimulatedCardBackend::openAccess(uint16_t)
{
    return true;
}

SimulatedCard* SimulatedCardBackend::card(uint16_t port)
{
    for (auto& [at, c] : cards_)
        if (at == port)
            return c.get();
    std::optional<CardFamily> family = SimulatedFamilyAt(port);
    if (!family)
        return nullptr;
    std::unique_ptr<CardRegisterStore> store;
    if (options_.stateDirectory.empty())
        store = std::make_unique<MemoryRegisterStore>(InitialRegisters(*family));
    else
        store = std::make_unique<FileRegisterStore>(SimulatedCardStatePath(options_.stateDirectory, port),
                                                    InitialRegisters(*family));
    cards_.emplace_back(port, std::make_unique<SimulatedCard>(*family, options_.stations, std::move(store)));
    return cards_.back().second.get();
}

void SimulatedCardBackend::out(uint16_t port, uint8_t value)
{
    if (SimulatedCard* c = card(port))
        c->Write(value);
}

uint8_t SimulatedCardBackend::in(uint16_t port)
{
    SimulatedCard* c = card(port);
    return c ? c->Read() : 0xFF;
}

void SimulatedCardBackend::sleepMs(int ms)
{
    if (options_.realDelays)
        SleepRealMs(ms);
    else
        virtualMs += ms;
}

std::unique_ptr<SimulatedCardBackend> MakeSimulatedCardFromEnvironment()
{
    SimulatedCardBackend::Options options;
    if (const char* text = std::getenv("TUNZO_SIM_STATIONS"); text && *text) {
        std::string error;
        options.stations = ParseSimulatedStations(text, &error);
        if (!error.empty())
            std::fprintf(stderr, "tunzo: TUNZO_SIM_STATIONS: %s; left out\n", error.c_str());
    }
    const RuntimeFolder runtime = OpenRuntimeFolder();
    static bool warned = false;
    if (runtime.usable()) {
        options.stateDirectory = runtime.path;
    } else if (!warned) {
        warned = true;
        std::fprintf(stderr, InMemoryWarning, runtime.problem.c_str());
    }
    return std::make_unique<SimulatedCardBackend>(std::move(options));
}
