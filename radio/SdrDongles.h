#pragma once
// Which dongle stands behind "SDR device": a recording named by
// TUNZO_SDR_IQ_FILE (in any card mode), the simulated dongle (device 0 with
// TUNZO_CARD=simulated), or a real RTL2832U through librtlsdr.
#include "SdrDongle.h"

#include <memory>
#include <string>
#include <vector>

// Opens the dongle; nullptr with a message that names it and says what to do.
std::unique_ptr<SdrDongle> OpenSdrDongle(uint32_t index, const DongleSettings& settings, std::string& problem);

// The dongles present, by index, with their names and serial numbers.
std::vector<DongleInfo> ListSdrDongles();

// Environment names for replaying a recording instead of a device.
inline constexpr const char* IqFileVariable = "TUNZO_SDR_IQ_FILE";
inline constexpr const char* IqRateVariable = "TUNZO_SDR_IQ_RATE";
inline constexpr const char* IqCentreVariable = "TUNZO_SDR_IQ_CENTER";
// Without TUNZO_SDR_IQ_CENTER a recording is taken to be centred here.
inline constexpr double DefaultIqCentreHz = 100e6;

// What librtlsdr's open failed with, as a message a user can act on.
std::string DongleOpenProblem(uint32_t index, int error);
