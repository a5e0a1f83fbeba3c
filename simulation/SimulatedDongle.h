#pragma once
// SDR device 0 with TUNZO_CARD=simulated: an RTL2832U that delivers the
// station table as wideband FM, 8-bit IQ around wherever it is tuned, with
// noise at TUNZO_SIM_SNR_DB. It keeps <runtime>/simulated-sdr0, a text file
// every process shares: "frequency 94.200" (the station listened to) and
// "present 1"; writing "present 0" unplugs it, so that every read fails as
// a dongle pulled from its socket does.
#include "BroadcastModulator.h"
#include "SdrDongle.h"
#include "SimulatedCard.h"

#include <memory>
#include <string>
#include <vector>

inline constexpr int SimulatedDongleCount = 1;
inline constexpr const char* SimulatedDongleName = "Simulated RTL2832U";
inline constexpr const char* SimulatedDongleSerial = "00000001";

struct DongleState {
    double frequency = 0.0;  // MHz; 0 before the first tune
    bool present = true;
};
std::string FormatDongleState(const DongleState& s);
DongleState ParseDongleState(const std::string& text);
std::string SimulatedDongleStatePath(const std::string& directory);

class SimulatedDongle : public SdrDongle {
public:
    struct Options {
        std::vector<SimulatedStation> stations = DefaultSimulatedStations();
        double snrDb = kDefaultSnrDb;
        std::string stateDirectory;  // empty: state in memory only
        DongleSettings settings;
    };
    explicit SimulatedDongle(Options options);

    bool tune(double stationHz, double centreHz, std::string& problem) override;
    bool read(std::span<uint8_t> bytes, std::string& problem) override;
    double sampleRate() const override { return options_.settings.sampleRate; }
    double rememberedStationHz() const override { return State().frequency * 1e6; }

    DongleState State() const;

private:
    void Write(const DongleState& s);
    bool Present(std::string& problem) const;

    Options options_;
    DongleState memory_;
    std::unique_ptr<BroadcastModulator> modulator_;
};

// The dongle as the environment configures it: TUNZO_SIM_STATIONS,
// TUNZO_SIM_SNR_DB, state under the runtime folder. Opening fails, as for
// an unplugged dongle, while its state says "present 0".
std::unique_ptr<SimulatedDongle> OpenSimulatedDongle(const DongleSettings& settings, std::string& problem);
