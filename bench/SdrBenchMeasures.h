#pragma once
// What the SDR benchmark measures in the receiver's output: the tone's
// share of the audio, the separation, and the RDS blocks against those sent.
#include "BroadcastModulator.h"
#include "RdsBlock.h"

#include <vector>

struct AudioMeasure {
    double leftSnrDb = 0;   // the left tone against everything else on the left
    double rightSnrDb = 0;
    double separationLeftDb = 0;   // the left tone on the right, below its level on the left (positive)
    double separationRightDb = 0;
};

// Interleaved left, right audio at 48 kHz of a simulated station, from
// `settleSeconds` on.
AudioMeasure MeasureStereo(const std::vector<float>& audio, const BroadcastStation& station, double settleSeconds);

struct RdsCount {
    int sent = 0;
    int good = 0;
    int corrected = 0;
    int uncorrectable = 0;
    double errorRate = 1;        // blocks sent that did not arrive usable
    double nameShownAfter = -1;  // seconds of air time; -1 never
};

RdsCount CountRds(const std::vector<RdsBlock>& blocks, double seconds);
