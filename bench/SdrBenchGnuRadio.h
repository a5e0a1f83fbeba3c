#pragma once
// The same IQ through GNU Radio's own wideband FM stereo receiver
// (analog.wfm_rcv_pll), where Debian's gnuradio is installed; the benchmark
// installs nothing and says so when it is missing.
#include "BroadcastModulator.h"

#include <cstdint>
#include <vector>

struct TunzoFigures {
    double cpuPerSecond = 0;
    double snrDb = 0;  // the worse channel's tone SNR
};

void CompareWithGnuRadio(const std::vector<uint8_t>& iq, double rate, double offsetHz,
                         const BroadcastStation& station, const TunzoFigures& tunzo);
