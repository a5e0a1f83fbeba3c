#pragma once
// Short synthetic signals and the measures the SDR tests take of them.
#include "BroadcastModulator.h"
#include "FmReceiver.h"

#include <cmath>
#include <numbers>
#include <span>
#include <vector>

// Amplitude of the sine of `hz` in every `stride`-th sample from `first`
// (one channel of interleaved audio), by correlation with it.
inline double ToneAmplitude(std::span<const float> x, double hz, double rate, size_t first = 0, size_t stride = 1)
{
    double re = 0;
    double im = 0;
    size_t n = 0;
    for (size_t i = first; i < x.size(); i += stride, ++n) {
        const double phase = 2.0 * std::numbers::pi * hz * static_cast<double>(n) / rate;
        re += x[i] * std::cos(phase);
        im += x[i] * std::sin(phase);
    }
    return n == 0 ? 0.0 : 2.0 * std::hypot(re, im) / static_cast<double>(n);
}

inline double Db(double ratio)
{
    return 20.0 * std::log10(ratio);
}

inline std::vector<float> Sine(double hz, double rate, size_t count, float amplitude = 1.0f)
{
    std::vector<float> x(count);
    for (size_t n = 0; n < count; ++n)
        x[n] = amplitude * static_cast<float>(std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(n) / rate));
    return x;
}

// The dongle's centre is this far below the station, as the receiver tunes.
constexpr double kTestOffsetHz = 256000.0;
constexpr double kTestRate = 1024000.0;

inline std::vector<uint8_t> StationIq(const BroadcastStation& station, double seconds, double snrDb = kDefaultSnrDb,
                                      double deemphasis = 50e-6)
{
    ModulatorSettings settings;
    settings.deemphasis = deemphasis;
    settings.centreHz = station.mhz * 1e6 - kTestOffsetHz;
    settings.sampleRate = kTestRate;
    settings.snrDb = snrDb;
    BroadcastModulator modulator({station}, settings);
    std::vector<uint8_t> bytes(2 * static_cast<size_t>(seconds * kTestRate));
    modulator.generate(bytes);
    return bytes;
}

struct Received {
    std::vector<float> audio;  // interleaved left, right at 48 kHz
    std::vector<RdsBlock> blocks;
};

// Feeds the bytes in buffers of the size rtl_sdr reads.
inline void Receive(FmReceiver& receiver, std::span<const uint8_t> bytes, Received& out, size_t chunk = 32768)
{
    for (size_t at = 0; at < bytes.size(); at += chunk)
        receiver.process(bytes.subspan(at, std::min(chunk, bytes.size() - at)), out.audio, out.blocks);
}

inline ReceiverSettings TestReceiverSettings(double deemphasis = 50e-6)
{
    ReceiverSettings settings;
    settings.deemphasis = deemphasis;
    settings.inputRate = kTestRate;
    settings.offsetHz = kTestOffsetHz;
    return settings;
}
