#pragma once
// The one-second tick's decisions about time: when the alarm fires, and when
// a scheduled event fires and is armed again. The tick reads the clock once,
// so that all of them see the same minute.

#include "Events.h"
#include "TunerSettings.h"

#include <chrono>
#include <cstdint>

// The calendar's weekday numbering: 1 = Sunday ... 7 = Saturday, as the
// alarm's and the events' weekday texts count their characters.
inline constexpr int Sunday = 1;
inline constexpr int DaysPerWeek = 7;

struct ClockReading {
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Weekday = Sunday;
    std::chrono::year_month_day Date{};
};

// The minute of the calendar a reading falls in: the same for every tick of
// one minute, another for the same clock minute of another day. The alarm's
// and the events' minute of the hour alone would take a tick that comes a day
// or an hour later (a suspended machine) for the minute that already fired.
int64_t CalendarMinute(const ClockReading& now);

// The character at 1-based `position` is '1'; a position past the end is not.
bool MarkedOn(const std::string& marks, int position);

// The alarm is on, it is its minute of its hour on one of its weekdays, and
// it has not fired in this minute yet.
bool AlarmDue(const TTunerSettings& s, const ClockReading& now, bool firedThisMinute);

// Whether the alarm's fired mark still holds: only within the calendar
// minute in which it fired.
bool AlarmStillFired(bool firedThisMinute, int64_t firedAt, const ClockReading& now);

// The alarm's preset slot, 1..PresetCount, whatever number the store held.
int AlarmPresetSlot(const TTunerSettings& s);

// Marks the event fired in this minute and answers true when it is due now.
bool FireIfDue(ScheduledEvent& event, const ClockReading& now);

// Once its minute has passed, a fired event may fire again: at most once per
// matching minute.
void RearmAfterItsMinute(ScheduledEvent& event, const ClockReading& now);

// How long the tick waits before it comes again. Each second while it has
// something to show or to step (the clock, a preset scan, the recognition
// after a slider move); otherwise once a minute, just after the minute
// begins, which is all the alarm and the events need, and which lets an idle
// radio with the clock hidden wake up sixty times less often.
inline constexpr int TickMs = 1000;
int NextTickMs(bool everySecond, const ClockReading& now);

