// The panel's clocks: the alarm and the scheduled events on the one-second
// tick, read from a clock the test sets, and the sleep timer set through its
// button, its key and its dialog.

#include "Events.h"
#include "PanelFixture.h"
#include "PopBtn.h"
#include "Registry.h"
#include "SettingsForm.h"
#include "SettingsStore.h"

#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>

namespace {

// 5 January 2026 is a Monday; the 10th a Saturday.
const QDate Monday(2026, 1, 5);
const QDate Saturday(2026, 1, 10);

QDateTime At(QDate day, int hour, int minute, int second = 0)
{
    return QDateTime(day, QTime(hour, minute, second));
}

// An event as the scheduler writes it: every day of every month.
void PlantEvent(const std::string& name, int hours, int minutes, const std::string& action)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(std::string(EventsKey) + "\\" + name, true));
    reg.WriteInteger("Hours", hours);
    reg.WriteInteger("Minutes", minutes);
    reg.WriteString("Weekdays", "1111111");
    reg.WriteString("Months", "111111111111");
    reg.WriteInteger("Days of month", -1);
    reg.WriteString("Monthly days", "0:0");
    reg.WriteString("Action", action);
    reg.WriteBool("Active", true);
    reg.CloseKey();
}

// Answers the snooze page once it is up: types the minutes and presses OK.
void AnswerSnoozeDialog(int minutes)
{
    QTimer::singleShot(0, [minutes] {
        auto* dialog = qobject_cast<Tfrm_settings*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr) << "the snooze dialog did not open";
        ASSERT_TRUE(dialog->minutes->isVisible());
        QTest::keyClicks(dialog->minutes, QString::number(minutes));
        QTest::mouseClick(dialog->OKBtn, Qt::LeftButton);
    });
}

class TimersTest : public PanelTest {
protected:
    void SetUp() override
    {
        PanelTest::SetUp();
        EventTable = TEventTable{};
    }
    // The panel on its own clock: the real tick is stopped, each tick is the
    // test's, at the time the test says.
    TMainForm& StartOnTestClock()
    {
        TMainForm& f = Start();
        EXPECT_TRUE(f.Timer1.isActive());
        f.Timer1.stop();
        f.WallClock = [this] { return clock; };
        return f;
    }
    void TickAt(const QDateTime& time)
    {
        clock = time;
        form->Timer1Timer();
    }
    // Presets 1 "One" 94.2 and 2 "Two" 103.3; the alarm at 07:30 on preset 1.
    void StoreAlarm(const std::string& weekdays)
    {
        Stored([&](TTunerSettings& s) {
            s.CurrentFrequency = 103.3;
            s.AlarmHour = 7;
            s.AlarmMinute = 30;
            s.AlarmWeekdays = weekdays;
            s.AlarmPreset = 1;
            s.AlarmActive = true;
        });
        SaveAlarm();
        SavePreset(1, "One", true, 94.2);
        SavePreset(2, "Two", true, 103.3);
    }
    QDateTime clock;
};

}  // namespace

TEST_F(TimersTest, AlarmFiresOnceInItsMinuteOnItsWeekdaysOnly)
{
    StoreAlarm("0111110");  // Monday to Friday
    TMainForm& f = StartOnTestClock();
    EXPECT_TRUE(f.lbl_alarm->isVisible());
    EXPECT_EQ(f.lbl_alarm->toolTip(), QString::fromStdString(TunerSettings.AlarmTimeText) + " - One");
    f.TuneTo(103.3);

    TickAt(At(Monday, 7, 29, 59));
    EXPECT_NEAR(Card().frequency, 103.3, 1e-9);
    TickAt(At(Monday, 7, 30, 0));
    EXPECT_NEAR(Card().frequency, 94.2, 1e-9);
    EXPECT_EQ(f.lbl_station->text(), "1 One");
    EXPECT_EQ(f.windowTitle(), "Tunzo 94.2 One");

    // Once in its minute: the user tunes away and the minute's later ticks
    // leave the radio where he put it.
    f.TuneTo(103.3);
    TickAt(At(Monday, 7, 30, 1));
    TickAt(At(Monday, 7, 30, 59));
    EXPECT_NEAR(Card().frequency, 103.3, 1e-9);

    TickAt(At(Saturday, 7, 30, 0));
    EXPECT_NEAR(Card().frequency, 103.3, 1e-9) << "not on a day without its mark";

    // A tick held up until late in the minute still finds it.
    TickAt(At(Monday.addDays(7), 7, 29, 2));
    TickAt(At(Monday.addDays(7), 7, 30, 58));
    EXPECT_NEAR(Card().frequency, 94.2, 1e-9);

    // The machine slept until the next morning: its first tick is in the
    // alarm's minute of another day, and an empty slot tunes the top of the band.
    TunerSettings.AlarmPreset = 5;
    TickAt(At(Monday.addDays(8), 7, 30, 0));
    EXPECT_NEAR(Card().frequency, 108.0, 1e-9);
}

TEST_F(TimersTest, EventsLoadAtStartAndAnHourlyEventFiresOnceAtEveryFullHour)
{
    Stored([](TTunerSettings&) {});
    PlantEvent("Hourly", -1, 0, "VMT");
    TMainForm& f = StartOnTestClock();
    ASSERT_EQ(EventTable.Count, 1) << "the events are there from the start";

    RadioDriver::Unmute();
    TickAt(At(Saturday, 8, 59, 59));
    EXPECT_TRUE(Card().audible);
    TickAt(At(Saturday, 9, 0, 0));
    EXPECT_FALSE(Card().audible);
    EXPECT_TRUE(f.lbl_mute->isVisible());

    RadioDriver::Unmute();
    TickAt(At(Saturday, 9, 0, 1));
    TickAt(At(Saturday, 9, 0, 59));
    TickAt(At(Saturday, 9, 1, 0));
    EXPECT_TRUE(Card().audible) << "once in its minute";

    TickAt(At(Saturday, 10, 0, 3));
    EXPECT_FALSE(Card().audible) << "and again at the next full hour";
    RadioDriver::Unmute();
    TickAt(At(Saturday, 11, 0, 0));
    EXPECT_FALSE(Card().audible) << "also when the tick before was an hour ago";
}

TEST_F(TimersTest, AClockSwitchedOnShowsTheTimeAtOnceAndKeepsItUpToDate)
{
    Stored([](TTunerSettings& s) { s.ShowClock = false; });
    TMainForm& f = StartOnTestClock();
    const auto shown = [](int hour, int minute, int second) {
        return QString::fromStdString(FormatClockTime(hour, minute, second, 3, LocaleTimeSeparator()));
    };
    TickAt(At(Monday, 10, 20, 30));
    EXPECT_FALSE(f.lbl_time->isVisible());

    clock = At(Monday, 10, 20, 31);
    f.mnu_display_Clock->trigger();
    ASSERT_TRUE(f.lbl_time->isVisible());
    EXPECT_EQ(f.lbl_time->text(), shown(10, 20, 31)) << "the clock is not a second behind when it appears";
    TickAt(At(Monday, 10, 20, 32));
    EXPECT_EQ(f.lbl_time->text(), shown(10, 20, 32));
    f.mnu_sys_clock->trigger();
    EXPECT_FALSE(f.lbl_time->isVisible());
}

TEST_F(TimersTest, ATickArrivingInsideAnotherDoesNotFireTheAlarmTwice)
{
    StoreAlarm("1111111");
    PlantEvent("Morning", 7, 29, "PRE:2");
    TMainForm& f = StartOnTestClock();

    // The event's tune lets waiting events run: the next tick arrives there,
    // already in the alarm's minute.
    bool nested = false;
    RadioDriver::ProcessMessages = [&] {
        if (nested)
            return;
        nested = true;
        TickAt(At(Monday, 7, 30, 0));
    };
    int alarms = 0;
    const auto countAlarm = [&] {
        if (f.lbl_station->text() == "1 One")
            ++alarms;
        f.lbl_station->setText("");
    };
    TickAt(At(Monday, 7, 29, 59));
    ASSERT_TRUE(nested);
    EXPECT_NEAR(Card().frequency, 103.3, 1e-9) << "the event tuned its preset";
    countAlarm();
    for (int second : {20, 40}) {
        TickAt(At(Monday, 7, 30, second));
        countAlarm();
    }
    EXPECT_EQ(alarms, 1);
    EXPECT_NEAR(Card().frequency, 94.2, 1e-9);
}

TEST_F(TimersTest, SleepTimerMutesAfterItsMinutesAndSnoozeStopsItWithoutADialog)
{
    Stored([](TTunerSettings&) {});
    TMainForm& f = Start();
    RadioDriver::Unmute();

    AnswerSnoozeDialog(1);
    QTest::mouseClick(f.cmd_sleep, Qt::LeftButton);
    EXPECT_TRUE(f.tmr_sleep.isActive());
    EXPECT_EQ(f.tmr_sleep.interval(), 60000);
    EXPECT_TRUE(f.lbl_sleep->isVisible());
    EXPECT_EQ(f.lbl_sleep->text(), "Z");
    EXPECT_EQ(f.lbl_sleep->toolTip(), "Snooze off in 1 minutes");
    EXPECT_TRUE(f.Snooze1->isChecked());
    EXPECT_TRUE(f.Snooze2->isChecked());

    f.tmr_sleepTimer();  // its minute
    EXPECT_FALSE(Card().audible);
    EXPECT_TRUE(f.lbl_mute->isVisible());
    EXPECT_EQ(f.lbl_mute->text(), "M");
    EXPECT_FALSE(f.lbl_sleep->isVisible());
    EXPECT_FALSE(f.tmr_sleep.isActive());
    EXPECT_FALSE(f.Snooze1->isChecked());

    // Set again by its key for 20 minutes; a minute later it says so.
    AnswerSnoozeDialog(20);
    Press(Qt::Key_S);
    ASSERT_TRUE(f.tmr_sleep.isActive());
    f.tmr_sleepTimer();
    EXPECT_EQ(f.lbl_sleep->toolTip(), "Snooze off in 19 minutes");

    // While it runs, the menu item stops it and asks nothing.
    bool asked = false;
    QTimer::singleShot(0, [&] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            asked = true;
            qobject_cast<QDialog*>(dialog)->reject();
        }
    });
    f.Snooze2->trigger();
    QApplication::processEvents();
    EXPECT_FALSE(asked);
    EXPECT_FALSE(f.tmr_sleep.isActive());
    EXPECT_FALSE(f.lbl_sleep->isVisible());
    EXPECT_FALSE(f.Snooze1->isChecked());
    EXPECT_FALSE(f.Snooze2->isChecked());
    EXPECT_FALSE(TunerSettings.SnoozeActive);
}

TEST_F(TimersTest, TheAlarmKeySetsTheAlarmThroughItsPageAndStoresItOnAndOff)
{
    StoreAlarm("0111110");
    TunerSettings.AlarmActive = false;
    SaveAlarm();
    TMainForm& f = Start();
    ASSERT_FALSE(f.lbl_alarm->isVisible());
    const auto storedActive = [] {
        TRegistry reg;
        EXPECT_TRUE(reg.OpenKey(MainKey, false));
        return reg.ReadBool("Active");
    };

    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<Tfrm_settings*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr) << "the alarm page did not open";
        ASSERT_TRUE(dialog->alarm_hour->isVisible());
        QTest::mouseClick(dialog->OKBtn, Qt::LeftButton);
    });
    Press(Qt::Key_L);
    EXPECT_TRUE(f.lbl_alarm->isVisible());
    EXPECT_EQ(f.lbl_alarm->text(), "A");
    EXPECT_EQ(f.lbl_alarm->toolTip(), QString::fromStdString(TunerSettings.AlarmTimeText) + " - One");
    EXPECT_TRUE(storedActive());

    // Off again at once, without a dialog.
    f.Alarm2->trigger();
    EXPECT_FALSE(f.lbl_alarm->isVisible());
    EXPECT_FALSE(storedActive());
}

// With nothing to show each second the tick waits for the next minute, and
// comes each second again as soon as something needs it.
TEST_F(TimersTest, AnIdleTickWithTheClockHiddenComesOncePerMinute)
{
    Stored([](TTunerSettings& s) { s.ShowClock = false; });
    PlantEvent("Hourly", -1, 21, "VMT");
    TMainForm& f = StartOnTestClock();
    f.Timer1.start();
    TickAt(At(Monday, 10, 20, 0));
    TickAt(At(Monday, 10, 20, 1));
    EXPECT_EQ(f.Timer1.interval(), 59 * 1000);

    f.TrackBar1->setFocus();
    Press(Qt::Key_Right);
    EXPECT_TRUE(f.Timer1.isActive());
    EXPECT_EQ(f.Timer1.interval(), 1000) << "the recognition after a slider move needs its two ticks";
    TickAt(At(Monday, 10, 20, 2));
    TickAt(At(Monday, 10, 20, 3));
    EXPECT_EQ(f.Timer1.interval(), 57 * 1000);

    f.mnu_pscan_up->trigger();
    EXPECT_EQ(f.Timer1.interval(), 1000) << "a preset scan steps on the tick";
    f.mnu_pscan_up->trigger();
    TickAt(At(Monday, 10, 20, 4));
    EXPECT_EQ(f.Timer1.interval(), 56 * 1000);

    // The minute's tick still fires the minute's event.
    RadioDriver::Unmute();
    TickAt(At(Monday, 10, 21, 0));
    EXPECT_FALSE(Card().audible);

    f.mnu_display_Clock->trigger();
    EXPECT_EQ(f.Timer1.interval(), 1000) << "a clock shown is kept each second";
}
