#pragma once
// Stereo from the multiplex: a phase-locked loop on the 19 kHz pilot gives
// the 38 kHz carrier of L-R (twice its phase) and RDS's 57 kHz (three
// times); the matrix turns L+R and L-R into left and right, with L-R faded
// out when the pilot is gone or the signal too weak for clean stereo.
#include "Iq.h"

#include <span>

// Loop bandwidth: wide enough to pull in a pilot a few hertz off (a
// dongle's crystal), narrow enough that the audio around it does not shake
// the phase.
constexpr double kPllNaturalHz = 20.0;
constexpr double kPllDamping = 0.707;
constexpr double kPllPullRangeHz = 10.0;
// The pilot's in-phase level against its nominal share: locked above the
// first, lost below the second (hysteresis keeps the flag from flickering).
constexpr float kPilotLockLevel = 0.5f;
constexpr float kPilotLossLevel = 0.3f;
constexpr double kPilotLevelSeconds = 0.02;

class PilotPll {
public:
    explicit PilotPll(double sampleRate);

    // Per multiplex sample, the loop's phasor: real part cos, imaginary
    // part sin of the pilot's phase (the pilot is a sine).
    void process(std::span<const float> mux, std::span<Complex> phasor);
    bool locked() const { return locked_; }
    // The pilot's in-phase amplitude as a share of full deviation.
    float level() const { return inPhase_; }
    void reset();

private:
    double sampleRate_;
    Complex nominalStep_;
    float proportional_;
    float integral_;
    float pullRange_;
    float levelAlpha_;
    Complex phasor_{1.0f, 0.0f};
    float frequency_ = 0.0f;  // correction to the nominal step, radians per sample
    float inPhase_ = 0.0f;
    bool locked_ = false;
};

// How much L-R is let through follows the carrier-to-noise ratio, between
// these, and moves at most from mono to stereo in kBlendSeconds.
constexpr float kBlendMonoBelowDb = 15.0f;
constexpr float kBlendStereoAboveDb = 25.0f;
constexpr double kBlendSeconds = 0.5;
// The stereo flag: at least this much of the L-R is played.
constexpr float kStereoFlagBlend = 0.5f;

class StereoDecoder {
public:
    StereoDecoder(double sampleRate, bool stereoAllowed);

    // Left and right at the multiplex rate, still full of the 19, 38 and
    // 57 kHz parts that the audio filter afterwards takes away.
    void process(std::span<const float> mux, std::span<const Complex> pilot, std::span<float> left,
                 std::span<float> right);
    // Where the blend heads for: from the pilot's lock and the signal.
    void setConditions(bool pilotLocked, float snrDb);
    float blend() const { return blend_; }
    void reset() { blend_ = target_ = 0.0f; }

private:
    bool stereoAllowed_;
    float step_;
    float droop_;  // makes up the discriminator's loss at 38 kHz  // largest change of the blend per sample
    float blend_ = 0.0f;
    float target_ = 0.0f;
};
