#pragma once
// A low-pass FIR that keeps one output in `factor`: only the outputs kept
// are computed, so the filter's cost falls with the output rate. Real taps,
// complex samples (the channel filter and RDS's baseband filter).
#include "Iq.h"

#include <span>
#include <vector>

class ComplexDecimator {
public:
    ComplexDecimator(std::vector<float> taps, int factor);

    // Returns the number of outputs written; out holds at least
    // maxOutput(in.size()).
    size_t process(std::span<const Complex> in, std::span<Complex> out);
    size_t maxOutput(size_t inputs) const { return inputs / static_cast<size_t>(factor_) + 1; }
    int factor() const { return factor_; }

private:
    std::vector<float> reversed_;  // taps, last first: a dot product runs oldest to newest
    int factor_;
    int skip_ = 0;  // inputs still to take before the next output
    // The last taps-1 inputs, then the new block, split into real and
    // imaginary parts so that each dot product runs over plain floats.
    std::vector<float> re_;
    std::vector<float> im_;
};

// A rational resampler (up by `up`, down by `down`) for real samples: a
// polyphase filter computes each output from the one branch of the
// prototype that lands on it, never the zeros an upsampler would insert.
// The prototype's rate is `up` times the input rate.
class RationalResampler {
public:
    RationalResampler(const std::vector<float>& prototype, int up, int down);

    size_t process(std::span<const float> in, std::span<float> out);
    size_t maxOutput(size_t inputs) const;

private:
    int up_;
    int down_;
    size_t branchLength_;
    std::vector<std::vector<float>> branches_;  // each reversed, like the decimator's taps
    size_t position_ = 0;  // next output, in prototype samples from the block's first input
    std::vector<float> work_;  // branchLength-1 earlier inputs, then the new block
};
