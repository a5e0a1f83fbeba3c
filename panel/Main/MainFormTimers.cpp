// The one-second tick: the preset recognition that follows a slider move,
// the clock, the preset scan, the scheduled events and the alarm.

#include "MainForm.h"

#include "Alarm.h"
#include "Events.h"
#include "Presets.h"
#include "SettingsStore.h"

#include <QLabel>
#include <QScopeGuard>

#include <algorithm>
#include <ctime>

namespace {
// Hours, minutes and seconds.
constexpr int ClockFields = 3;
constexpr std::time_t SecondsPerMinute = 60;
// struct tm counts years from 1900.
constexpr int TmYearBase = 1900;

ClockReading ReadingOf(const QDateTime& time)
{
    const QDate date = time.date();
    const QTime clock = time.time();
    ClockReading now;
    now.Hour = clock.hour();
    now.Minute = clock.minute();
    now.Second = clock.second();
    // Qt counts Monday 1 ... Sunday 7; the weekday texts begin with Sunday.
    now.Weekday = date.dayOfWeek() % DaysPerWeek + Sunday;
    now.Date = std::chrono::year{date.year()} / std::chrono::month{static_cast<unsigned>(date.month())} /
               std::chrono::day{static_cast<unsigned>(date.day())};
    return now;
}
}  // namespace

QDateTime LocalTimeNow()
{
    // The tick reads the clock every second; Qt's local time reads the time
    // zone's file each time. localtime_r keeps the zone last read: it is read
    // again once a minute, so that a new zone or summer time is followed
    // within the minute, and long before an alarm or an event could miss it.
    static std::time_t zoneReadAt = 0;
    const std::time_t now = std::time(nullptr);
    if (now / SecondsPerMinute != zoneReadAt / SecondsPerMinute) {
        tzset();
        zoneReadAt = now;
    }
    std::tm local{};
    localtime_r(&now, &local);
    const QDate date(local.tm_year + TmYearBase, local.tm_mon + 1, local.tm_mday);
    const QTime time(local.tm_hour, local.tm_min, local.tm_sec);
    // With its offset given, Qt needs no zone lookup of its own.
    return QDateTime(date, time, Qt::OffsetFromUTC, static_cast<int>(local.tm_gmtoff));
}

void TMainForm::WireTimers()
{
    connect(&Timer1, &QTimer::timeout, this, &TMainForm::Timer1Timer);
}

void TMainForm::LoadScheduledEvents()
{
    // A store that cannot be read leaves no event due; the panel runs on.
    try {
        LoadEvents();
    } catch (const std::exception& e) {
        EventTable.Count = 0;
        ReportStoreError(e);
    }
}

void TMainForm::Timer1Timer()
{
    // Tunes, the search and dialogs let ticks run inside a tick. A nested
    // tick would test a later minute than the one it interrupts, and the
    // outer one, going on with its earlier minute, would re-arm what the
    // nested one fired. It is dropped: the next tick reads the clock again.
    if (inTick_)
        return;
    inTick_ = true;
    const auto leave = qScopeGuard([this] { inTick_ = false; });

    // Read once, so that every test of this tick sees the same minute, and
    // read, never counted, so that a late tick still lands in its minute.
    const ClockReading now = ReadingOf(WallClock());
    RecogniseAfterSliderMove();
    ShowClockTime(now);
    if (PresetScanRunning)
        PresetScanStep();
    RunDueEvents(now);
    AlarmFiredThisMinute = AlarmStillFired(AlarmFiredThisMinute, alarmFiredAt_, now);
    if (AlarmDue(TunerSettings, now, AlarmFiredThisMinute))
        SoundAlarm(now);
    if (now.Minute != TunerSettings.AlarmMinute)
        AlarmFiredThisMinute = false;
    Timer1.setInterval(NextTickMs(TickEverySecond(), now));
}

bool TMainForm::TickEverySecond() const
{
    return TunerSettings.ShowClock || PresetScanRunning || StationCheckPhase < 2;
}

void TMainForm::TickEverySecondIfNeeded()
{
    // Restarted only when it waits for a minute: a second's rhythm is kept,
    // so that the recognition still comes two ticks after the slider's move.
    if (TickEverySecond() && Timer1.interval() != TickMs && Timer1.isActive())
        Timer1.start(TickMs);
}

void TMainForm::ShowClockTime(const ClockReading& now)
{
    // A hidden clock is not kept: setting a label's text costs more than
    // the rest of an idle tick. It is brought up to date when it is shown.
    if (!TunerSettings.ShowClock)
        return;
    lbl_time->setText(
        QString::fromStdString(FormatClockTime(now.Hour, now.Minute, now.Second, ClockFields, timeSeparator_)));
}

void TMainForm::ShowClockTimeNow()
{
    ShowClockTime(ReadingOf(WallClock()));
}

void TMainForm::RecogniseAfterSliderMove()
{
    // Two ticks after the last slider move the preset, if any, is recognised.
    if (StationCheckPhase == 1) {
        RecogniseStation();
        StationCheckPhase = 2;
    }
    if (StationCheckPhase == 0)
        StationCheckPhase = 1;
}

void TMainForm::RunDueEvents(const ClockReading& now)
{
    const int count = std::min<int>(EventTable.Count, EventCapacity);
    for (int i = 0; i < count; ++i) {
        ScheduledEvent& event = EventTable.Events[static_cast<size_t>(i)];
        // Re-armed first, so that a tick that comes after a sleep of the
        // machine, in a new matching minute, fires the event at once.
        RearmAfterItsMinute(event, now);
        if (FireIfDue(event, now)) {
            ParseActionString(event.Action);
            ExecuteActions();
        }
    }
}

void TMainForm::SoundAlarm(const ClockReading& now)
{
    // The alarm leaves the chosen preset, the lit button and the channel mark
    // alone. An empty slot is not refused: its 0.0 wraps to the band's top.
    AlarmFiredThisMinute = true;
    alarmFiredAt_ = CalendarMinute(now);
    const int n = AlarmPresetSlot(TunerSettings);
    const PresetSlot& slot = Presets[static_cast<size_t>(n - 1)];
    TunerSettings.CurrentFrequency = slot.Frequency;
    TuneTo(slot.Frequency);
    ShowStationCaption(n);
    SetTitle("Tunzo " + FrequencyTextQ(TunerSettings.CurrentFrequency) + " " + QString::fromStdString(slot.StationName));
}
