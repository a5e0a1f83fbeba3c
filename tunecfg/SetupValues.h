#pragma once
// What the setup program edits: the card, tuning, start-up, display, volume
// and program-folder values of the main key, and the scheduled events. Each
// is kept twice, as read and as it is to be, so that a save writes only what
// the user changed: a value another program (the running panel, a
// scheduler) wrote meanwhile is not overwritten with the one read at the
// start. Nothing here needs a display.

#include "Events.h"
#include "RdsProgrammeType.h"
#include "SettingsStore.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct SetupValues {
    // The card: written together, as the catalogue row, the choice in it and
    // that choice's value.
    int8_t Adapter = 0;
    int8_t PortNumber = 0;
    uint16_t CardPort = 0;
    double TuneStep = 0.0;
    double FineTuneStep = 0.0;
    bool WideRange = false;
    bool TuneToLastStation = false;
    int32_t PresetScanDelay = 0;
    bool CycleStations = false;
    bool StartMinimized = false;
    // The two digits of "Display icons", written as one text.
    int8_t IconsWhenShown = 0;
    int8_t IconsWhenMinimized = 0;
    int8_t ShutdownOptions = 0;
    int8_t VolumeControl = 0;
    int8_t AuxVolumeControl = 0;
    std::string ProgramFolder;
    std::string RadioDevice;  // the V4L2 receiver's node, for adapter 7
    // The dongle of adapter 8, and how it receives.
    int32_t SdrDevice = 0;
    int32_t SdrGain = 0;
    int32_t SdrFrequencyCorrection = 0;
    int32_t Deemphasis = 0;
    // The sound path and recordings.
    std::string AudioOutput;
    std::string AudioInput;
    int32_t AudioLatency = 0;  // ms
    bool PlayThrough = false;
    std::string RecordingsFolder;
    std::string RecordingFormat;
    std::string RdsStandard;  // "RDS" or "RBDS"; empty while the locale's country decides

    bool operator==(const SetupValues&) const = default;
};

// The values stored under a name of their own, with their fields.
template <class Visit>
void ForEachPlainSetupValue(Visit&& visit)
{
    visit(ValueName::TuneStep, &SetupValues::TuneStep);
    visit(ValueName::FineTuneStep, &SetupValues::FineTuneStep);
    visit(ValueName::WideRange, &SetupValues::WideRange);
    visit(ValueName::TuneToLastStation, &SetupValues::TuneToLastStation);
    visit(ValueName::PresetScanDelay, &SetupValues::PresetScanDelay);
    visit(ValueName::CycleStations, &SetupValues::CycleStations);
    visit(ValueName::StartMinimized, &SetupValues::StartMinimized);
    visit(ValueName::ShutdownOptions, &SetupValues::ShutdownOptions);
    visit(ValueName::VolumeControl, &SetupValues::VolumeControl);
    visit(ValueName::AuxVolumeControl, &SetupValues::AuxVolumeControl);
    visit(ValueName::Path, &SetupValues::ProgramFolder);
    visit(ValueName::RadioDevice, &SetupValues::RadioDevice);
    visit(ValueName::SdrDevice, &SetupValues::SdrDevice);
    visit(ValueName::SdrGain, &SetupValues::SdrGain);
    visit(ValueName::SdrFrequencyCorrection, &SetupValues::SdrFrequencyCorrection);
    visit(ValueName::Deemphasis, &SetupValues::Deemphasis);
    visit(ValueName::AudioOutput, &SetupValues::AudioOutput);
    visit(ValueName::AudioInput, &SetupValues::AudioInput);
    visit(ValueName::AudioLatency, &SetupValues::AudioLatency);
    visit(ValueName::PlayThrough, &SetupValues::PlayThrough);
    visit(ValueName::RecordingsFolder, &SetupValues::RecordingsFolder);
    visit(ValueName::RecordingFormat, &SetupValues::RecordingFormat);
    visit(kRdsStandardSetting, &SetupValues::RdsStandard);
}

// The limits the setup program offers and checks.
inline constexpr double MinTuneStep = 0.01;  // MHz
inline constexpr double MaxTuneStep = 20.0;  // MHz: about the width of the band
inline constexpr int TuneStepDecimals = 3;   // frequencies are kept to 1 kHz
inline constexpr int32_t MinPresetScanDelay = 1;    // seconds
inline constexpr int32_t MaxPresetScanDelay = 600;  // seconds
inline constexpr int8_t MaxShutdownOption = 3;

struct SetupEvent {
    std::optional<ScheduledEvent> stored;  // as read; none for an event added here
    ScheduledEvent event;                  // as it is to be
    bool removed = false;
};

struct SetupState {
    SetupValues stored;
    SetupValues values;
    std::vector<SetupEvent> events;
};

SetupValues SetupValuesOf(const TTunerSettings& s);
// The main key and the scheduled events as they are stored now; creates
// nothing. Raises the store's errors.
SetupState ReadSetup();

// A new event's values: every day of the year at 07:00, active, no actions.
ScheduledEvent NewScheduledEvent();

// Copies into `target` each value that differs between what the controls
// showed and what they hold now, so that a value the controls cannot show
// exactly is kept as stored when the user left it alone. A change of any of
// the card's three values takes all three.
void MergeTouched(SetupValues& target, const SetupValues& shown, const SetupValues& edited);
void MergeTouched(ScheduledEvent& target, const ScheduledEvent& shown, const ScheduledEvent& edited);

bool HasChanges(const SetupState& setup);

// Checks every value and event the save would write; one plain sentence per
// problem, none when all is well. `mixerDevices` is the number of mixer
// controls there are.
std::vector<std::string> CheckSetup(const SetupState& setup, int mixerDevices);
// One event against its stored self (all of it for a new one) and the other
// events of the list; "" when it may be written.
std::string CheckEvent(const ScheduledEvent& event, const std::optional<ScheduledEvent>& stored,
                       const std::vector<SetupEvent>& events, const SetupEvent* self);
// Action words separated by blanks, as the panel carries them out: each word
// one of the vocabulary's, at most as many as the panel's action list holds.
std::string CheckActionText(const std::string& text);

// Writes what changed, in one transaction: all of it or, on a store error,
// nothing. Returns "" when written (and `setup` then holds the written state
// as stored), else what went wrong: the refused values, or the store's own
// error text. Writes nothing, not even a new store file, when nothing changed.
std::string WriteSetup(SetupState& setup, int mixerDevices);
