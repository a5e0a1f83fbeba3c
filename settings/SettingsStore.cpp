#include "SettingsStore.h"

#include <exception>
#include <iostream>
#include <optional>
#include <utility>

#include "Presets.h"
#include "AdapterCatalogue.h"
#include "RadioDriver.h"

TStoreVariant StoreVariant = TStoreVariant::Tunzo;

namespace {

constexpr uint16_t AbsentCardPort = 780;  // 0x30C
constexpr int32_t AbsentWindowPosition = 250;
constexpr double FallbackFrequency = 103.3;
// The companion keeps at most this much of "Alarm weekdays".
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
    if (!reg.ValueExists("Display icons"))
        return;
    const std::string icons = reg.ReadString("Display icons");
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
        LoadValue(reg, "Alarm - hour", s.AlarmHour);
        LoadValue(reg, "Alarm - minute", s.AlarmMinute);
        LoadValueOr(reg, "Alarm weekdays", s.AlarmWeekdays, std::string("1111100"));
        if (s.AlarmWeekdays.size() > CompanionTextLimit)
            s.AlarmWeekdays.resize(CompanionTextLimit);
        LoadValue(reg, "Wakeup channel", s.AlarmPreset);
        LoadValue(reg, "Alarm Active", s.AlarmActive);
        return;
    }
    LoadValue(reg, "Hour", s.AlarmHour);
    LoadValue(reg, "Minute", s.AlarmMinute);
    LoadValueOr(reg, "Weekdays", s.AlarmWeekdays, std::string("1111100"));
    LoadValue(reg, "Preset", s.AlarmPreset);
    LoadValue(reg, "Active", s.AlarmActive);
}

void LoadValues(TRegistry& reg, TTunerSettings& s)
{
    LoadValueOr(reg, "IO Port", s.CardPort, AbsentCardPort);
    LoadValueOr(reg, "Wide range", s.WideRange, false);
    LoadValue(reg, "Port number", s.PortNumber);
    if (StoreVariant == TStoreVariant::Tunzo)
        LoadValue(reg, "Volume", s.CardVolume);
    LoadValue(reg, "Adapter", s.Adapter);
    LoadValue(reg, "DefaultStation", s.CurrentFrequency);
    LoadValueOr(reg, "Path", s.ProgramFolder, std::string());
    LoadValue(reg, "Tune step", s.TuneStep);
    LoadValue(reg, "Fine tune step", s.FineTuneStep);
    LoadDisplayIcons(reg, s);
    LoadAlarm(reg, s);
    LoadValue(reg, "Snooze active", s.SnoozeActive);
    LoadValue(reg, "Window handle", s.WindowHandle);
    LoadValueOr(reg, "Preset scan delay", s.PresetScanDelay, int32_t{4});
    LoadValue(reg, "Show clock", s.ShowClock);
    LoadValue(reg, "Show frequency slider", s.ShowFrequencySlider);
    LoadValue(reg, "Minimal window", s.MinimalWindow);
    LoadValue(reg, "Always on top", s.AlwaysOnTop);
    LoadValue(reg, "Volume control", s.VolumeControl);
    LoadValue(reg, "Auxiliary volume control", s.AuxVolumeControl);
    LoadValueOr(reg, "Start minimized", s.StartMinimized, false);
    LoadValueOr(reg, "Tune to last station", s.TuneToLastStation, false);
    LoadValueOr(reg, "Cycle stations", s.CycleStations, false);
    LoadValueOr(reg, "Shutdown options", s.ShutdownOptions, int8_t{3});
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

// The companion's first start writes the two values the card needs, where
// another program has not written them meanwhile.
void WriteCompanionFirstValues(TRegistry& reg)
{
    if (!reg.ValueExists("DefaultStation"))
        reg.WriteFloat("DefaultStation", FallbackFrequency);
    if (!reg.ValueExists("IO Port"))
        reg.WriteInteger("IO Port", TunerSettings.CardPort);
}

// The store whose settings the last load could not read, if any: the record
// holds initial values, not that store's, and saving them there would write
// over the user's own.
std::string unreadStore;

void PrintToConsole(const std::string& text)
{
    std::string lines = text;
    for (char& c : lines)
        if (c == '\r')
            c = '\n';
    std::cerr << lines << std::endl;
}

RegistryWriteErrorHook& WriteErrorHook()
{
    static RegistryWriteErrorHook hook = PrintToConsole;
    return hook;
}

int32_t LoadWindowValue(const std::string& valueName)
{
    TRegistry reg;
    if (!reg.OpenKey(MainKey, false) || !reg.ValueExists(valueName))
        return AbsentWindowPosition;
    return reg.ReadInteger(valueName);
}

// A port never loaded is 0, which no card answers on: without a main key the
// card gets the default port, and so does the companion's first "IO Port".
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
    reg.WriteInteger("IO Port", s.CardPort);
    reg.WriteFloat("DefaultStation", s.CurrentFrequency);
    if (companion)
        reg.WriteBool("Alarm Active", s.AlarmActive);
    reg.WriteString("Display icons", std::to_string(s.IconsWhenShown) + std::to_string(s.IconsWhenMinimized));
    reg.WriteFloat("Tune step", s.TuneStep);
    reg.WriteFloat("Fine tune step", s.FineTuneStep);
    reg.WriteBool("Show frequency slider", s.ShowFrequencySlider);
    reg.WriteBool("Show clock", s.ShowClock);
    reg.WriteBool("Minimal window", s.MinimalWindow);
    reg.WriteBool("Always on top", s.AlwaysOnTop);
    reg.WriteInteger("Adapter", s.Adapter);
    reg.WriteInteger("Port number", s.PortNumber);
    reg.WriteInteger("Volume control", s.VolumeControl);
    reg.WriteInteger("Auxiliary volume control", s.AuxVolumeControl);
    reg.WriteBool("Wide range", s.WideRange);
    reg.WriteBool("Tune to last station", s.TuneToLastStation);
    reg.WriteBool("Start minimized", s.StartMinimized);
    reg.WriteInteger("Preset scan delay", s.PresetScanDelay);
    reg.WriteInteger("Shutdown options", s.ShutdownOptions);
    reg.WriteBool("Cycle stations", s.CycleStations);
    if (companion)
        reg.WriteString("Alarm weekdays", s.AlarmWeekdays);
    else
        reg.WriteInteger("Volume", s.CardVolume);
    reg.CloseKey();
}

void SaveAlarm()
{
    for (int pass = 0; pass < 3; ++pass) {
        TRegistry reg;
        reg.SetRootKey(RegistryRoot::LocalMachine);
        if (!reg.OpenKey(MainKey, true))
            continue;
        reg.WriteInteger("Hour", TunerSettings.AlarmHour);
        reg.WriteInteger("Minute", TunerSettings.AlarmMinute);
        reg.WriteInteger("Preset", TunerSettings.AlarmPreset);
        reg.WriteBool("Active", TunerSettings.AlarmActive);
        reg.WriteString("Weekdays", TunerSettings.AlarmWeekdays);
        reg.CloseKey();
    }
}

bool PublishWindowHandle()
{
    TRegistry reg;
    reg.SetRootKey(RegistryRoot::LocalMachine);
    if (!reg.OpenKey(MainKey, true))
        return false;
    reg.WriteInteger("Window handle", TunerSettings.WindowHandle);
    reg.CloseKey();
    return true;
}

int32_t ReadPublishedWindowHandle()
{
    TRegistry reg;
    reg.SetRootKey(RegistryRoot::LocalMachine);
    if (!reg.OpenKey(MainKey, false) || !reg.ValueExists("Window handle"))
        return 0;
    return reg.ReadInteger("Window handle");
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

void SetRegistryWriteErrorHook(RegistryWriteErrorHook hook)
{
    WriteErrorHook() = hook ? std::move(hook) : RegistryWriteErrorHook(PrintToConsole);
}

std::string RegistryWriteErrorText(const std::string& keyPath)
{
    return "Error writing to registry\r" + keyPath + "\rNot accessible\r" +
           "For support, please report the problem on the Tunzo issue tracker.";
}

void ShowRegistryWriteError(const std::string& keyPath)
{
    WriteErrorHook()(RegistryWriteErrorText(keyPath));
}
