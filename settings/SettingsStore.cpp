#include "SettingsStore.h"

#include <exception>
#include <optional>
#include <utility>

#include "Presets.h"
#include "SettingsValues.h"
#include "RadioDriver.h"

TStoreVariant StoreVariant = TStoreVariant::Tunzo;

namespace {

constexpr int32_t AbsentWindowPosition = 250;
constexpr double FallbackFrequency = 103.3;

// What a main key without any value gives: the absent values of a load.
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
    s.SdrDevice = 0;
    s.SdrGain = SdrAutomaticGain;
    s.SdrFrequencyCorrection = 0;
    s.Deemphasis = DeemphasisByLocale;
    AssignInitialAudioValues(s);
    s.RdsStandard.clear();
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

// The store as this program last read its settings, presets and events.
TStoreMark settingsMark;

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
        // Taken before the read: a write that lands meanwhile is read again later, never missed.
        settingsMark = StoreMark();
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
    TStoredSettings& last = LastReadSettings();
    last = TStoredSettings{};
    last.store = RegistryFilePath();
    if (!opened) {
        // Really missing (a first start, or a program removed it): made now.
        DefaultPortWhenNeverLoaded();
        opened = reg.OpenKey(MainKey, true);
        if (opened && StoreVariant == TStoreVariant::Companion)
            WriteCompanionFirstValues(reg);
    }
    // A key that cannot even be made leaves every field at its initial value.
    if (opened)
        LoadMainValues(reg, TunerSettings, last.states);
    CorrectStoredValues(TunerSettings);
    last.values = TunerSettings;
    reg.CloseKey();
}

bool StoreChangedElsewhere()
{
    return StoreMark() != settingsMark;
}

void RefreshSettings()
{
    settingsMark = StoreMark();
    const TRegistryReadScope programKeys(MainKey);
    {
        TRegistry reg;
        reg.SetRootKey(RegistryRoot::LocalMachine);
        if (reg.OpenKey(MainKey, false)) {
            MergeStoredValues(reg);
            reg.CloseKey();
        }
    }
    TunerSettings.AlarmTimeText = FormatClockTime(TunerSettings.AlarmHour, TunerSettings.AlarmMinute, 0, 2);
    SetBandLimits(TunerSettings);
    LoadPresets();
}

void ReadSettings(TTunerSettings& s)
{
    TRegistry reg;
    reg.SetRootKey(RegistryRoot::LocalMachine);
    if (reg.OpenKey(MainKey, false)) {
        std::map<std::string, ValueState> states;
        LoadMainValues(reg, s, states);
        reg.CloseKey();
    } else {
        AssignAbsentValues(s);
    }
    CorrectStoredValues(s);
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
    // What another program changed meanwhile comes in first, and only what
    // this program changed goes out: a save never puts back what the setup
    // program wrote while this one ran.
    MergeStoredValues(reg);
    TStoredSettings stored = WriteChangedValues(reg);
    reg.CloseKey();
    LastReadSettings() = std::move(stored);
}

void SaveAlarm()
{
    for (int pass = 0; pass < 3; ++pass) {
        TRegistry reg;
        reg.SetRootKey(RegistryRoot::LocalMachine);
        if (!reg.OpenKey(MainKey, true))
            continue;
        MergeStoredValues(reg);
        TStoredSettings stored = WriteChangedAlarmValues(reg);
        reg.CloseKey();
        LastReadSettings() = std::move(stored);
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
