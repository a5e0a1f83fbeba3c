#pragma once
// An rtl_sdr recording whose stations are known: made by the broadcast
// modulator around 94.4 MHz, a mono station at 94.2 and a stereo one at 94.6.

#include "BroadcastModulator.h"

#include <fstream>
#include <string>
#include <vector>

inline constexpr double RecordingCentreHz = 94.4e6;
inline constexpr double RecordingRate = 1024000;
inline constexpr double RecordingSeconds = 0.3;
// What a refusal names: the recording's centre less and plus half its rate.
inline constexpr const char* RecordingBandText = "the IQ recording holds 93.888 to 94.912 MHz";

inline void WriteSdrRecording(const std::string& path)
{
    ModulatorSettings settings;
    settings.centreHz = RecordingCentreHz;
    settings.sampleRate = RecordingRate;
    BroadcastModulator modulator({{94.2, false, "", ""}, {94.6, true, "", ""}}, settings);
    std::vector<uint8_t> bytes(2 * static_cast<size_t>(RecordingRate * RecordingSeconds));
    modulator.generate(bytes);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The environment that replays it.
inline std::string SdrRecordingEnvironment(const std::string& path)
{
    return "TUNZO_SDR_IQ_FILE='" + path + "' TUNZO_SDR_IQ_RATE=1024000 TUNZO_SDR_IQ_CENTER=94400000";
}
