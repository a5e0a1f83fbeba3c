// The tick's decisions about time: the alarm's minute and weekdays, and an
// event that fires once per matching minute, also across a sleeping machine.

#include "Alarm.h"

#include <gtest/gtest.h>

namespace {
using namespace std::chrono;

// 2026-12-07 is a Monday (weekday 2, Sunday first).
ClockReading At(int day, int hour, int minute, int second = 0)
{
    ClockReading now;
    now.Hour = hour;
    now.Minute = minute;
    now.Second = second;
    now.Date = year{2026} / December / std::chrono::day{static_cast<unsigned>(day)};
    now.Weekday = static_cast<int>(weekday{sys_days{now.Date}}.c_encoding()) + ::Sunday;
    return now;
}
}  // namespace

TEST(Alarm, ItsMinuteOnItsWeekdaysOnlyAndOnceACalendarMinute)
{
    TTunerSettings s;
    s.AlarmActive = true;
    s.AlarmHour = 7;
    s.AlarmMinute = 30;
    s.AlarmWeekdays = "0111110";
    EXPECT_TRUE(AlarmDue(s, At(7, 7, 30), false));            // Monday
    EXPECT_FALSE(AlarmDue(s, At(12, 7, 30), false));          // Saturday
    EXPECT_FALSE(AlarmDue(s, At(7, 7, 31), false));
    EXPECT_FALSE(AlarmDue(s, At(7, 7, 30, 59), true));        // fired already
    s.AlarmWeekdays = "01";                                   // a short text: the missing days are off
    EXPECT_FALSE(AlarmDue(s, At(8, 7, 30), false));           // Tuesday
    // The fired mark holds in its calendar minute only: the same clock
    // minute a day later is another.
    const int64_t fired = CalendarMinute(At(7, 7, 30));
    EXPECT_TRUE(AlarmStillFired(true, fired, At(7, 7, 30, 45)));
    EXPECT_FALSE(AlarmStillFired(true, fired, At(8, 7, 30)));
    EXPECT_EQ(AlarmPresetSlot(TTunerSettings{}), 1);
}

TEST(Alarm, AnHourlyEventFiresOncePerMatchingMinuteEvenAfterASleep)
{
    ScheduledEvent event;
    event.Active = true;
    event.Weekdays = "1111111";
    event.Months = "111111111111";
    event.MonthlyDays = "0:0";
    event.DaysOfMonth = -1;
    event.Hours = -1;
    event.Minutes = 0;
    event.EveryXDays = 1;
    int fired = 0;
    for (const ClockReading& tick : {At(7, 9, 0), At(7, 9, 0, 30), At(7, 9, 1), At(7, 10, 0), At(8, 10, 0)}) {
        RearmAfterItsMinute(event, tick);
        fired += FireIfDue(event, tick) ? 1 : 0;
    }
    EXPECT_EQ(fired, 3);  // 9:00 once, 10:00, and 10:00 the next day after no tick between
}
