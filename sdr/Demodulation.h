#pragma once
// From the channel's complex baseband to the multiplex and its audio: the FM
// discriminator, the de-emphasis and the measure of the signal.
#include "Iq.h"

#include <span>

// Phase step between neighbouring samples, scaled so that the full
// deviation gives +-1.
class FmDiscriminator {
public:
    explicit FmDiscriminator(double sampleRate);
    void process(std::span<const Complex> in, std::span<float> out);

private:
    float scale_;
    Complex previous_{1.0f, 0.0f};
};

// The receiver's half of pre-emphasis: a single pole at 1/(2 pi tau),
// placed by matching the analogue filter's impulse response. Run at the
// multiplex rate, far above the audio, where that match is close.
class Deemphasis {
public:
    Deemphasis(double sampleRate, double timeConstant);
    void process(std::span<const float> in, std::span<float> out);

private:
    float alpha_;
    float state_ = 0.0f;
};

// Level and carrier-to-noise ratio of the channel, from the second and
// fourth moments of the envelope: an FM carrier's envelope is constant, the
// noise's is not, and the two moments tell them apart whatever the gain.
struct SignalMeasure {
    float powerDb = -120.0f;  // channel power, dB below a full-scale carrier
    float snrDb = 0.0f;       // carrier to noise in the channel
};

class SignalMeter {
public:
    // One estimate each `windowSamples` samples.
    explicit SignalMeter(size_t windowSamples);
    void process(std::span<const Complex> in);
    const SignalMeasure& measure() const { return measure_; }
    void reset();

private:
    void finishWindow();

    size_t window_;
    size_t count_ = 0;
    double sum2_ = 0;
    double sum4_ = 0;
    SignalMeasure measure_;
};
