#pragma once
// What an FM broadcast carries, as shares of the full 75 kHz deviation:
// the audio (L+R at baseband, L-R on a 38 kHz carrier), the 19 kHz pilot
// that says "stereo" and gives that carrier's phase, and RDS at 57 kHz.
// The modulator and the receiver share these, so a simulated station comes
// out at the level it went in.
constexpr double kMaxDeviationHz = 75000.0;
constexpr double kPilotHz = 19000.0;
constexpr double kAudioBandHz = 15000.0;
constexpr float kAudioShare = 0.87f;   // L+R and L-R together
constexpr float kPilotShare = 0.09f;   // 6.75 kHz deviation
constexpr float kRdsShare = 0.04f;     // 3 kHz deviation

// De-emphasis time constants: 50 us in most of the world, 75 us in the
// Americas and Korea.
constexpr double kDeemphasisEurope = 50e-6;
constexpr double kDeemphasisAmericas = 75e-6;
