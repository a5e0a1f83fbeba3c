#pragma once
// Scheduled events: one subkey of "SOFTWARE\Velmar\Tunzo\Events" per event,
// written by the scheduler; the front panel tests them once a second.

#include <array>
#include <chrono>
#include <cstdint>
#include <string>

inline constexpr const char* EventsKey = "SOFTWARE\\Velmar\\Tunzo\\Events";
constexpr int EventCapacity = 56;

struct ScheduledEvent {
    std::string Weekdays;        // seven '0'/'1', Sunday first
    int32_t EveryXDays = 0;      // 1: every day, whatever Weekdays says
    std::string MonthlyDays;     // "0:0", or week of the month '1'..'5' first
    int32_t Years = 0;
    std::string Months;          // twelve '0'/'1', January first
    int32_t DaysOfMonth = 0;     // 1..31, -1 any day
    int32_t Hours = 0;           // 0..23, -1 every hour
    int32_t Minutes = 0;         // 0..59, -1 every minute
    int32_t Duration = 0;
    std::string Action;          // action words, as ParseActionString takes them
    std::string ActionAfterEvent;
    bool Active = false;
    std::string Name;            // the subkey's name, without blanks or control characters at either end
    std::string KeyName;         // the subkey's name as listed: the key to open (and write) it by
    int32_t Recurrency = 0;
    bool Fired = false;          // run time only, kept by the front panel
    uint8_t FiredMinute = 0;     // run time only
    int64_t FiredCalendarMinute = 0;  // run time only: the day's minute too
};

struct TEventTable {
    int8_t Count = 0;
    std::array<ScheduledEvent, EventCapacity> Events{};  // in enumeration order
};

extern TEventTable EventTable;

// The stored values of an event key with the field each belongs to, in the
// order the loader reads them: the one list of names that every reader and
// writer of event keys goes through. `visit(name, member)` is called once per
// value; the member is an int32_t, std::string or bool field.
template <class Visit>
void ForEachEventValue(Visit&& visit)
{
    visit("Years", &ScheduledEvent::Years);
    visit("Months", &ScheduledEvent::Months);
    visit("Days of month", &ScheduledEvent::DaysOfMonth);
    visit("Weekdays", &ScheduledEvent::Weekdays);
    visit("Hours", &ScheduledEvent::Hours);
    visit("Minutes", &ScheduledEvent::Minutes);
    visit("Duration", &ScheduledEvent::Duration);
    visit("Action", &ScheduledEvent::Action);
    visit("Monthly days", &ScheduledEvent::MonthlyDays);
    visit("Action after event", &ScheduledEvent::ActionAfterEvent);
    visit("Active", &ScheduledEvent::Active);
    visit("Recurrency", &ScheduledEvent::Recurrency);
    visit("Every X days", &ScheduledEvent::EveryXDays);
}

// "0:0": no week-of-the-month rule.
inline constexpr const char* NoMonthlyRule = "0:0";

// Reads every event key. Records are not cleared first (a missing value keeps
// the field), fired flags are left alone. Only the first EventCapacity subkeys
// in name order are taken; further ones are ignored. An event key that does
// not open, or holds a value of another kind, is left out and reported (once);
// the others load as if it were not there.
void LoadEvents();

// weekday: 1 = Sunday ... 7 = Saturday.
bool EventDue(const ScheduledEvent& event, int hour, int minute, int weekday, std::chrono::year_month_day date);

// The week-of-the-month rule: "0:0" always holds; otherwise the first
// character names the week of day D ('5' also for the last seven days of M).
bool MonthlyDayMatches(const std::string& monthlyDays, int month, int day);
