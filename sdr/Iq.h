#pragma once
// Complex baseband as the dongle delivers it, and the frequency shift that
// moves the wanted station to 0 Hz: the dongle is tuned beside the station
// so that its own DC spike and IQ imbalance stay out of the channel.
#include <complex>
#include <cstdint>
#include <span>

using Complex = std::complex<float>;

// rtl_sdr's format: unsigned bytes, I then Q, 127.5 being zero.
constexpr float kIqByteZero = 127.5f;

// Pairs of bytes into samples scaled to +-1; a trailing odd byte is left out.
// Returns the number of samples written (out holds at least bytes/2).
size_t IqFromBytes(std::span<const uint8_t> bytes, std::span<Complex> out);

class FrequencyShifter {
public:
    FrequencyShifter(double sampleRate, double shiftHz);
    void process(std::span<const Complex> in, std::span<Complex> out);

private:
    // A rotating phasor instead of a sine and cosine per sample; its length
    // is put back to 1 every block, before rounding can make it drift.
    std::complex<double> phasor_{1.0, 0.0};
    std::complex<double> step_;
};
