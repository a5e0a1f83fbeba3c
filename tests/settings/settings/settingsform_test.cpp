// The settings dialog driven by clicks and keys, with a store of its own per
// test: the snooze length, a preset's name (stored), the alarm and its preset.

#include "SettingsForm.h"

#include "AnswerMessageBox.h"
#include "Presets.h"
#include "SettingsStore.h"
#include "TunerSettings.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>

void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

class SettingsFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/tunzo-settingsform-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        hive = folder + "/registry.sqlite";
        setenv("TUNZO_REGISTRY", hive.c_str(), 1);
        TunerSettings = TTunerSettings{};
        AssignInitialValues(TunerSettings);
        SetBandLimits(TunerSettings);
        Presets = {};
        CurrentPresetNumber = 0;
        SettingsDialogAccepted = false;
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    // Shows `page` modally and lets the user act once the dialog is up; a
    // dialog the user left open is closed afterwards without a verdict.
    void Open(int32_t page, const std::function<void()>& user)
    {
        SettingsDialogMode = page;
        QTimer::singleShot(0, &form, [&] {
            EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
            user();
            stillOpen = form.isVisible();
            if (stillOpen)
                form.done(QDialog::Rejected);
        });
        form.exec();
    }
    // Keys travel as the desktop sends them: to the window, which hands them
    // to its focused control.
    void Press(Qt::Key key) { QTest::keyClick(form.windowHandle(), key); }
    void Type(const QString& text) { QTest::keyClicks(QApplication::focusWidget(), text); }
    static void Click(QWidget* control) { QTest::mouseClick(control, Qt::LeftButton); }
    // Opens the channel list with a click and walks down to item `index`.
    // (A click into the list straight after the click that opened it is
    // taken for the end of that click, as on a desktop.)
    void Choose(int index)
    {
        Click(form.cmb_channels);
        QAbstractItemView* list = form.cmb_channels->view();
        ASSERT_TRUE(list->isVisible());
        QTest::keyClick(list, Qt::Key_Home);
        for (int i = 0; i < index; ++i)
            QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Return);
        EXPECT_FALSE(list->isVisible());
    }
    QStringList Channels() const
    {
        QStringList names;
        for (int i = 0; i < form.cmb_channels->count(); ++i)
            names << form.cmb_channels->itemText(i);
        return names;
    }
    // What the store holds for a slot, read into a cleared table.
    static PresetSlot Stored(int slot)
    {
        Presets = {};
        LoadPresets();
        return Presets[static_cast<size_t>(slot - 1)];
    }
    void AnswerNextMessageBox(QString& text) { AnswerNextMessageBoxWithin(answers, text); }

    std::string folder;
    std::string hive;
    Tfrm_settings form;
    bool stillOpen = false;
    QObject answers;  // the message-box answers end with the test
};

}  // namespace

TEST_F(SettingsFormTest, SnoozePageStartsAt20AndStepsBy5Within1To1940)
{
    TunerSettings.SnoozeMinutes = 45;
    Open(SettingsPageSnooze, [&] {
        EXPECT_EQ(form.minutes->value(), 20);
        EXPECT_TRUE(form.lbl_sleepminutes->isVisible());
        EXPECT_FALSE(form.txt_name->isVisible() || form.grp_days->isVisible() || form.cmb_channels->isVisible());
        EXPECT_EQ(form.grpbox->title(), "");
        Press(Qt::Key_Up);
        EXPECT_EQ(form.minutes->value(), 25);
        Press(Qt::Key_Down);
        Press(Qt::Key_Down);
        EXPECT_EQ(form.minutes->value(), 15);
        Type("1938");
        Press(Qt::Key_Up);
        Press(Qt::Key_Up);
        EXPECT_EQ(form.minutes->value(), 1940);
        Press(Qt::Key_Return);
    });
    EXPECT_FALSE(stillOpen);
    EXPECT_TRUE(SettingsDialogAccepted);
    EXPECT_EQ(TunerSettings.SnoozeMinutes, 1940);
    EXPECT_TRUE(TunerSettings.SnoozeActive);

    TunerSettings.SnoozeActive = false;
    Open(SettingsPageSnooze, [&] {
        EXPECT_EQ(form.minutes->value(), 20);  // whatever was chosen last time
        Type("3");
        Press(Qt::Key_Down);
        EXPECT_EQ(form.minutes->value(), 1);
        Click(form.CancelBtn);
    });
    EXPECT_FALSE(SettingsDialogAccepted);
    EXPECT_EQ(TunerSettings.SnoozeMinutes, 1940);
    EXPECT_FALSE(TunerSettings.SnoozeActive);
}

TEST_F(SettingsFormTest, NamelessPresetOffersItsNumberAndEnterStoresTheTypedName)
{
    TunerSettings.CurrentFrequency = 103.3;
    Presets[6] = {99.0, "", false};  // the table's frequency is the caller's business
    CurrentPresetNumber = 7;
    Open(SettingsPagePresetName, [&] {
        EXPECT_EQ(form.grpbox->title(), "Station name");
        EXPECT_EQ(form.lbl_freq->text(), QString("103") + QLocale().decimalPoint() + "3");
        EXPECT_FALSE(form.minutes->isVisible() || form.grp_days->isVisible());
        EXPECT_EQ(form.txt_name->text(), "Preset 7");
        EXPECT_EQ(form.txt_name->selectedText(), "Preset 7");
        EXPECT_FALSE(form.chb_prescan->isChecked());
        Type("Jazz FM");
        Click(form.chb_prescan);
        Press(Qt::Key_Return);
    });
    EXPECT_FALSE(stillOpen);
    EXPECT_TRUE(SettingsDialogAccepted);
    EXPECT_EQ(Presets[6].StationName, "Jazz FM");
    EXPECT_TRUE(Presets[6].IncludeInScan);
    EXPECT_DOUBLE_EQ(Presets[6].Frequency, 99.0);
    const PresetSlot stored = Stored(7);
    EXPECT_EQ(stored.StationName, "Jazz FM");
    EXPECT_DOUBLE_EQ(stored.Frequency, 103.3);
    EXPECT_TRUE(stored.IncludeInScan);
}

TEST_F(SettingsFormTest, TheNameGoesToThePresetShownWhenThePanelMovesOnMeanwhile)
{
    TunerSettings.CurrentFrequency = 94.2;
    Presets[6] = {94.2, "Old", true};
    CurrentPresetNumber = 7;
    Open(SettingsPagePresetName, [&] {
        EXPECT_EQ(form.txt_name->text(), "Old");
        EXPECT_TRUE(form.chb_prescan->isChecked());
        // The panel's timer recognises another station while the user types.
        CurrentPresetNumber = 9;
        TunerSettings.CurrentFrequency = 88.0;
        Type("New");
        Press(Qt::Key_Return);
    });
    EXPECT_EQ(Presets[6].StationName, "New");
    EXPECT_EQ(Presets[8].StationName, "");
    EXPECT_DOUBLE_EQ(Stored(7).Frequency, 94.2);
    EXPECT_DOUBLE_EQ(Stored(9).Frequency, 0.0);
}

TEST_F(SettingsFormTest, NamePageWithoutAChosenPresetDoesNotOpen)
{
    SettingsDialogMode = SettingsPagePresetName;
    for (const int8_t number : {int8_t{0}, int8_t{-1}, int8_t{101}}) {
        CurrentPresetNumber = number;
        SettingsDialogAccepted = true;
        bool opened = false;
        QTimer::singleShot(0, &form, [&] {
            opened = form.isVisible();
            if (opened)
                form.done(QDialog::Accepted);
        });
        EXPECT_EQ(form.exec(), QDialog::Rejected) << int(number);
        QApplication::processEvents();
        EXPECT_FALSE(opened) << int(number);
        EXPECT_FALSE(SettingsDialogAccepted) << int(number);
        form.show();
        EXPECT_FALSE(form.isVisible()) << int(number);
    }
    EXPECT_FALSE(std::filesystem::exists(hive));  // nothing saved anywhere
}

TEST_F(SettingsFormTest, CancelEscapeAndTheCloseBoxChangeNothingAndEscapeLeavesItOpen)
{
    Presets[6] = {94.2, "Old", true};
    CurrentPresetNumber = 7;
    SettingsDialogAccepted = true;
    Open(SettingsPagePresetName, [&] {
        Type("New");
        Press(Qt::Key_Escape);
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(form.txt_name->text(), "New");
        Click(form.CancelBtn);
    });
    EXPECT_FALSE(stillOpen);
    EXPECT_FALSE(SettingsDialogAccepted);
    EXPECT_EQ(Presets[6].StationName, "Old");
    EXPECT_FALSE(std::filesystem::exists(hive));

    Open(SettingsPageSnooze, [&] {
        Press(Qt::Key_Up);
        Press(Qt::Key_Escape);
        EXPECT_TRUE(form.isVisible());
        Click(form.OKBtn);
    });
    EXPECT_TRUE(SettingsDialogAccepted);
    EXPECT_EQ(TunerSettings.SnoozeMinutes, 25);
    Open(SettingsPageSnooze, [&] {
        Press(Qt::Key_Up);
        form.windowHandle()->close();  // as the window manager's close box does
    });
    EXPECT_FALSE(stillOpen);
    EXPECT_FALSE(SettingsDialogAccepted);
    EXPECT_EQ(TunerSettings.SnoozeMinutes, 25);
}

TEST_F(SettingsFormTest, AStoreThatRefusesTheNameSaysSoAndKeepsTheDialogOpen)
{
    std::ofstream(hive) << std::string(4096, 'x');  // not a settings store
    Presets[6] = {94.2, "Old", true};
    CurrentPresetNumber = 7;
    QString shown;
    Open(SettingsPagePresetName, [&] {
        Type("New");
        AnswerNextMessageBox(shown);
        Press(Qt::Key_Return);
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(form.txt_name->text(), "New");
        Click(form.CancelBtn);
    });
    EXPECT_TRUE(shown.contains(QString::fromStdString(hive))) << shown.toStdString();
    EXPECT_FALSE(SettingsDialogAccepted);
    EXPECT_EQ(Presets[6].StationName, "Old");
}

TEST_F(SettingsFormTest, AlarmPresetIsChosenByNameAmongPresetsAboveTheBandMinimum)
{
    Presets[0] = {0.0, "Empty", true};
    Presets[1] = {87.0, "Bottom", true};  // exactly BandMinimum
    Presets[2] = {94.2, "Jazz", true};
    Presets[4] = {103.3, "Rock", true};
    Presets[6] = {95.0, "", true};  // listed, without a name: shown by its frequency
    Presets[8] = {99.0, "Jazz", true};
    Presets[99] = {107.5, "Last", true};
    TunerSettings.AlarmPreset = 5;
    Open(SettingsPageAlarm, [&] {
        EXPECT_EQ(Channels(), QStringList({"Jazz", "Rock", "95 MHz", "Jazz", "Last"}));
        EXPECT_EQ(form.cmb_channels->currentIndex(), 1);
        Choose(0);  // the first "Jazz": preset 9 is named alike and wins
        EXPECT_EQ(TunerSettings.AlarmPreset, 9);
        EXPECT_EQ(form.cmb_channels->currentIndex(), 3);
        Choose(0);  // no change: the box goes back to preset 9's item
        EXPECT_EQ(form.cmb_channels->currentIndex(), 3);
        Choose(2);
        EXPECT_EQ(TunerSettings.AlarmPreset, 7);
        Choose(4);
        EXPECT_EQ(TunerSettings.AlarmPreset, 100);
        Click(form.CancelBtn);
    });
    EXPECT_FALSE(SettingsDialogAccepted);
    EXPECT_EQ(TunerSettings.AlarmPreset, 100);  // taken at once, kept on Cancel

    TunerSettings.AlarmPreset = 1;  // not listed: the first item shows, nothing changes
    Open(SettingsPageAlarm, [&] {
        EXPECT_EQ(form.cmb_channels->currentIndex(), 0);
        Click(form.OKBtn);
    });
    EXPECT_EQ(TunerSettings.AlarmPreset, 1);

    Presets = {};
    Presets[1] = {87.0, "Bottom", true};
    Open(SettingsPageAlarm, [&] { EXPECT_EQ(form.cmb_channels->count(), 0); });
}

TEST_F(SettingsFormTest, AlarmPageSetsTimeAndDaysAndArmsWithoutSaving)
{
    TunerSettings.AlarmHour = 5;
    TunerSettings.AlarmMinute = 0;
    TunerSettings.AlarmWeekdays = "1000001";
    Open(SettingsPageAlarm, [&] {
        EXPECT_EQ(form.grpbox->title(), "Set alarm time");
        EXPECT_FALSE(form.minutes->isVisible() || form.txt_name->isVisible());
        EXPECT_TRUE(form.sun->isChecked() && form.sat->isChecked());
        EXPECT_FALSE(form.Mon->isChecked());
        Press(Qt::Key_Up);  // the hour has the focus
        Press(Qt::Key_Tab);
        Press(Qt::Key_Up);  // the minute steps by 5
        for (QCheckBox* day : {form.Mon, form.tue, form.wed, form.thu, form.fri, form.sat, form.sun})
            Click(day);
        Click(form.OKBtn);
    });
    EXPECT_TRUE(SettingsDialogAccepted);
    EXPECT_EQ(TunerSettings.AlarmHour, 6);
    EXPECT_EQ(TunerSettings.AlarmMinute, 5);
    EXPECT_EQ(TunerSettings.AlarmWeekdays, "0111110");
    EXPECT_EQ(TunerSettings.AlarmTimeText, FormatClockTime(6, 5, 0, 2));
    EXPECT_TRUE(TunerSettings.AlarmActive);
    EXPECT_FALSE(std::filesystem::exists(hive));  // the caller saves the alarm

    TunerSettings.AlarmWeekdays = "01";  // a short stored text
    Open(SettingsPageAlarm, [&] {
        EXPECT_TRUE(form.Mon->isChecked());
        EXPECT_FALSE(form.tue->isChecked() || form.sun->isChecked());
        Click(form.fri);
        Press(Qt::Key_Return);
    });
    EXPECT_EQ(TunerSettings.AlarmWeekdays, "0100010");
}

TEST_F(SettingsFormTest, StaysOnTopExactlyWhileAlwaysOnTopIsSet)
{
    for (const bool onTop : {true, false}) {
        TunerSettings.AlwaysOnTop = onTop;
        Qt::WindowFlags flags;
        Open(SettingsPageSnooze, [&] { flags = form.windowFlags(); });
        EXPECT_EQ(flags.testFlag(Qt::WindowStaysOnTopHint), onTop);
        EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint) || flags.testFlag(Qt::WindowMaximizeButtonHint));
    }
}

TEST_F(SettingsFormTest, AlarmPresetsWithoutANameShowAndChooseTheirFrequency)
{
    Presets[2] = {94.2, "", true};
    Presets[4] = {103.3, " ", true};  // a blank name is none
    Presets[6] = {88.4, "Jazz", true};
    TunerSettings.AlarmPreset = 7;
    Open(SettingsPageAlarm, [&] {
        EXPECT_EQ(Channels(), QStringList({"94.2 MHz", "103.3 MHz", "Jazz"}));
        Choose(0);  // not the last preset without a name: the one shown
        EXPECT_EQ(TunerSettings.AlarmPreset, 3);
        EXPECT_EQ(form.cmb_channels->currentIndex(), 0);
        Click(form.OKBtn);
    });
    EXPECT_EQ(TunerSettings.AlarmPreset, 3);
}
