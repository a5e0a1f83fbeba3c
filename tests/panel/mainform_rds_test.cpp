// What a station says by RDS, on the panel: the states come the way the
// receiver's feed sends them (posted to the window's thread), and the user
// tunes, writes presets and sweeps the band with clicks, keys and menus on
// the simulated card.

#include "FindStationsDialog.h"
#include "PanelFixture.h"
#include "PopBtn.h"
#include "ScrollingLabel.h"
#include "SettingsForm.h"
#include "StationNameFile.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QEnterEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>

namespace {

RdsState Station(const char* name, const char* text = "", uint8_t pty = 0)
{
    RdsState s;
    s.hasPi = true;
    s.pi = 0xC201;
    s.name = name;
    s.text = text;
    s.hasPty = pty != 0;
    s.pty = pty;
    return s;
}

// As the feed's callback hands a state over: posted, then run by the loop.
void Hear(TMainForm& f, const RdsState& state, uint32_t changed = kRdsChangedAll)
{
    QMetaObject::invokeMethod(&f, [&f, changed, state] { f.FeedRds(changed, state); }, Qt::QueuedConnection);
    QCoreApplication::processEvents();
}

// The sweep's dialog once it shows its list (or the test's end).
TFindStationsDialog* SweptDialog()
{
    TFindStationsDialog* dialog = nullptr;
    const bool listed = QTest::qWaitFor([&dialog] {
        dialog = qobject_cast<TFindStationsDialog*>(QApplication::activeModalWidget());
        return dialog && !dialog->Sweeping() && dialog->List()->topLevelItemCount() > 0;
    });
    return listed ? dialog : nullptr;
}

std::array<PresetSlot, PresetCount> StoredPresets()
{
    const auto inMemory = Presets;
    Presets = {};
    LoadPresets();
    const auto stored = Presets;
    Presets = inMemory;
    return stored;
}

}  // namespace

TEST_F(PanelTest, TheStationsNameAndTextShowUntilTheUserTunesAwayAndAPresetKeepsItsOwnName)
{
    Stored([](TTunerSettings& s) { s.CurrentFrequency = 94.2; });
    Presets[0] = {103.3, "Radio One", true};
    SavePreset(1, "Radio One", true, 103.3);
    TMainForm& f = Start();
    f.TuneTo(94.2);
    f.RecogniseStation();

    Hear(f, Station("TEN FM", "Blue in Green", 10));
    EXPECT_EQ(f.lbl_station->text(), "TEN FM");
    EXPECT_TRUE(f.lbl_station->toolTip().contains("Pop Music")) << f.lbl_station->toolTip().toStdString();
    EXPECT_EQ(f.windowTitle(), "Tunzo 94.2 TEN FM");
    EXPECT_EQ(tray.tip, "Tunzo 94.2 TEN FM");
    EXPECT_FALSE(f.lbl_rds->isHidden());
    EXPECT_EQ(f.lbl_radiotext->text(), "Blue in Green");
    EXPECT_EQ(f.lbl_radiotext->toolTip(), "Blue in Green");
    EXPECT_EQ(ReadStationNameFile("94.2"), "TEN FM");  // for a pipit that takes over

    // A step away forgets it all at once, before the feed has said a word.
    QTest::mouseClick(f.RC_FTuneUp, Qt::LeftButton);
    EXPECT_EQ(f.lbl_station->text(), "");
    EXPECT_EQ(f.windowTitle(), "Tunzo 94.3");
    EXPECT_EQ(tray.tip, "Tunzo 94.3");
    EXPECT_TRUE(f.lbl_rds->isHidden());
    EXPECT_EQ(f.lbl_radiotext->text(), "");
    EXPECT_FALSE(f.lbl_station->toolTip().contains("Pop Music"));

    // A stored preset keeps its own name and title; the text still runs.
    Press(Qt::Key_1);
    Hear(f, Station("OTHER", "News at ten"));
    EXPECT_EQ(f.lbl_station->text(), "1 Radio One");
    EXPECT_TRUE(f.windowTitle().endsWith("Radio One")) << f.windowTitle().toStdString();
    EXPECT_EQ(f.lbl_radiotext->text(), "News at ten");

    // The feed's cleared state (a change of station) takes everything down.
    Hear(f, RdsState{});
    EXPECT_TRUE(f.lbl_rds->isHidden());
    EXPECT_EQ(f.lbl_radiotext->text(), "");
}

TEST_F(PanelTest, TheRadioTextRunsWhenTooLongHoldsUnderTheMouseAndIsHiddenInTheMinimalWindow)
{
    Stored([](TTunerSettings& s) { s.CurrentFrequency = 94.2; });
    TMainForm& f = Start();
    f.TuneTo(94.2);
    Hear(f, Station("TEN FM", "Short"));
    EXPECT_FALSE(f.lbl_radiotext->Scrolling());

    const QString longText = "The longest radio text a station may send, sixty-four letters.";
    Hear(f, Station("TEN FM", longText.toUtf8().constData()));
    EXPECT_TRUE(f.lbl_radiotext->Scrolling());
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(f.lbl_radiotext, &enter);
    EXPECT_FALSE(f.lbl_radiotext->Scrolling());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(f.lbl_radiotext, &leave);
    EXPECT_TRUE(f.lbl_radiotext->Scrolling());

    f.mnu_display_minimalClick();
    EXPECT_TRUE(f.lbl_radiotext->isHidden());
    EXPECT_FALSE(f.lbl_radiotext->Scrolling());
    EXPECT_EQ(f.DesignWindowSize(), QSize(204, 118));
    f.mnu_display_minimalClick();
    EXPECT_FALSE(f.lbl_radiotext->isHidden());
    // The line lies between the display and the rows below it.
    EXPECT_GT(f.gr_tune->y(), f.lbl_radiotext->geometry().bottom());
}

TEST_F(PanelTest, WriteOffersTheRdsNameWhereTheSlotWouldGetAMadeUpOne)
{
    Stored([](TTunerSettings& s) { s.CurrentFrequency = 94.2; });
    TMainForm& f = Start();
    f.TuneTo(94.2);
    Hear(f, Station("TEN FM"));
    Press(Qt::Key_W);
    QString offered;
    QTimer::singleShot(0, [&offered] {
        auto* dialog = qobject_cast<Tfrm_settings*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        offered = dialog->txt_name->text();
        QTest::mouseClick(dialog->OKBtn, Qt::LeftButton);
    });
    Press(Qt::Key_5);
    EXPECT_EQ(offered, "TEN FM");
    EXPECT_EQ(StoredPresets()[4].StationName, "TEN FM");
}

TEST_F(PanelTest, FindAllStationsStoresNothingUntilOkThenTheTickedOnesInEmptySlots)
{
    Stored([](TTunerSettings& s) { s.CurrentFrequency = 94.2; });
    Presets[0] = {94.2, "Jazz", true};
    SavePreset(1, "Jazz", true, 94.2);
    TMainForm& f = Start();
    f.TuneTo(94.2);
    const auto before = StoredPresets();

    // Cancel in the middle of the sweep: the radio is back, nothing stored.
    QTimer::singleShot(0, [] {
        ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }));
        auto* dialog = qobject_cast<TFindStationsDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(QTest::qWaitFor([dialog] { return dialog->Sweeping(); }));
        QTest::mouseClick(dialog->CancelButton(), Qt::LeftButton);
    });
    f.item_findall->trigger();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_NEAR(Card().frequency, 94.2, 1e-9);
    EXPECT_EQ(StoredPresets()[1].Frequency, before[1].Frequency);

    // The whole sweep; then Cancel on the list, and a bank not confirmed.
    QString question;
    QTimer::singleShot(0, [this, &question] {
        TFindStationsDialog* dialog = SweptDialog();
        ASSERT_NE(dialog, nullptr);
        ASSERT_EQ(dialog->List()->topLevelItemCount(), 2);
        dialog->TargetChoice()->setCurrentIndex(1);  // bank 1-10, which holds "Jazz"
        AnswerNextMessageBox(question);
        dialog->Buttons()->button(QDialogButtonBox::Ok)->click();
        EXPECT_TRUE(dialog->isVisible());  // not confirmed: still open
        dialog->Buttons()->button(QDialogButtonBox::Cancel)->click();
    });
    f.sp_findall->trigger();
    EXPECT_TRUE(question.contains("Replace the presets 1 to 10")) << question.toStdString();
    for (int n = 0; n < PresetCount; ++n)
        ASSERT_EQ(StoredPresets()[static_cast<size_t>(n)].Frequency, before[static_cast<size_t>(n)].Frequency) << n + 1;

    // OK: the station already stored is not ticked; the other goes into the
    // first empty slot with the name a Write gives (this card has no RDS).
    QTimer::singleShot(0, [] {
        TFindStationsDialog* dialog = SweptDialog();
        ASSERT_NE(dialog, nullptr);
        const QTreeWidgetItem* first = dialog->List()->topLevelItem(0);
        EXPECT_EQ(first->checkState(TFindStationsDialog::ColumnFrequency), Qt::Unchecked);
        EXPECT_EQ(first->text(TFindStationsDialog::ColumnStored), "preset 1");
        dialog->Buttons()->button(QDialogButtonBox::Ok)->click();
    });
    f.item_findall->trigger();
    const auto after = StoredPresets();
    EXPECT_EQ(after[0].StationName, "Jazz");
    EXPECT_NEAR(after[1].Frequency, 103.3, 1e-9);
    EXPECT_EQ(after[1].StationName, "Preset 2");
    EXPECT_EQ(after[2].Frequency, 0.0);
    EXPECT_NEAR(Card().frequency, 94.2, 1e-9);
    EXPECT_EQ(f.pre[1]->toolTip().left(8), "Preset 2");
}

// With RDS the sweep waits on each station: the name the feed posts is
// taken at once; a station without RDS is left after a second of the
// dialog's clock, never of real time.
TEST_F(PanelTest, FindAllStationsTakesEachNameAsTheFeedPostsItAndLeavesSilentStationsSoon)
{
    Stored([](TTunerSettings& s) { s.CurrentFrequency = 94.2; });
    TMainForm& f = Start();
    f.TuneTo(94.2);
    TFindStationsDialog dialog({87.0, 108.0, 0.1, false, true}, nullptr, Presets, &f);
    int64_t now = 0;
    dialog.Clock = [&now] { return now; };
    f.findStations_ = &dialog;
    dialog.show();

    ASSERT_TRUE(QTest::qWaitFor([&dialog] { return dialog.Listening(); }));
    EXPECT_NEAR(Card().frequency, 94.2, 1e-9);
    Hear(f, Station("TEN FM"));
    EXPECT_EQ(f.lbl_station->text(), "");  // the sweep's station, not the panel's

    ASSERT_TRUE(QTest::qWaitFor([&dialog] { return dialog.Listening(); }));
    EXPECT_NEAR(Card().frequency, 103.3, 1e-9);
    now += PiWaitMs - 1;
    Hear(f, RdsState{});
    EXPECT_TRUE(dialog.Listening());
    now += 1;
    Hear(f, RdsState{});

    ASSERT_TRUE(QTest::qWaitFor([&dialog] { return !dialog.Sweeping(); }));
    f.findStations_ = nullptr;
    ASSERT_EQ(dialog.Found().size(), 2u);
    EXPECT_EQ(dialog.Found()[0].name, "TEN FM");
    EXPECT_EQ(dialog.Found()[1].name, "");
    EXPECT_NEAR(Card().frequency, 94.2, 1e-9);  // back where the radio was
}
