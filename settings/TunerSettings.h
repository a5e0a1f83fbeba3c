#pragma once
// The one process-wide settings record. Every subsystem reads and writes it
// directly; the store (SettingsStore.h) loads it from and saves it to the hive.
//
// Field widths are the in-memory widths the stored values are read into: int8_t
// fields take the low byte of the stored DWORD (a stored 200 reads as -56),
// uint16_t fields the low 16 bits. Loading relies on that, so keep them.

#include <array>
#include <cstdint>
#include <string>

struct TTunerSettings {
    // Field order is the order in which the values are loaded.
    uint16_t CardPort = 0;          // "IO Port": base I/O port of the card
    bool WideRange = false;         // "Wide range": selects the band limits
    int8_t PortNumber = 0;          // "Port number": 1-based choice in the adapter's row
    int8_t CardVolume = 0;          // "Volume": the Aztech card's volume level V
    int8_t Adapter = 0;             // "Adapter": 1-based row of the adapter catalogue
    double CurrentFrequency = 0.0;  // "DefaultStation": last tuned frequency, MHz
    std::string ProgramFolder;      // "Path": folder of the installed programs
    double TuneStep = 0.0;          // "Tune step", MHz
    double FineTuneStep = 0.0;      // "Fine tune step", MHz
    int8_t IconsWhenShown = 0;      // "Display icons", first digit (Icons* below)
    int8_t IconsWhenMinimized = 0;  // "Display icons", second digit (Icons* below)
    int8_t AlarmHour = 0;           // "Hour"
    int8_t AlarmMinute = 0;         // "Minute"
    std::string AlarmWeekdays;      // "Weekdays": seven '0'/'1', Sunday first
    int8_t AlarmPreset = 0;         // "Preset": 1..100
    bool AlarmActive = false;       // "Active"
    bool SnoozeActive = false;      // "Snooze active": the sleep timer runs
    int32_t WindowHandle = 0;       // "Window handle": published by the running program
    int32_t PresetScanDelay = 0;    // "Preset scan delay", seconds per preset
    bool ShowClock = false;         // "Show clock"
    bool ShowFrequencySlider = false;  // "Show frequency slider"
    bool MinimalWindow = false;     // "Minimal window"
    bool AlwaysOnTop = false;       // "Always on top"
    int8_t VolumeControl = 0;       // "Volume control": <= 0 card, > 0 auxiliary device
    int8_t AuxVolumeControl = 0;    // "Auxiliary volume control": mixer device id
    bool StartMinimized = false;    // "Start minimized"
    bool TuneToLastStation = false; // "Tune to last station"
    bool CycleStations = false;     // "Cycle stations": preset scan wraps around
    int8_t ShutdownOptions = 0;     // "Shutdown options"
    std::string RadioDevice;        // "Radio device": the V4L2 receiver's node (adapter 7)
    int32_t SdrDevice = 0;          // "SDR device": the RTL-SDR dongle's index (adapter 8)
    int32_t SdrGain = 0;            // "SDR gain": tenths of a dB; SdrAutomaticGain for the dongle's own
    int32_t SdrFrequencyCorrection = 0;  // "SDR frequency correction": the dongle's crystal error, ppm
    int32_t Deemphasis = 0;         // "De-emphasis": microseconds, 50 or 75; 0 when not stored (the locale's)
    // The sound path and recordings; written by the setup program only.
    std::string AudioOutput;        // "Audio output": ALSA PCM the receiver's samples play to
    std::string AudioInput;         // "Audio input": ALSA PCM of the line-in; empty: the receiver's own
    int32_t AudioLatency = 0;       // "Audio latency", ms from receiver to output
    bool PlayThrough = false;       // "Play through": an analogue card's line-in is played
    std::string RecordingsFolder;   // "Recordings folder": empty for the music folder's Tunzo
    std::string RecordingFormat;    // "Recording format": "FLAC", "Ogg Vorbis" or "WAV"
    std::string RdsStandard;        // "RDS standard": "RDS" or "RBDS"; empty: the locale's country decides

    // Derived from WideRange, never stored.
    double BandMinimum = 0.0;
    double BandMaximum = 0.0;

    // Set at initialisation, never stored.
    int32_t SnoozeMinutes = 0;
    std::string AlarmTimeText;
    std::array<uint8_t, 12> MonthLengths{};
};

extern TTunerSettings TunerSettings;

// The digits of "Display icons": what stands for the window.
inline constexpr int8_t IconsTrayOnly = 0;
inline constexpr int8_t IconsTaskbarOnly = 1;
inline constexpr int8_t IconsBoth = 2;

// "Volume control": where the volume steps go. Any value above zero means the
// line in; the programs write these two.
inline constexpr int8_t VolumeOnCard = 0;
inline constexpr int8_t VolumeOnLineIn = 5;

// "Radio device" when nothing else is chosen: the first V4L2 receiver.
inline constexpr const char* DefaultRadioDevice = "/dev/radio0";

// "SDR gain" that leaves the gain to the dongle (also when not stored).
inline constexpr int32_t SdrAutomaticGain = 0;
// "De-emphasis" when not stored: the receiver takes the locale's country's.
inline constexpr int32_t DeemphasisByLocale = 0;

// The values a start or a reload begins from, before the stored ones are read.
// Fields without an initial value keep what they hold, so a repeated call
// leaves them as the previous load set them.
void AssignInitialValues(TTunerSettings& s);

// The sound path's values as a store without them gives them: the desktop's
// output, no line-in, the default latency and format, the music folder.
void AssignInitialAudioValues(TTunerSettings& s);

// BandMinimum and BandMaximum from WideRange: 87.0-108.0 or 80.0-160.0 MHz.
void SetBandLimits(TTunerSettings& s);
