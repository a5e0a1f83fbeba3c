#include "Events.h"

#include <algorithm>

#include "Registry.h"
#include "SettingsStore.h"
#include "TunerSettings.h"

TEventTable EventTable;

namespace {

// The registry API hands names out with a terminating zero; whatever sits at
// or below the blank at either end is not part of the name.
std::string StripControls(const std::string& name)
{
    auto visible = [](char c) { return static_cast<unsigned char>(c) > ' '; };
    const auto first = std::find_if(name.begin(), name.end(), visible);
    const auto last = std::find_if(name.rbegin(), name.rend(), visible).base();
    return first < last ? std::string(first, last) : std::string();
}

bool MarkedAt(const std::string& mask, int position)
{
    return position >= 1 && static_cast<size_t>(position) <= mask.size() &&
           mask[static_cast<size_t>(position - 1)] == '1';
}

void ReadEventValue(TRegistry& reg, const char* name, int32_t& field)
{
    field = reg.ReadInteger(name);
}
void ReadEventValue(TRegistry& reg, const char* name, std::string& field)
{
    field = reg.ReadString(name);
}
void ReadEventValue(TRegistry& reg, const char* name, bool& field)
{
    field = reg.ReadBool(name);
}

// A missing value leaves the field as it was.
void LoadEventValues(TRegistry& reg, ScheduledEvent& e)
{
    ForEachEventValue([&](const char* name, auto member) {
        if (reg.ValueExists(name))
            ReadEventValue(reg, name, e.*member);
    });
}

void ReportSkippedEvent(const std::string& keyName, const std::string& why)
{
    ReportStoreProblemOnce("the scheduled event '" + keyName + "' was left out (" + why +
                           "); the other events were read");
}

// The event under the key listed as `keyName`, read into `e` only when the
// whole key reads: half an event could fire with another's fields.
bool LoadEvent(const std::string& keyName, ScheduledEvent& e)
{
    TRegistry reg;
    reg.SetRootKey(RegistryRoot::LocalMachine);
    if (!reg.OpenKey(std::string(EventsKey) + "\\" + keyName, false)) {
        ReportSkippedEvent(keyName, "the key does not open");
        return false;
    }
    ScheduledEvent loaded = e;
    try {
        LoadEventValues(reg, loaded);
    } catch (const EInvalidDataType& error) {
        ReportSkippedEvent(keyName, error.what());
        return false;
    }
    reg.CloseKey();
    loaded.Name = StripControls(keyName);
    loaded.KeyName = keyName;
    e = std::move(loaded);
    return true;
}

}  // namespace

void LoadEvents()
{
    // The list and every event's values come from one snapshot, so an event
    // that another program removes meanwhile is not half read.
    TRegistryReadScope snapshot(EventsKey);
    std::vector<std::string> listed;
    {
        TRegistry reg;
        reg.SetRootKey(RegistryRoot::LocalMachine);
        if (reg.OpenKey(EventsKey, false))
            listed = reg.GetKeyNames();
        reg.CloseKey();
    }
    // Each key by the name it was listed under (blanks at either end
    // included): one odd key costs only itself.
    int count = 0;
    for (const std::string& keyName : listed) {
        if (count == EventCapacity)
            break;
        if (LoadEvent(keyName, EventTable.Events[static_cast<size_t>(count)]))
            ++count;
    }
    EventTable.Count = static_cast<int8_t>(count);
}

bool MonthlyDayMatches(const std::string& monthlyDays, int month, int day)
{
    if (monthlyDays == NoMonthlyRule)
        return true;
    int week = 1;
    if (day >= 1 && day <= 31)
        week = (day - 1) / 7 + 1;
    if (!monthlyDays.empty() && monthlyDays[0] == '5' && month >= 1 && month <= 12 &&
        day + 7 > TunerSettings.MonthLengths[static_cast<size_t>(month - 1)])
        week = 5;
    return !monthlyDays.empty() && monthlyDays[0] == static_cast<char>('0' + week);
}

bool EventDue(const ScheduledEvent& event, int hour, int minute, int weekday, std::chrono::year_month_day date)
{
    const int month = static_cast<int>(static_cast<unsigned>(date.month()));
    const int day = static_cast<int>(static_cast<unsigned>(date.day()));
    return event.Active && !event.Fired &&
           (event.Minutes == minute || event.Minutes == -1) &&
           (event.Hours == hour || event.Hours == -1) &&
           (MarkedAt(event.Weekdays, weekday) || event.EveryXDays == 1) &&
           MonthlyDayMatches(event.MonthlyDays, month, day) &&
           (event.DaysOfMonth == day || event.DaysOfMonth == -1) &&
           MarkedAt(event.Months, month);
}
