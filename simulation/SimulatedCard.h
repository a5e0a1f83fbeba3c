#pragma once
// A model of the radio cards at port level, so that Tunzo can be tried and
// tested without an ISA card. It decodes the bytes the real cards understand
// and answers the status reads from a table of stations.
//
// The simulated machine has a RadioTrack-family card answering at 0x30C,
// 0x20C, 0x284 and 0x384 and an Aztech card at 0x350 and 0x358; nothing answers
// at any other address. Each card keeps its registers in a small file under
// the runtime folder, so that every process drives the same card, as with
// hardware: a radio left playing by one program still plays for the next.

#include "PortBackend.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// What RDS carries of a station: its name and radio text.
inline constexpr size_t SimulatedRdsNameLength = 8;
inline constexpr size_t SimulatedRdsTextLength = 64;

struct SimulatedStation {
    double mhz = 0.0;
    bool stereo = false;
    std::string name = {};  // the RDS station name; empty sends no RDS
    std::string text = {};  // the RDS radio text
};

// The stations the card receives when TUNZO_SIM_STATIONS is not set.
std::vector<SimulatedStation> DefaultSimulatedStations();

// "88.4s=JAZZ/Blue in Green,94.2,103.3s": MHz, with "s" for a stereo station,
// then its RDS name and text. Entries that are not
// frequencies are left out and named in `error` (empty when all were good).
std::vector<SimulatedStation> ParseSimulatedStations(const std::string& text, std::string* error);

// The station received on `mhz`, if one lies within 50 kHz.
std::optional<SimulatedStation> StationAt(const std::vector<SimulatedStation>& stations, double mhz);

enum class CardFamily { RadioTrack, Aztech };

// Which family answers at a port of the simulated machine, if any.
std::optional<CardFamily> SimulatedFamilyAt(uint16_t port);

// What the card holds between operations.
struct CardRegisters {
    double frequency = 0.0;  // MHz as latched from the last complete word; 0 = never tuned
    bool audible = false;
    // RadioTrack: 0..15, stepped by the volume pulses. Aztech: 0..3 from the
    // level bits of each write (written values 0, 1, 4, 5).
    int volume = 0;
    bool stereoRequested = false;  // Aztech: the control word's stereo bit
    bool operator==(const CardRegisters&) const = default;
};

constexpr int RadioTrackMaxVolume = 15;
CardRegisters InitialRegisters(CardFamily family);

// "frequency 100.000\naudible 1\n...": the state file's text. Unknown or
// damaged lines are ignored on reading, so a damaged file reads as far as it
// can and never stops the card.
std::string FormatCardRegisters(const CardRegisters& r);
CardRegisters ParseCardRegisters(const std::string& text, CardRegisters base);

// Keeps a card's registers: in memory, or in a file shared between processes.
class CardRegisterStore {
public:
    virtual ~CardRegisterStore() = default;
    virtual CardRegisters Load() = 0;
    virtual void Update(const std::function<void(CardRegisters&)>& change) = 0;
};

class MemoryRegisterStore : public CardRegisterStore {
public:
    explicit MemoryRegisterStore(CardRegisters initial) : regs_(initial) {}
    CardRegisters Load() override { return regs_; }
    void Update(const std::function<void(CardRegisters&)>& change) override { change(regs_); }

private:
    CardRegisters regs_;
};

// Each update locks the file, reads it, changes it and writes it back, so two
// processes never lose each other's changes. The file is opened as the
// runtime folder's files are (no links, no FIFOs, only a file of ours); when
// it cannot be used, the registers live in memory for the rest of the
// process, with one warning on standard error.
inline constexpr const char* InMemoryWarning = "tunzo: %s; the simulated card keeps its registers in memory\n";

class FileRegisterStore : public CardRegisterStore {
public:
    FileRegisterStore(std::string path, CardRegisters initial);
    CardRegisters Load() override;
    void Update(const std::function<void(CardRegisters&)>& change) override;
    const std::string& path() const { return path_; }

private:
    void fallBackToMemory(const std::string& problem);

    std::string path_;
    CardRegisters initial_;
    std::optional<CardRegisters> memory_;  // set once the file proved unusable
};

// One card: its decoder (the shift register and the last byte seen, which
// live in the card's logic, not in the shared file) over its register store.
class SimulatedCard {
public:
    SimulatedCard(CardFamily family, std::vector<SimulatedStation> stations,
                  std::unique_ptr<CardRegisterStore> store);
    void Write(uint8_t value);
    uint8_t Read();
    CardRegisters Registers() { return store_->Load(); }
    CardFamily family() const { return family_; }

private:
    void writeRadioTrack(uint8_t value);
    void writeAztech(uint8_t value);
    void change(const std::function<void(CardRegisters&)>& f);
    void resetWord();

    CardFamily family_;
    std::vector<SimulatedStation> stations_;
    std::unique_ptr<CardRegisterStore> store_;
    uint32_t word_ = 0;
    int bits_ = 0;          // bits shifted in; above 24 the word is spoilt
    bool started_ = false;  // Aztech: a start condition was seen
    uint8_t last_ = 0;      // last byte written, in this process
    int pendingPulse_ = 0;  // RadioTrack: +1 or -1 while a volume pulse is low
};

// The simulated machine as a port backend.
class SimulatedCardBackend : public PortBackend {
public:
    struct Options {
        std::vector<SimulatedStation> stations = DefaultSimulatedStations();
        std::string stateDirectory;  // empty: registers in memory only
        bool realDelays = true;      // false: sleeps advance virtualMs only
    };
    explicit SimulatedCardBackend(Options options);

    bool openAccess(uint16_t port) override;
    void out(uint16_t port, uint8_t value) override;
    uint8_t in(uint16_t port) override;
    void sleepMs(int ms) override;

    // The card at `port`, or nullptr where the machine has none.
    SimulatedCard* card(uint16_t port);
    int64_t virtualMs = 0;

private:
    Options options_;
    std::vector<std::pair<uint16_t, std::unique_ptr<SimulatedCard>>> cards_;
};

// The simulated machine as the environment configures it: TUNZO_SIM_STATIONS
// or the default table, registers under the runtime folder (in memory, with
// one warning, when that folder cannot be used), real delays.
std::unique_ptr<SimulatedCardBackend> MakeSimulatedCardFromEnvironment();

// The state file of the simulated card at `port` under `directory`.
std::string SimulatedCardStatePath(const std::string& directory, uint16_t port);
