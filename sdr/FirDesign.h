#pragma once
// Low-pass prototypes for the receiver's filters: a windowed sinc with a
// Kaiser window, whose length follows from the transition width and the
// stop-band attenuation asked for, so each filter says what it needs and no
// more taps than that are spent in the hot loops.
#include <cstddef>
#include <vector>

struct LowPassSpec {
    double sampleRate = 0;
    double cutoffHz = 0;      // middle of the transition band (-6 dB)
    double transitionHz = 0;  // width of the band from pass to stop
    double attenuationDb = 60;
    double gain = 1.0;        // gain at 0 Hz
};

std::vector<float> DesignLowPass(const LowPassSpec& spec);

// The sum of a[i] * b[i]: the inner loop of every FIR here, written with
// independent partial sums so that the compiler can keep them in vector
// registers without reordering a single sum.
float Dot(const float* a, const float* b, size_t count);
