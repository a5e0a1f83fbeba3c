#pragma once
// The whole FM receiver, from the dongle's bytes to stereo audio, RDS blocks
// and what the panel shows (signal, stereo). It runs on its caller's thread
// and keeps no clock of its own: whoever reads the dongle calls process()
// with each buffer as it comes.
#include "Decimator.h"
#include "Demodulation.h"
#include "RdsBlock.h"
#include "RdsDemodulator.h"
#include "Stereo.h"

#include <cstdint>
#include <span>
#include <vector>

// What a dongle is asked for: about 1 MS/s, and a centre this far below the
// station, a quarter of the rate, where neither the DC spike at the centre
// nor the station's mirror image from the IQ imbalance lands in the channel.
constexpr double kDongleSampleRate = 1024000.0;
constexpr double kDongleTuningOffsetHz = kDongleSampleRate / 4;

// The multiplex is taken at about this rate: room for RDS at 57 kHz and its
// sidebands, and a whole fraction of the dongle's rate.
constexpr double kMultiplexTargetRate = 256000.0;
// The channel: the station's +-100 kHz or so, nothing of the next one 200 kHz away.
constexpr double kChannelCutoffHz = 115000.0;
constexpr double kChannelTransitionHz = 70000.0;
constexpr double kChannelAttenuationDb = 60.0;
// The audio: 15 kHz kept, the pilot at 19 kHz gone.
constexpr double kAudioCutoffHz = 17000.0;
constexpr double kAudioTransitionHz = 4000.0;
constexpr double kAudioAttenuationDb = 70.0;
constexpr int kMaxResamplerBranches = 256;
// A station: enough carrier over the noise, and above what 8-bit samples
// resolve (without which a stalled dongle's constant bytes would pass).
constexpr float kSignalSnrDb = 10.0f;
constexpr float kSignalFloorDb = -50.0f;
constexpr double kMeterSeconds = 0.05;

struct ReceiverSettings {
    double inputRate = kDongleSampleRate;   // whole hertz
    double offsetHz = kDongleTuningOffsetHz;  // the station's frequency less the dongle's centre
    double outputRate = 48000;   // whole hertz
    double deemphasis = 50e-6;
    bool stereo = true;          // false plays mono always
};

struct ReceiverState {
    float signalDb = -120.0f;  // channel power against a full-scale carrier
    float snrDb = 0.0f;        // carrier to noise in the channel
    bool signal = false;       // a station is there (for the tuned mark and the search)
    bool pilot = false;        // the pilot is locked
    bool stereo = false;       // L-R is being played
    bool rdsSync = false;
};

class FmReceiver {
public:
    // Throws std::invalid_argument for rates it cannot convert between.
    explicit FmReceiver(const ReceiverSettings& settings);

    // Appends interleaved left, right audio (floats, +-1 full scale) and
    // the RDS blocks completed. Any byte count: a lone I waits for its Q.
    void process(std::span<const uint8_t> iq, std::vector<float>& audio, std::vector<RdsBlock>& blocks);

    // Tunes another station in the same band, starting afresh.
    void setOffset(double offsetHz);
    // Forgets the signal: after a retune, or when the stream stopped.
    void reset();
    void setMuted(bool muted) { muted_ = muted; }
    void setGain(float gain) { gain_ = gain; }
    const ReceiverState& state() const { return state_; }
    double multiplexRate() const { return muxRate_; }

private:
    void updateState();

    ReceiverSettings settings_;
    int decimation_;
    double muxRate_;
    FrequencyShifter shifter_;
    ComplexDecimator channel_;
    SignalMeter meter_;
    FmDiscriminator discriminator_;
    PilotPll pll_;
    StereoDecoder stereo_;
    Deemphasis deemphasisLeft_;
    Deemphasis deemphasisRight_;
    RationalResampler resamplerLeft_;
    RationalResampler resamplerRight_;
    RdsDemodulator rds_;

    bool muted_ = false;
    float gain_ = 1.0f;
    ReceiverState state_;

    std::vector<uint8_t> bytes_;  // a lone byte left from the last call, then the new ones
    std::vector<Complex> iq_;
    std::vector<Complex> channelOut_;
    std::vector<float> mux_;
    std::vector<Complex> pilot_;
    std::vector<float> left_;
    std::vector<float> right_;
    std::vector<float> audioLeft_;
    std::vector<float> audioRight_;
};

// Float audio to 16-bit samples, clipped at full scale.
void AudioToInt16(std::span<const float> audio, std::span<int16_t> out);
