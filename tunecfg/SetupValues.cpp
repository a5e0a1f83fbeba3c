#include "SetupValues.h"

#include "Registry.h"

#include <exception>
#include <string>

namespace {

void WriteValue(TRegistry& reg, const char* name, int8_t value)
{
    reg.WriteInteger(name, value);
}
void WriteValue(TRegistry& reg, const char* name, int32_t value)
{
    reg.WriteInteger(name, value);
}
void WriteValue(TRegistry& reg, const char* name, bool value)
{
    reg.WriteBool(name, value);
}
void WriteValue(TRegistry& reg, const char* name, double value)
{
    reg.WriteFloat(name, value);
}
void WriteValue(TRegistry& reg, const char* name, const std::string& value)
{
    reg.WriteString(name, value);
}

bool CardDiffers(const SetupValues& a, const SetupValues& b)
{
    return a.Adapter != b.Adapter || a.PortNumber != b.PortNumber || a.CardPort != b.CardPort;
}

std::string DisplayIconsText(const SetupValues& v)
{
    return std::to_string(v.IconsWhenShown) + std::to_string(v.IconsWhenMinimized);
}

void WriteChangedValues(TRegistry& reg, const SetupValues& stored, const SetupValues& values)
{
    if (CardDiffers(stored, values)) {
        reg.WriteInteger(ValueName::Adapter, values.Adapter);
        reg.WriteInteger(ValueName::PortNumber, values.PortNumber);
        reg.WriteInteger(ValueName::IOPort, values.CardPort);
    }
    if (DisplayIconsText(stored) != DisplayIconsText(values))
        reg.WriteString(ValueName::DisplayIcons, DisplayIconsText(values));
    ForEachPlainSetupValue([&](const char* name, auto member) {
        if (stored.*member != values.*member)
            WriteValue(reg, name, values.*member);
    });
}

std::string EventKey(const std::string& name)
{
    return std::string(EventsKey) + "\\" + name;
}

// A stored event's key is the name it was listed under, blanks and all; a
// new one's is its name.
std::string KeyNameOf(const ScheduledEvent& event)
{
    return event.KeyName.empty() ? event.Name : event.KeyName;
}

// Every value of the event, or (with `stored`) those that differ from it.
void WriteEvent(const std::string& keyName, const ScheduledEvent& event, const ScheduledEvent* stored)
{
    TRegistry reg;
    if (!reg.OpenKey(EventKey(keyName), true))
        throw ERegistryException(RegistryWriteErrorText(EventKey(keyName)));
    ForEachEventValue([&](const char* name, auto member) {
        if (!stored || stored->*member != event.*member)
            WriteValue(reg, name, event.*member);
    });
    reg.CloseKey();
}

void DeleteEvent(const std::string& name)
{
    TRegistry reg;
    if (!reg.DeleteKey(EventKey(name)))
        throw ERegistryException(RegistryWriteErrorText(EventKey(name)));
}

// A renamed event is a new key: the old one goes first, so that another
// event may take its name in the same save.
void WriteEventChanges(const std::vector<SetupEvent>& events)
{
    for (const SetupEvent& e : events)
        if (e.stored && (e.removed || e.stored->Name != e.event.Name))
            DeleteEvent(KeyNameOf(*e.stored));
    for (const SetupEvent& e : events) {
        if (e.removed)
            continue;
        const bool sameKey = e.stored && e.stored->Name == e.event.Name;
        if (sameKey)
            WriteEvent(KeyNameOf(*e.stored), e.event, &*e.stored);
        else
            WriteEvent(e.event.Name, e.event, nullptr);
    }
}

bool EventChanged(const SetupEvent& e)
{
    if (!e.stored)
        return !e.removed;
    if (e.removed)
        return true;
    bool changed = e.stored->Name != e.event.Name;
    ForEachEventValue([&](const char*, auto member) { changed = changed || (*e.stored).*member != e.event.*member; });
    return changed;
}

void AcceptWritten(SetupState& setup)
{
    setup.stored = setup.values;
    std::erase_if(setup.events, [](const SetupEvent& e) { return e.removed; });
    for (SetupEvent& e : setup.events) {
        if (!e.stored || e.stored->Name != e.event.Name)
            e.event.KeyName = e.event.Name;
        e.stored = e.event;
    }
}

}  // namespace

SetupValues SetupValuesOf(const TTunerSettings& s)
{
    SetupValues v;
    v.Adapter = s.Adapter;
    v.PortNumber = s.PortNumber;
    v.CardPort = s.CardPort;
    v.TuneStep = s.TuneStep;
    v.FineTuneStep = s.FineTuneStep;
    v.WideRange = s.WideRange;
    v.TuneToLastStation = s.TuneToLastStation;
    v.PresetScanDelay = s.PresetScanDelay;
    v.CycleStations = s.CycleStations;
    v.StartMinimized = s.StartMinimized;
    v.IconsWhenShown = s.IconsWhenShown;
    v.IconsWhenMinimized = s.IconsWhenMinimized;
    v.ShutdownOptions = s.ShutdownOptions;
    v.VolumeControl = s.VolumeControl;
    v.AuxVolumeControl = s.AuxVolumeControl;
    v.ProgramFolder = s.ProgramFolder;
    v.RadioDevice = s.RadioDevice;
    v.SdrDevice = s.SdrDevice;
    v.SdrGain = s.SdrGain;
    v.SdrFrequencyCorrection = s.SdrFrequencyCorrection;
    v.Deemphasis = s.Deemphasis;
    v.AudioOutput = s.AudioOutput;
    v.AudioInput = s.AudioInput;
    v.AudioLatency = s.AudioLatency;
    v.PlayThrough = s.PlayThrough;
    v.RecordingsFolder = s.RecordingsFolder;
    v.RecordingFormat = s.RecordingFormat;
    v.RdsStandard = s.RdsStandard;
    return v;
}

SetupState ReadSetup()
{
    TTunerSettings settings;
    AssignInitialValues(settings);
    ReadSettings(settings);
    SetupState setup;
    setup.stored = setup.values = SetupValuesOf(settings);

    EventTable = TEventTable{};
    LoadEvents();
    for (int i = 0; i < EventTable.Count; ++i) {
        const ScheduledEvent& e = EventTable.Events[static_cast<size_t>(i)];
        setup.events.push_back({e, e, false});
    }
    return setup;
}

ScheduledEvent NewScheduledEvent()
{
    ScheduledEvent e;
    e.Weekdays = "1111111";
    e.Months = "111111111111";
    e.MonthlyDays = NoMonthlyRule;
    e.DaysOfMonth = -1;
    e.Hours = 7;
    e.Minutes = 0;
    e.Active = true;
    return e;
}

void MergeTouched(SetupValues& target, const SetupValues& shown, const SetupValues& edited)
{
    if (CardDiffers(shown, edited)) {
        target.Adapter = edited.Adapter;
        target.PortNumber = edited.PortNumber;
        target.CardPort = edited.CardPort;
    }
    if (shown.IconsWhenShown != edited.IconsWhenShown)
        target.IconsWhenShown = edited.IconsWhenShown;
    if (shown.IconsWhenMinimized != edited.IconsWhenMinimized)
        target.IconsWhenMinimized = edited.IconsWhenMinimized;
    ForEachPlainSetupValue([&](const char*, auto member) {
        if (shown.*member != edited.*member)
            target.*member = edited.*member;
    });
}

void MergeTouched(ScheduledEvent& target, const ScheduledEvent& shown, const ScheduledEvent& edited)
{
    if (shown.Name != edited.Name)
        target.Name = edited.Name;
    ForEachEventValue([&](const char*, auto member) {
        if (shown.*member != edited.*member)
            target.*member = edited.*member;
    });
}

bool HasChanges(const SetupState& setup)
{
    if (setup.stored != setup.values)
        return true;
    for (const SetupEvent& e : setup.events)
        if (EventChanged(e))
            return true;
    return false;
}

std::string WriteSetup(SetupState& setup, int mixerDevices)
{
    const std::vector<std::string> problems = CheckSetup(setup, mixerDevices);
    if (!problems.empty()) {
        std::string text;
        for (const std::string& p : problems)
            text += (text.empty() ? "" : "\n") + p;
        return text;
    }
    if (!HasChanges(setup))
        return {};
    // Every key opened while the main key is open joins its transaction, so
    // that the save lands whole or not at all.
    TRegistry main;
    try {
        if (!main.OpenKey(MainKey, true))
            return RegistryWriteErrorText(MainKey);
        WriteChangedValues(main, setup.stored, setup.values);
        WriteEventChanges(setup.events);
        main.CloseKey();
    } catch (const std::exception& e) {
        main.DiscardKey();
        return e.what();
    }
    AcceptWritten(setup);
    return {};
}
