#include "SettingsStore.h"

#include <exception>
#include <optional>
#include <utility>

#include "Presets.h"
#include "AdapterCatalogue.h"
#include "RadioDriver.h"

TStoreVariant StoreVariant = TStoreVariant::Tunzo;

namespace {

constexpr int32_t AbsentWindowPosition = 250;
constexpr double FallbackFrequency = 103.3;
// The companion keeps at most this much of ValueName::CompanionAlarmWeekdays.
constexpr size_t CompanionTextLimit = 255;

// Integers are read as the stored DWORD and cut to the field's width, so a
// stored 200 lands in an int8 field as -56, exactly as the fields are declared.
void ReadInto(TRegistry& reg, const char* name, int8_t& field)
{
    field = static_cast<int8_t>(reg.ReadInteger(name));
}
void ReadInto(TRegistry& reg, const char* name, uint16_t& field)
{
    field = static_cast<uint16_t>(reg.ReadInteger(name));
}
void ReadInto(TRegistry& reg, const char* name, int32_t& field)
{
    field = reg.ReadInteger(name);
}
void ReadInto(TRegistry& reg, const char* name, bool& field)
{
    field = reg.ReadBool(name);
}
void ReadInto(TRegistry& reg, const char* name, double& field)
{
    field = reg.ReadFloat(name);
}
void ReadInto(TRegistry& reg, const char* name, std::string& field)
{
    field = reg.ReadString(name);
}

// A missing value leaves the field as it is.
template <class T>
void LoadValue(TRegistry& reg, const char* name, T& field)
{
    if (reg.ValueExists(name))
        ReadInto(reg, name, field);
}

// A missing value gives the field its default.
template <class T>
void LoadValueOr(TRegistry& reg, const char* name, T& field, const T& absent)
{
    if (reg.ValueExists(name))
        ReadInto(reg, name, field);
    else
        field = absent;
}

int8_t DigitValue(char c)
{
    if (c < '0' || c > '9')
        throw EConvertError("'" + std::string(1, c) + "' is not a valid integer value");
    return static_cast<int8_t>(c - '0');
}

void LoadDisplayIcons(TRegistry& reg, TTunerSettings& s)
{
    if (!reg.ValueExists(ValueName::DisplayIcons))
        return;
    const std::string icons = reg.ReadString(ValueName::DisplayIcons);
    if (icons.size() < 2) {
        s.IconsWhenShown = 1;
        s.IconsWhenMinimized = 0;
        return;
    }
    s.IconsWhenShown = DigitValue(icons[0]);
    s.IconsWhenMinimized = DigitValue(icons[1]);
}

void LoadAlarm(TRegistry& reg, TTunerSettings& s)
{
    if (StoreVariant == TStoreVariant::Companion) {
        LoadValue(reg, ValueName::CompanionAlarmHour, s.AlarmHour);
        LoadValue(reg, ValueName::CompanionAlarmMinute, s.AlarmMinute);
        LoadValueOr(reg, ValueName::CompanionAlarmWeekdays, s.AlarmWeekdays, std::string(AbsentAlarmWeekdays));
        if (s.AlarmWeekdays.size() > CompanionTextLimit)
            s.AlarmWeekdays.resize(CompanionTextLimit);
        LoadValue(reg, ValueName::CompanionAlarmPreset, s.AlarmPreset);
        LoadValue(reg, ValueName::CompanionAlarmActive, s.AlarmActive);
        return;
    }
    LoadValue(reg, ValueName::Hour, s.AlarmHour);
    LoadValue(reg, ValueName::Minute, s.AlarmMinute);
    LoadValueOr(reg, ValueName::Weekdays, s.AlarmWeekdays, std::string(AbsentAlarmWeekdays));
    LoadValue(reg, ValueName::Preset, s.AlarmPreset);
    LoadValue(reg, ValueName::Active, s.AlarmActive);
}

void LoadValues(TRegistry& reg, TTunerSettings& s)
{
    LoadValueOr(reg, ValueName::IOPort, s.CardPort, AbsentCardPort);
    LoadValueOr(reg, ValueName::WideRange, s.WideRange, false);
    LoadValue(reg, ValueName::PortNumber, s.PortNumber);
    if (StoreVariant == TStoreVariant::Tunzo)
        LoadValue(reg, ValueName::Volume, s.CardVolume);
    LoadValue(reg, ValueName::Adapter, s.Adapter);
    LoadValue(reg, ValueName::DefaultStation, s.CurrentFrequency);
    LoadValueOr(reg, ValueName::Path, s.ProgramFolder, std::string());
    LoadValue(reg, ValueName::TuneStep, s.TuneStep);
    LoadValue(reg, ValueName::FineTuneStep, s.FineTuneStep);
    LoadDisplayIcons(reg, s);
    LoadAlarm(reg, s);
    LoadValue(reg, ValueName::SnoozeActive, s.SnoozeActive);
    LoadValue(reg, ValueName::WindowHandle, s.WindowHandle);
    LoadValueOr(reg, ValueName::PresetScanDelay, s.PresetScanDelay, AbsentPresetScanDelay);
    LoadValue(reg, ValueName::ShowClock, s.ShowClock);
    LoadValue(reg, ValueName::ShowFrequencySlider, s.ShowFrequencySlider);
    LoadValue(reg, ValueName::MinimalWindow, s.MinimalWindow);
    LoadValue(reg, ValueName::AlwaysOnTop, s.AlwaysOnTop);
    LoadValue(reg, ValueName::VolumeControl, s.VolumeControl);
    LoadValue(reg, ValueName::AuxVolumeControl, s.AuxVolumeControl);
    LoadValueOr(reg, ValueName::StartMinimized, s.StartMinimized, false);
    LoadValueOr(reg, ValueName::TuneToLastStation, s.TuneToLastStation, false);
    LoadValueOr(reg, ValueName::CycleStations, s.CycleStations, false);
    LoadValueOr(reg, ValueName::ShutdownOptions, s.ShutdownOptions, AbsentShutdownOptions);
    LoadValueOr(reg, ValueName::RadioDevice, s.RadioDevice, std::string(AbsentRadioDevice));
    LoadValueOr(reg, ValueName::SdrDevice, s.SdrDevice, 0);
}

void CorrectValues(TTunerSettings& s)
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
}

// What a main key without any value gives: the Absent column of LoadValues.
void AssignAbsentValues(TTunerSettings& s)
{
    s.CardPort = AbsentCardPort;
    s.WideRange = false;
    s.ProgramFolder.clear();
    s.AlarmWeekdays = AbsentAlarmWeekdays;
    s.PresetScanDelay = AbsentPresetScanDelay;
    s.StartMinimized = false;
    s.TuneToLastStation = false;
    s.CycleStations = false;
    s.ShutdownOptions = AbsentShutdownOptions;
    s.RadioDevice = AbsentRadioDevice;
}

// The companion's first start writes the two values the card needs, where
// another program has not written them meanwhile.
void WriteCompanionFirstValues(TRegistry& reg)
{
    if (!reg.ValueExists(ValueName::DefaultStation))
        reg.WriteFloat(ValueName::DefaultStation, FallbackFrequency);
    if (!reg.ValueExists(ValueName::IOPort))
        reg.WriteInteger(ValueName::IOPort, TunerSettings.CardPort);
}

// The store whose settings the last load could not read, if any: the record
// holds initial values, not that store's, and saving them there would write
// over the user's own.
std::string unreadStore;

int32_t LoadWindowValue(const std::string& valueName)
{
    TRegistry reg;
    if (!reg.OpenKey(MainKey, false) || !reg.ValueExists(valueName))
        return AbsentWindowPosition;
    return reg.ReadInteger(valueName);
}

// A port never loaded is 0, which no card answers on: without a main key the
// card gets the default port, and so does the companion's first ValueName::IOPort.
void DefaultPortWhenNeverLoaded()
{
    if (TunerSettings.CardPort == 0)
        TunerSettings.CardPort = AbsentCardPort;
}

// Nothing was read: the card is looked for where a first start would look,
// and nothing is saved over the store.
void NoteSettingsUnread()
{
    unreadStore = RegistryFilePath();
    DefaultPortWhenNeverLoaded();
}

}  // namespace

void InitialiseSettings()
{
    AssignInitialValues(TunerSettings);
    // The card is taken to be audible after every initialisation, a reload
    // after the setup program included.
    RadioDriver::SoundOn = true;
    // A store error ends the load, but the record is left fit to tune with:
    // the band follows from what was read (without it, every tune would
    // wrap into a band of 0 MHz). The presets are not read after an error.
    std::exception_ptr loadError;
    // The main key and the presets under it come from one read of the
    // program's keys, in one snapshot: a start-up reads a hundred keys.
    std::optional<TRegistryReadScope> programKeys;
    try {
        programKeys.emplace(MainKey);
        LoadSettings();
    } catch (...) {
        // The store could not be read at all: as when LoadSettings meets
        // that, without asking a busy store a second time.
        if (!programKeys)
            NoteSettingsUnread();
        loadError = std::current_exception();
    }
    TunerSettings.AlarmTimeText = FormatClockTime(TunerSettings.AlarmHour, TunerSettings.AlarmMinute, 0, 2);
    SetBandLimits(TunerSettings);
    if (loadError)
        std::rethrow_exception(loadError);
    LoadPresets();
    // The adapter catalogue (radio/AdapterCatalogue.h) is constant data: there
    // is nothing to rebuild.
}

void LoadSettings()
{
    TRegistry reg;
    reg.SetRootKey(RegistryRoot::LocalMachine);
    // A read: it neither waits for another program's write lock nor takes
    // one. A hive that is busy or cannot be read raises here, before any
    // value is touched, and is never taken for a missing key.
    bool opened = false;
    try {
        opened = reg.OpenKey(MainKey, false);
    } catch (...) {
        NoteSettingsUnread();
        throw;
    }
    unreadStore.clear();
    if (!opened) {
        // Really missing (a first start, or a program removed it): made now.
        DefaultPortWhenNeverLoaded();
        opened = reg.OpenKey(MainKey, true);
        if (opened && StoreVariant == TStoreVariant::Companion)
            WriteCompanionFirstValues(reg);
    }
    // A key that cannot even be made leaves every field at its initial value.
    if (!opened)
        return;
    LoadValues(reg, TunerSettings);
    CorrectValues(TunerSettings);
    reg.CloseKey();
}

void ReadSettings(TTunerSettings& s)
{
    TRegistry reg;
    reg.SetRootKey(RegistryRoot::LocalMachine);
    if (reg.OpenKey(MainKey, false)) {
        LoadValues(reg, s);
        reg.CloseKey();
    } else {
        AssignAbsentValues(s);
    }
    CorrectValues(s);
}

void SaveSettings()
{
    TRegistry reg;
    reg.SetRootKey(RegistryRoot::LocalMachine);
    if (!unreadStore.empty() && unreadStore == RegistryFilePath())
        throw ERegistryException("The settings were not saved to '" + RegistryFilePath() +
                                 "': they could not be read from it at the last load, and saving now would write "
                                 "initial values over them");
    if (!reg.OpenKey(MainKey, true)) {
        ShowRegistryWriteError(MainKey);
        return;
    }
    const TTunerSettings& s = TunerSettings;
    const bool companion = StoreVariant == TStoreVariant::Companion;
    reg.WriteInteger(ValueName::IOPort, s.CardPort);
    reg.WriteFloat(ValueName::DefaultStation, s.CurrentFrequency);
    if (companion)
        reg.WriteBool(ValueName::CompanionAlarmActive, s.AlarmActive);
    reg.WriteString(ValueName::DisplayIcons, std::to_string(s.IconsWhenShown) + std::to_string(s.IconsWhenMinimized));
    reg.WriteFloat(ValueName::TuneStep, s.TuneStep);
    reg.WriteFloat(ValueName::FineTuneStep, s.FineTuneStep);
    reg.WriteBool(ValueName::ShowFrequencySlider, s.ShowFrequencySlider);
    reg.WriteBool(ValueName::ShowClock, s.ShowClock);
    reg.WriteBool(ValueName::MinimalWindow, s.MinimalWindow);
    reg.WriteBool(ValueName::AlwaysOnTop, s.AlwaysOnTop);
    reg.WriteInteger(ValueName::Adapter, s.Adapter);
    reg.WriteInteger(ValueName::PortNumber, s.PortNumber);
    reg.WriteInteger(ValueName::VolumeControl, s.VolumeControl);
    reg.WriteInteger(ValueName::AuxVolumeControl, s.AuxVolumeControl);
    reg.WriteBool(ValueName::WideRange, s.WideRange);
    reg.WriteBool(ValueName::TuneToLastStation, s.TuneToLastStation);
    reg.WriteBool(ValueName::StartMinimized, s.StartMinimized);
    reg.WriteInteger(ValueName::PresetScanDelay, s.PresetScanDelay);
    reg.WriteInteger(ValueName::ShutdownOptions, s.ShutdownOptions);
    reg.WriteBool(ValueName::CycleStations, s.CycleStations);
    reg.WriteString(ValueName::RadioDevice, s.RadioDevice);
    if (companion)
        reg.WriteString(ValueName::CompanionAlarmWeekdays, s.AlarmWeekdays);
    else
        reg.WriteInteger(ValueName::Volume, s.CardVolume);
    reg.CloseKey();
}

void SaveAlarm()
{
    for (int pass = 0; pass < 3; ++pass) {
        TRegistry reg;
        reg.SetRootKey(RegistryRoot::LocalMachine);
        if (!reg.OpenKey(MainKey, true))
            continue;
        reg.WriteInteger(ValueName::Hour, TunerSettings.AlarmHour);
        reg.WriteInteger(ValueName::Minute, TunerSettings.AlarmMinute);
        reg.WriteInteger(ValueName::Preset, TunerSettings.AlarmPreset);
        reg.WriteBool(ValueName::Active, TunerSettings.AlarmActive);
        reg.WriteString(ValueName::Weekdays, TunerSettings.AlarmWeekdays);
        reg.CloseKey();
    }
}

bool PublishWindowHandle()
{
    TRegistry reg;
    reg.SetRootKey(RegistryRoot::LocalMachine);
    if (!reg.OpenKey(MainKey, true))
        return false;
    reg.WriteInteger(ValueName::WindowHandle, TunerSettings.WindowHandle);
    reg.CloseKey();
    return true;
}

int32_t ReadPublishedWindowHandle()
{
    TRegistry reg;
    reg.SetRootKey(RegistryRoot::LocalMachine);
    if (!reg.OpenKey(MainKey, false) || !reg.ValueExists(ValueName::WindowHandle))
        return 0;
    return reg.ReadInteger(ValueName::WindowHandle);
}

void SaveWindowPosition(const std::string& windowName, int32_t left, int32_t top)
{
    TRegistry reg;
    reg.SetRootKey(RegistryRoot::LocalMachine);
    if (!reg.OpenKey(MainKey, true))
        return;
    reg.WriteInteger(windowName + ".left", left);
    reg.WriteInteger(windowName + ".top", top);
    reg.CloseKey();
}

int32_t LoadWindowLeft(const std::string& windowName)
{
    return LoadWindowValue(windowName + ".left");
}

int32_t LoadWindowTop(const std::string& windowName)
{
    return LoadWindowValue(windowName + ".top");
}
