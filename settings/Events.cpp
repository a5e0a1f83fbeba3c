#include "Events.h"

#include <algorithm>

#include "Registry.h"
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

}  // namespace

void LoadEvents()
{
    // The list and every event's values come from one snapshot, so an event
    // that another program removes meanwhile is not half read.
    TRegistryReadScope snapshot(EventsKey);
    int count = 0;
    {
        TRegistry reg;
        reg.SetRootKey(RegistryRoot::LocalMachine);
        TRegKeyInfo info;
        if (reg.OpenKey(EventsKey, false) && reg.GetKeyInfo(info)) {
            const std::vector<std::string> names = reg.GetKeyNames();
            count = std::min({info.NumSubKeys, static_cast<int32_t>(names.size()), int32_t{EventCapacity}});
            for (int i = 0; i < count; ++i)
                EventTable.Events[static_cast<size_t>(i)].Name = StripControls(names[static_cast<size_t>(i)]);
        }
        reg.CloseKey();
    }
    EventTable.Count = static_cast<int8_t>(count);

    for (int i = 0; i < count; ++i) {
        ScheduledEvent& e = EventTable.Events[static_cast<size_t>(i)];
        TRegistry reg;
        reg.SetRootKey(RegistryRoot::LocalMachine);
        if (!reg.OpenKey(std::string(EventsKey) + "\\" + e.Name, false)) {
            EventTable.Count = 0;
            continue;
        }
        LoadEventValues(reg, e);
        reg.CloseKey();
    }
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
