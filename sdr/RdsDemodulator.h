#pragma once
// RDS from the multiplex: the 57 kHz subcarrier is brought to 0 Hz with the
// pilot loop's phase times three (a steady 57 kHz of our own when a mono
// station sends no pilot), a Costas loop takes out what phase is left, a filter
// matched to the biphase symbol and a timing loop find each bit, and the
// differential code gives the data bits to the block sync.
#include "Decimator.h"
#include "RdsBlock.h"
#include "RdsBlockSync.h"

#include <array>
#include <span>
#include <vector>

constexpr double kRdsSubcarrierHz = 57000.0;
constexpr double kRdsBasebandRate = 16000.0;  // about; a whole fraction of the multiplex rate
constexpr double kRdsBasebandCutoffHz = 5500.0;
constexpr double kRdsBasebandTransitionHz = 5000.0;
constexpr double kRdsCostasNaturalHz = 30.0;
constexpr double kRdsCostasDamping = 0.707;
// Wider than the pilot loop's range times three, for stations without one.
constexpr double kRdsCostasPullRangeHz = 60.0;
constexpr double kRdsLevelSeconds = 0.1;
// Timing: the strobe climbs to the matched filter's peak by comparing
// samples this share of a symbol either side, moving by kRdsTimingGain of
// a symbol for a full-scale difference.
constexpr double kRdsEarlyLate = 0.25;
constexpr float kRdsTimingGain = 0.02f;
// A biphase symbol's matched output also has a smaller peak half a symbol
// away; strobes caught there see bigger values halfway than on themselves
// (averaged over about 32 symbols) and are moved across.
constexpr float kRdsHalfwayAverage = 1.0f / 32.0f;
constexpr float kRdsHalfwayRatio = 1.3f;
constexpr size_t kRdsMatchedHistory = 64;  // matched filter outputs kept for interpolation

class RdsDemodulator {
public:
    explicit RdsDemodulator(double muxRate);

    // The blocks completed by this stretch of multiplex, with the flags of
    // the sync's error correction. Without a locked pilot the loop's phase
    // only wanders with the noise, so a steady 57 kHz of our own is used.
    void process(std::span<const float> mux, std::span<const Complex> pilot, bool pilotLocked,
                 std::vector<RdsBlock>& blocks);
    bool inSync() const { return sync_.inSync(); }
    void reset();

private:
    void costasAndMatch(std::span<const Complex> baseband, std::vector<RdsBlock>& blocks);
    void timing(std::vector<RdsBlock>& blocks);
    float matchedAt(double position) const;
    void takeSymbol(float value, std::vector<RdsBlock>& blocks);

    double muxRate_;
    ComplexDecimator decimator_;
    double rate_;
    double samplesPerSymbol_;
    std::vector<Complex> mixed_;
    std::complex<double> ownCarrier_{1.0, 0.0};
    std::complex<double> ownCarrierStep_;
    std::vector<Complex> baseband_;

    // Costas loop
    float costasProportional_;
    float costasIntegral_;
    float levelAlpha_;
    Complex costasPhasor_{1.0f, 0.0f};
    float costasFrequency_ = 0.0f;
    float power_ = 1e-6f;

    // matched filter: one cycle of a sine per symbol, + then -
    std::vector<float> template_;
    std::vector<float> realHistory_;
    std::array<float, kRdsMatchedHistory> matched_{};
    uint64_t matchedCount_ = 0;

    // timing recovery, positions in baseband samples
    double nextStrobe_ = 0;
    float strobeLevel_ = 1e-6f;
    float halfwayLevel_ = 1e-6f;

    bool lastSymbol_ = false;
    RdsBlockSync sync_;
};
