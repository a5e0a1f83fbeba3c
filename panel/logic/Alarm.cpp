#include "Alarm.h"

#include "Presets.h"

#include <algorithm>

namespace {
constexpr int64_t MinutesPerHour = 60;
constexpr int64_t MinutesPerDay = 24 * MinutesPerHour;
}  // namespace

int64_t CalendarMinute(const ClockReading& now)
{
    const int64_t day = std::chrono::sys_days(now.Date).time_since_epoch().count();
    return day * MinutesPerDay + now.Hour * MinutesPerHour + now.Minute;
}

bool MarkedOn(const std::string& marks, int position)
{
    return position >= 1 && static_cast<size_t>(position) <= marks.size() &&
           marks[static_cast<size_t>(position - 1)] == '1';
}

bool AlarmDue(const TTunerSettings& s, const ClockReading& now, bool firedThisMinute)
{
    return s.AlarmActive && now.Minute == s.AlarmMinute && now.Hour == s.AlarmHour &&
           MarkedOn(s.AlarmWeekdays, now.Weekday) && !firedThisMinute;
}

bool AlarmStillFired(bool firedThisMinute, int64_t firedAt, const ClockReading& now)
{
    return firedThisMinute && firedAt == CalendarMinute(now);
}

int AlarmPresetSlot(const TTunerSettings& s)
{
    return std::clamp<int>(s.AlarmPreset, 1, PresetCount);
}

bool FireIfDue(ScheduledEvent& event, const ClockReading& now)
{
    if (!EventDue(event, now.Hour, now.Minute, now.Weekday, now.Date))
        return false;
    event.Fired = true;
    event.FiredMinute = static_cast<uint8_t>(now.Minute);
    event.FiredCalendarMinute = CalendarMinute(now);
    return true;
}

void RearmAfterItsMinute(ScheduledEvent& event, const ClockReading& now)
{
    if (event.Fired && (now.Minute != event.FiredMinute || CalendarMinute(now) != event.FiredCalendarMinute))
        event.Fired = false;
}

int NextTickMs(bool everySecond, const ClockReading& now)
{
    constexpr int SecondsPerMinute = 60;
    return everySecond ? TickMs : (SecondsPerMinute - now.Second) * TickMs;
}

