#pragma once
// What the dongle and its receiver are opened with, from the settings:
// "SDR gain", "SDR frequency correction" and "De-emphasis". Read each time
// the dongle is opened, so that a reload after the setup program takes them.
#include "FmReceiver.h"
#include "SdrDongle.h"
#include "TunerSettings.h"

#include <string>
#include <string_view>

// The two time constants "De-emphasis" offers, in microseconds.
inline constexpr int32_t DeemphasisEuropeMicroseconds = 50;
inline constexpr int32_t DeemphasisAmericasMicroseconds = 75;

// What the setup program offers for the two other settings.
inline constexpr double SdrGainTenthsPerDb = 10.0;
inline constexpr int32_t MaxSdrGainTenthsDb = 500;
inline constexpr int32_t MaxSdrFrequencyCorrectionPpm = 500;

// "De-emphasis" as the receiver takes it: the stored 50 or 75; anything
// else (not stored, or a value that is neither) is the country's: 75 in the
// Americas and Korea, 50 elsewhere. The country is an ISO 3166 code, any case.
int32_t DeemphasisMicroseconds(int32_t stored, std::string_view countryCode);
// The same with the country of the system's locale.
int32_t DeemphasisMicroseconds(int32_t stored);
std::string LocaleCountryCode();

// What the dongle is opened with: a reload that changed any of it opens
// the dongle afresh.
struct SdrChoices {
    uint32_t device = 0;
    int gainTenthsDb = kAutomaticGain;
    int ppm = 0;
    int32_t deemphasisMicroseconds = DeemphasisEuropeMicroseconds;
    bool operator==(const SdrChoices&) const = default;
};
SdrChoices SdrChoicesOf(const TTunerSettings& s);
DongleSettings SdrDongleSettings(const SdrChoices& choices);
ReceiverSettings SdrReceiverSettings(const SdrChoices& choices, double inputRate);
