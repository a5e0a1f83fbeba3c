#pragma once
// The one way the receiver reaches an RTL2832U dongle: open, set the centre,
// read bytes, close. Behind it stand librtlsdr, the simulated dongle and the
// replay of a recording, so that everything above runs the same on each.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

// A fixed gain in tenths of a dB, or this for the dongle's automatic gain.
constexpr int kAutomaticGain = -1;

struct DongleSettings {
    double sampleRate = 1024000.0;
    int gainTenthsDb = kAutomaticGain;
    int ppm = 0;  // the crystal's frequency error
};

// A recording cannot be retuned: a station inside it is reached by a shift
// in software, one outside it cannot be.
struct FixedBand {
    double centreHz = 0;
    double sampleRate = 0;
};

class SdrDongle {
public:
    virtual ~SdrDongle() = default;
    // `stationHz` is what the listener tuned, `centreHz` where the dongle
    // sits beside it. False with what to tell the user.
    virtual bool tune(double stationHz, double centreHz, std::string& problem) = 0;
    // Fills all of `bytes` (I, Q, ...); false with the reason when the
    // dongle went away or stopped delivering.
    virtual bool read(std::span<uint8_t> bytes, std::string& problem) = 0;
    virtual double sampleRate() const = 0;
    virtual std::optional<FixedBand> fixedBand() const { return std::nullopt; }
    // The station a dongle that keeps state outside this process was last
    // tuned to (the simulated one), so that a second program finds it there;
    // 0 for a dongle that forgets.
    virtual double rememberedStationHz() const { return 0.0; }
    // A real dongle's reads wait for its samples; the others deliver at
    // once and are paced by whoever listens.
    virtual bool pacedByItself() const { return false; }
};

struct DongleInfo {
    uint32_t index = 0;
    std::string name;
    std::string serial;
};
