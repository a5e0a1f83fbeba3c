#include "SettingsValues.h"

#include "AdapterCatalogue.h"
#include "AudioFormat.h"
#include "RecordingName.h"
#include "RdsProgrammeType.h"
#include "SettingsStore.h"
#include "SystemLog.h"

#include <algorithm>
#include <cerrno>  // program_invocation_short_name
#include <cmath>
#include <cstring>
#include <set>
#include <type_traits>

namespace {

// The companion keeps at most this much of ValueName::CompanionAlarmWeekdays.
constexpr size_t CompanionTextLimit = 255;

// The two digits of "Display icons": two fields, one stored text.
struct DisplayIconsPair {};

template <class T>
using Member = T TTunerSettings::*;

// Absent values as the load assigns them.
const uint16_t absentPort = AbsentCardPort;
const bool absentFalse = false;
const std::string absentText;
const std::string absentWeekdays = AbsentAlarmWeekdays;
const int32_t absentScanDelay = AbsentPresetScanDelay;
const int8_t absentShutdown = AbsentShutdownOptions;
const std::string absentRadioDevice = AbsentRadioDevice;
const int32_t absentSdrDevice = 0;
const int32_t absentSdrGain = SdrAutomaticGain;
const int32_t absentCorrection = 0;
const int32_t absentDeemphasis = DeemphasisByLocale;
const std::string absentAudioOutput = kDefaultAudioOutput;
const int32_t absentAudioLatency = kDefaultLatencyMs;
const std::string absentRecordingFormat = RecordingFormatName(kDefaultRecordingFormat);

// Every value of the main key a load reads, in its order, with the field it
// goes to and what a missing value gives (nullptr: the field keeps what it holds).
template <class Visit>
void ForEachLoadedValue(Visit&& visit)
{
    const bool companion = StoreVariant == TStoreVariant::Companion;
    visit(ValueName::IOPort, &TTunerSettings::CardPort, &absentPort);
    visit(ValueName::WideRange, &TTunerSettings::WideRange, &absentFalse);
    visit(ValueName::PortNumber, &TTunerSettings::PortNumber, static_cast<const int8_t*>(nullptr));
    if (!companion)
        visit(ValueName::Volume, &TTunerSettings::CardVolume, static_cast<const int8_t*>(nullptr));
    visit(ValueName::Adapter, &TTunerSettings::Adapter, static_cast<const int8_t*>(nullptr));
    visit(ValueName::DefaultStation, &TTunerSettings::CurrentFrequency, static_cast<const double*>(nullptr));
    visit(ValueName::Path, &TTunerSettings::ProgramFolder, &absentText);
    visit(ValueName::TuneStep, &TTunerSettings::TuneStep, static_cast<const double*>(nullptr));
    visit(ValueName::FineTuneStep, &TTunerSettings::FineTuneStep, static_cast<const double*>(nullptr));
    visit(ValueName::DisplayIcons, DisplayIconsPair{}, static_cast<const DisplayIconsPair*>(nullptr));
    visit(companion ? ValueName::CompanionAlarmHour : ValueName::Hour, &TTunerSettings::AlarmHour,
          static_cast<const int8_t*>(nullptr));
    visit(companion ? ValueName::CompanionAlarmMinute : ValueName::Minute, &TTunerSettings::AlarmMinute,
          static_cast<const int8_t*>(nullptr));
    visit(companion ? ValueName::CompanionAlarmWeekdays : ValueName::Weekdays, &TTunerSettings::AlarmWeekdays,
          &absentWeekdays);
    visit(companion ? ValueName::CompanionAlarmPreset : ValueName::Preset, &TTunerSettings::AlarmPreset,
          static_cast<const int8_t*>(nullptr));
    visit(companion ? ValueName::CompanionAlarmActive : ValueName::Active, &TTunerSettings::AlarmActive,
          static_cast<const bool*>(nullptr));
    visit(ValueName::SnoozeActive, &TTunerSettings::SnoozeActive, static_cast<const bool*>(nullptr));
    visit(ValueName::WindowHandle, &TTunerSettings::WindowHandle, static_cast<const int32_t*>(nullptr));
    visit(ValueName::PresetScanDelay, &TTunerSettings::PresetScanDelay, &absentScanDelay);
    visit(ValueName::ShowClock, &TTunerSettings::ShowClock, static_cast<const bool*>(nullptr));
    visit(ValueName::ShowFrequencySlider, &TTunerSettings::ShowFrequencySlider, static_cast<const bool*>(nullptr));
    visit(ValueName::MinimalWindow, &TTunerSettings::MinimalWindow, static_cast<const bool*>(nullptr));
    visit(ValueName::AlwaysOnTop, &TTunerSettings::AlwaysOnTop, static_cast<const bool*>(nullptr));
    visit(ValueName::VolumeControl, &TTunerSettings::VolumeControl, static_cast<const int8_t*>(nullptr));
    visit(ValueName::AuxVolumeControl, &TTunerSettings::AuxVolumeControl, static_cast<const int8_t*>(nullptr));
    visit(ValueName::StartMinimized, &TTunerSettings::StartMinimized, &absentFalse);
    visit(ValueName::TuneToLastStation, &TTunerSettings::TuneToLastStation, &absentFalse);
    visit(ValueName::CycleStations, &TTunerSettings::CycleStations, &absentFalse);
    visit(ValueName::ShutdownOptions, &TTunerSettings::ShutdownOptions, &absentShutdown);
    // Written by the setup program only: the panel and pipit just read them.
    visit(ValueName::RadioDevice, &TTunerSettings::RadioDevice, &absentRadioDevice);
    visit(ValueName::SdrDevice, &TTunerSettings::SdrDevice, &absentSdrDevice);
    visit(ValueName::SdrGain, &TTunerSettings::SdrGain, &absentSdrGain);
    visit(ValueName::SdrFrequencyCorrection, &TTunerSettings::SdrFrequencyCorrection, &absentCorrection);
    visit(ValueName::Deemphasis, &TTunerSettings::Deemphasis, &absentDeemphasis);
    visit(ValueName::AudioOutput, &TTunerSettings::AudioOutput, &absentAudioOutput);
    visit(ValueName::AudioInput, &TTunerSettings::AudioInput, &absentText);
    visit(ValueName::AudioLatency, &TTunerSettings::AudioLatency, &absentAudioLatency);
    visit(ValueName::PlayThrough, &TTunerSettings::PlayThrough, &absentFalse);
    visit(ValueName::RecordingsFolder, &TTunerSettings::RecordingsFolder, &absentText);
    visit(ValueName::RecordingFormat, &TTunerSettings::RecordingFormat, &absentRecordingFormat);
    visit(kRdsStandardSetting, &TTunerSettings::RdsStandard, &absentText);
}

// What SaveSettings writes, in its order.
template <class Visit>
void ForEachSavedValue(Visit&& visit)
{
    const bool companion = StoreVariant == TStoreVariant::Companion;
    visit(ValueName::IOPort, &TTunerSettings::CardPort);
    visit(ValueName::DefaultStation, &TTunerSettings::CurrentFrequency);
    if (companion)
        visit(ValueName::CompanionAlarmActive, &TTunerSettings::AlarmActive);
    visit(ValueName::DisplayIcons, DisplayIconsPair{});
    visit(ValueName::TuneStep, &TTunerSettings::TuneStep);
    visit(ValueName::FineTuneStep, &TTunerSettings::FineTuneStep);
    visit(ValueName::ShowFrequencySlider, &TTunerSettings::ShowFrequencySlider);
    visit(ValueName::ShowClock, &TTunerSettings::ShowClock);
    visit(ValueName::MinimalWindow, &TTunerSettings::MinimalWindow);
    visit(ValueName::AlwaysOnTop, &TTunerSettings::AlwaysOnTop);
    visit(ValueName::Adapter, &TTunerSettings::Adapter);
    visit(ValueName::PortNumber, &TTunerSettings::PortNumber);
    visit(ValueName::VolumeControl, &TTunerSettings::VolumeControl);
    visit(ValueName::AuxVolumeControl, &TTunerSettings::AuxVolumeControl);
    visit(ValueName::WideRange, &TTunerSettings::WideRange);
    visit(ValueName::TuneToLastStation, &TTunerSettings::TuneToLastStation);
    visit(ValueName::StartMinimized, &TTunerSettings::StartMinimized);
    visit(ValueName::PresetScanDelay, &TTunerSettings::PresetScanDelay);
    visit(ValueName::ShutdownOptions, &TTunerSettings::ShutdownOptions);
    visit(ValueName::CycleStations, &TTunerSettings::CycleStations);
    if (companion)
        visit(ValueName::CompanionAlarmWeekdays, &TTunerSettings::AlarmWeekdays);
    else
        visit(ValueName::Volume, &TTunerSettings::CardVolume);
}

// What SaveAlarm writes, in its order.
template <class Visit>
void ForEachAlarmValue(Visit&& visit)
{
    visit(ValueName::Hour, &TTunerSettings::AlarmHour);
    visit(ValueName::Minute, &TTunerSettings::AlarmMinute);
    visit(ValueName::Preset, &TTunerSettings::AlarmPreset);
    visit(ValueName::Active, &TTunerSettings::AlarmActive);
    visit(ValueName::Weekdays, &TTunerSettings::AlarmWeekdays);
}

// ---- one value: compare, copy, read, write ----

template <class T>
bool Same(const TTunerSettings& a, const TTunerSettings& b, Member<T> m)
{
    if constexpr (std::is_same_v<T, double>)
        return std::memcmp(&(a.*m), &(b.*m), sizeof(double)) == 0;  // a NaN equals itself
    else
        return a.*m == b.*m;
}
bool Same(const TTunerSettings& a, const TTunerSettings& b, DisplayIconsPair)
{
    return a.IconsWhenShown == b.IconsWhenShown && a.IconsWhenMinimized == b.IconsWhenMinimized;
}

template <class T>
void Copy(TTunerSettings& to, const TTunerSettings& from, Member<T> m)
{
    to.*m = from.*m;
}
void Copy(TTunerSettings& to, const TTunerSettings& from, DisplayIconsPair)
{
    to.IconsWhenShown = from.IconsWhenShown;
    to.IconsWhenMinimized = from.IconsWhenMinimized;
}

// Integers are read as the stored DWORD and cut to the field's width, so a
// stored 200 lands in an int8 field as -56, exactly as the fields are declared.
template <class T>
T ReadAs(TRegistry& reg, const char* name)
{
    if constexpr (std::is_same_v<T, bool>)
        return reg.ReadBool(name);
    else if constexpr (std::is_same_v<T, double>)
        return reg.ReadFloat(name);
    else if constexpr (std::is_same_v<T, std::string>)
        return reg.ReadString(name);
    else
        return static_cast<T>(reg.ReadInteger(name));
}

int8_t DigitValue(char c)
{
    if (c < '0' || c > '9')
        throw EConvertError("'" + std::string(1, c) + "' is not a valid integer value");
    return static_cast<int8_t>(c - '0');
}

// A value of another kind (or an icon digit that is none) is left out and
// reported; a store that cannot be read at all still raises.
template <class Read>
ValueState LoadGuarded(const char* name, Read read)
{
    try {
        return read();
    } catch (const EInvalidDataType& e) {
        ReportUnusableValue(name, e.what());
    } catch (const EConvertError& e) {
        ReportUnusableValue(name, e.what());
    }
    return ValueState::Unreadable;
}

template <class T>
ValueState LoadOne(TRegistry& reg, const char* name, TTunerSettings& s, Member<T> m, const T* absent)
{
    return LoadGuarded(name, [&] {
        if (!reg.ValueExists(name)) {
            if (absent)
                s.*m = *absent;
            return ValueState::Absent;
        }
        const T value = ReadAs<T>(reg, name);
        if constexpr (std::is_same_v<T, double>) {
            // Every double of the main key is MHz; NaN or 1e300 would end in
            // a display that cannot show it and steps that never land.
            if (!UsableMegahertz(value)) {
                ReportUnusableValue(name, "the stored " + std::to_string(value) +
                                              " is not a usable frequency in MHz; it counts as missing");
                if (absent)
                    s.*m = *absent;
                return ValueState::Absent;
            }
        }
        s.*m = value;
        return ValueState::Read;
    });
}

ValueState LoadOne(TRegistry& reg, const char* name, TTunerSettings& s, DisplayIconsPair, const DisplayIconsPair*)
{
    return LoadGuarded(name, [&] {
        if (!reg.ValueExists(name))
            return ValueState::Absent;
        const std::string icons = reg.ReadString(name);
        if (icons.size() < 2) {
            s.IconsWhenShown = 1;
            s.IconsWhenMinimized = 0;
        } else {
            // Both digits or neither: half a pair would be neither choice.
            const int8_t shown = DigitValue(icons[0]);
            s.IconsWhenMinimized = DigitValue(icons[1]);
            s.IconsWhenShown = shown;
        }
        return ValueState::Read;
    });
}

void WriteOne(TRegistry& reg, const char* name, const TTunerSettings& s, DisplayIconsPair)
{
    reg.WriteString(name, std::to_string(s.IconsWhenShown) + std::to_string(s.IconsWhenMinimized));
}
template <class T>
void WriteOne(TRegistry& reg, const char* name, const TTunerSettings& s, Member<T> m)
{
    if constexpr (std::is_same_v<T, bool>)
        reg.WriteBool(name, s.*m);
    else if constexpr (std::is_same_v<T, double>)
        reg.WriteFloat(name, s.*m);
    else if constexpr (std::is_same_v<T, std::string>)
        reg.WriteString(name, s.*m);
    else
        reg.WriteInteger(name, s.*m);  // int8 fields sign-extend, word fields zero-extend
}

TStoredSettings lastRead;

ValueState StateOf(const TStoredSettings& stored, const char* name)
{
    const auto it = stored.states.find(name);
    return it == stored.states.end() ? ValueState::Absent : it->second;
}

// Writes each value the visitor names that this program changed since the
// last read of this store, or that is not stored. Without a last read of
// this store every value is written.
template <class ForEach>
TStoredSettings WriteChanged(TRegistry& reg, ForEach forEach)
{
    const TStoredSettings& last = LastReadSettings();
    const bool known = last.store == RegistryFilePath();
    TStoredSettings next = last;
    next.store = RegistryFilePath();
    forEach([&](const char* name, auto member) {
        if (known && StateOf(last, name) != ValueState::Absent && Same(TunerSettings, last.values, member))
            return;
        WriteOne(reg, name, TunerSettings, member);
        Copy(next.values, TunerSettings, member);
        next.states[name] = ValueState::Read;
    });
    return next;
}

}  // namespace

bool UsableMegahertz(double value)
{
    return std::isfinite(value) && std::fabs(value) < MaxStoredMegahertz;
}

void ReportStoreProblemOnce(const std::string& text)
{
    static std::set<std::string> reported;
    if (reported.insert(text).second)
        ReportToSystemLog(program_invocation_short_name, text);
}

void ReportUnusableValue(const std::string& name, const std::string& why)
{
    ReportStoreProblemOnce("the stored setting '" + name + "' was left out (" + why +
                           "); the others were read, and it is not saved over unless changed here");
}

void LoadMainValues(TRegistry& reg, TTunerSettings& s, std::map<std::string, ValueState>& states)
{
    ForEachLoadedValue([&](const char* name, auto member, auto absent) {
        states[name] = LoadOne(reg, name, s, member, absent);
    });
    if (StoreVariant == TStoreVariant::Companion && s.AlarmWeekdays.size() > CompanionTextLimit)
        s.AlarmWeekdays.resize(CompanionTextLimit);
}

TStoredSettings& LastReadSettings()
{
    return lastRead;
}

void MergeStoredValues(TRegistry& reg)
{
    TStoredSettings& last = LastReadSettings();
    const bool known = last.store == RegistryFilePath();
    TStoredSettings now;
    now.store = RegistryFilePath();
    now.values = known ? last.values : TunerSettings;
    LoadMainValues(reg, now.values, now.states);
    CorrectStoredValues(now.values);
    ForEachLoadedValue([&](const char*, auto member, auto) {
        const bool changedHere = !known || !Same(TunerSettings, last.values, member);
        if (!changedHere)
            Copy(TunerSettings, now.values, member);
    });
    last = std::move(now);
}

TStoredSettings WriteChangedValues(TRegistry& reg)
{
    return WriteChanged(reg, [](auto visit) { ForEachSavedValue(visit); });
}

TStoredSettings WriteChangedAlarmValues(TRegistry& reg)
{
    return WriteChanged(reg, [](auto visit) { ForEachAlarmValue(visit); });
}

void CorrectStoredValues(TTunerSettings& s)
{
    if (s.FineTuneStep == 0.0)
        s.FineTuneStep = 0.1;
    if (s.TuneStep == 0.0)
        s.TuneStep = 1.0;
    if (s.Adapter < RadioTrackAdapter)
        s.Adapter = RadioTrackAdapter;
    if (s.PortNumber < 1)
        s.PortNumber = 1;
    if (s.Adapter == RevealAdapter)
        s.VolumeControl = VolumeOnLineIn;
    // Below the least a sound server keeps up with, or an echo above the most.
    s.AudioLatency = std::clamp(s.AudioLatency, kMinLatencyMs, kMaxLatencyMs);
    // An empty name would open nothing; the desktop's sound server is the
    // output a user who cleared the field expects.
    if (s.AudioOutput.empty())
        s.AudioOutput = kDefaultAudioOutput;
}
