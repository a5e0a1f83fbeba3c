#pragma once
// The value names of the main key. Other programs (the setup tool, a
// scheduler) read and write the same values, so every reader and writer in
// this repository takes the names from here rather than spelling them again.

namespace ValueName {

inline constexpr const char* IOPort = "IO Port";
inline constexpr const char* WideRange = "Wide range";
inline constexpr const char* PortNumber = "Port number";
inline constexpr const char* Volume = "Volume";
inline constexpr const char* Adapter = "Adapter";
inline constexpr const char* DefaultStation = "DefaultStation";
inline constexpr const char* Path = "Path";
inline constexpr const char* TuneStep = "Tune step";
inline constexpr const char* FineTuneStep = "Fine tune step";
inline constexpr const char* DisplayIcons = "Display icons";
inline constexpr const char* Hour = "Hour";
inline constexpr const char* Minute = "Minute";
inline constexpr const char* Weekdays = "Weekdays";
inline constexpr const char* Preset = "Preset";
inline constexpr const char* Active = "Active";
inline constexpr const char* SnoozeActive = "Snooze active";
inline constexpr const char* WindowHandle = "Window handle";
inline constexpr const char* PresetScanDelay = "Preset scan delay";
inline constexpr const char* ShowClock = "Show clock";
inline constexpr const char* ShowFrequencySlider = "Show frequency slider";
inline constexpr const char* MinimalWindow = "Minimal window";
inline constexpr const char* AlwaysOnTop = "Always on top";
inline constexpr const char* VolumeControl = "Volume control";
inline constexpr const char* AuxVolumeControl = "Auxiliary volume control";
inline constexpr const char* StartMinimized = "Start minimized";
inline constexpr const char* TuneToLastStation = "Tune to last station";
inline constexpr const char* CycleStations = "Cycle stations";
inline constexpr const char* ShutdownOptions = "Shutdown options";
inline constexpr const char* RadioDevice = "Radio device";
inline constexpr const char* SdrDevice = "SDR device";
inline constexpr const char* SdrGain = "SDR gain";
inline constexpr const char* SdrFrequencyCorrection = "SDR frequency correction";
inline constexpr const char* Deemphasis = "De-emphasis";
inline constexpr const char* AudioOutput = "Audio output";
inline constexpr const char* AudioInput = "Audio input";
inline constexpr const char* AudioLatency = "Audio latency";
inline constexpr const char* PlayThrough = "Play through";
inline constexpr const char* RecordingsFolder = "Recordings folder";
inline constexpr const char* RecordingFormat = "Recording format";

// The companion's names for the alarm.
inline constexpr const char* CompanionAlarmHour = "Alarm - hour";
inline constexpr const char* CompanionAlarmMinute = "Alarm - minute";
inline constexpr const char* CompanionAlarmWeekdays = "Alarm weekdays";
inline constexpr const char* CompanionAlarmPreset = "Wakeup channel";
inline constexpr const char* CompanionAlarmActive = "Alarm Active";

}  // namespace ValueName
