#pragma once
// FM broadcast stations made up in software, as 8-bit IQ the way rtl_sdr
// delivers it: the simulated dongle plays them and the tests and the
// benchmark measure the receiver against them. Each station sends its
// tone (a sine of MHz x 10 Hz on both channels; a stereo station has MHz x
// 15 Hz on the right), a pilot and L-R when stereo, and RDS with its name
// and text when it has a name.
#include "Iq.h"
#include "RdsEncoder.h"

#include <cstdint>
#include <deque>
#include <random>
#include <span>
#include <string>
#include <vector>

struct BroadcastStation {
    double mhz = 0;
    bool stereo = false;
    std::string name;  // RDS station name; empty sends no RDS
    std::string text;  // RDS radio text
};

constexpr float kToneLevel = 0.2512f;  // -12 dBFS
constexpr double kToneHzPerMhzLeft = 10.0;
constexpr double kToneHzPerMhzRight = 15.0;
constexpr double kDefaultSnrDb = 40.0;

// One station's multiplex, sample by sample: the audio pre-emphasised as a
// station does (for a sine, a gain and a phase lead), so that it leaves the
// receiver's de-emphasis at the level it was made with.
class StationMultiplex {
public:
    StationMultiplex(const BroadcastStation& station, double sampleRate, double deemphasis);
    void process(std::span<float> mux);

    double leftHz() const { return leftHz_; }
    double rightHz() const { return rightHz_; }

private:
    void nextRdsSymbol();

    bool stereo_;
    bool rds_;
    double leftHz_;
    double rightHz_;
    // Phasors turned once a sample: the pilot (also the 38 and 57 kHz
    // carriers' phase), and the two tones.
    std::complex<double> pilot_{1.0, 0.0};
    std::complex<double> pilotStep_;
    std::complex<double> left_;
    std::complex<double> leftStep_;
    std::complex<double> right_;
    std::complex<double> rightStep_;
    double leftGain_;
    double rightGain_;

    RdsEncoder encoder_;
    std::deque<uint8_t> bits_;
    double symbolPhase_ = 0;  // 0..1 through the current RDS symbol
    double symbolStep_;
    double symbolSign_ = 1.0;  // differentially coded level of the current symbol
};

struct ModulatorSettings {
    double centreHz = 0;
    double sampleRate = 1024000;
    double snrDb = kDefaultSnrDb;  // carrier to noise over the whole sampled band
    double deemphasis = 50e-6;
    uint32_t seed = 1;
};

// Every station of the table inside the sampled band, each at the same
// level, with Gaussian noise, in rtl_sdr's unsigned bytes.
class BroadcastModulator {
public:
    BroadcastModulator(const std::vector<BroadcastStation>& stations, const ModulatorSettings& settings);
    // Fills `bytes` (I, Q, I, Q...; an odd last byte is left alone).
    void generate(std::span<uint8_t> bytes);
    size_t stationCount() const { return stations_.size(); }

private:
    struct OnAir {
        StationMultiplex multiplex;
        double offsetPhaseStep;  // the station's place in the band, radians per sample
        double phase = 0;
    };
    std::vector<OnAir> stations_;
    double deviationStep_;  // radians per sample at full deviation
    float amplitude_;
    std::mt19937 random_;
    std::normal_distribution<float> noise_;
    std::vector<float> mux_;
    std::vector<Complex> sum_;
};
