// What the panel shows must be what the card does and what its commands act
// on: the preset the display names, the one lit button, the indicators, the
// slider and the buttons under real clicks, the window on its screen, and
// what a screen reader is told.

#include "AuxMixer.h"
#include "CustomPanel.h"
#include "FmDigi.h"
#include "JumpForm.h"
#include "PanelFixture.h"
#include "PopBtn.h"

#include <QAccessible>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSlider>

namespace {

// The buttons whose face is lit (bold), by their 0-based index.
std::vector<int> LitButtons(const TMainForm& f)
{
    std::vector<int> lit;
    for (int b = 0; b < PresetButtonCount; ++b)
        if (f.pre[static_cast<size_t>(b)]->font().bold())
            lit.push_back(b);
    return lit;
}

// Types a frequency into the jump dialog once it is up and presses OK.
void AnswerJump(TMainForm& f, const QString& typing)
{
    QTimer::singleShot(0, &f, [&f, typing] {
        QTest::keyClicks(f.frm_jump()->txt_freq, typing);
        QTest::mouseClick(f.frm_jump()->cmd_OK, Qt::LeftButton);
    });
}

void ClickItem(QMenu* menu, QAction* item)
{
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
}

QString AccessibleName(QObject* control)
{
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(control);
    return face ? face->text(QAccessible::Name) : QString();
}

QString AccessibleDescription(QObject* control)
{
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(control);
    return face ? face->text(QAccessible::Description) : QString();
}

// The slider's page repeat, which Qt keeps to the slider and its kind.
struct SliderRepeat : QSlider {
    static SliderAction Of(const QAbstractSlider& slider) { return (slider.*(&SliderRepeat::repeatAction))(); }
};

// A mouse button another test pressed and never let go of would ride along
// with every later click; it is let go over the display, where it does nothing.
void LetGoOfHeldButtons(TMainForm& f)
{
    for (Qt::MouseButton held : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton})
        if (QTestPrivate::qtestMouseButtons.testFlag(held))
            QTest::mouseRelease(f.Panel2, held);
}

// A click as the desktop delivers it: through the window, where a quick
// second press becomes a double click.
void DoubleClick(TMainForm& f, QWidget* control)
{
    LetGoOfHeldButtons(f);
    const QPoint at = control->mapTo(&f, control->rect().center());
    QTest::mouseDClick(f.windowHandle(), Qt::LeftButton, {}, at);
}

void SendMouse(QWidget* control, QEvent::Type type, QPoint at)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
    QMouseEvent event(type, at, control->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(control, &event);
}

}  // namespace

// "Clear" after tuning away from preset 1 overwrote preset 1 unseen.
TEST_F(PanelTest, DisplayMenuActsOnlyOnTheShownPresetAndNamesIt)
{
    Stored([](TTunerSettings&) {});
    SavePreset(1, "Alpha & Co", true, 94.2);
    TMainForm& f = Start();
    QTest::mouseClick(f.pre[0], Qt::LeftButton);
    QTest::mouseClick(f.Digit, Qt::RightButton);
    ASSERT_TRUE(f.pop_preset->isVisible());
    EXPECT_EQ(f.pitem_clear->text(), "&Clear 1 Alpha && Co");
    EXPECT_EQ(f.pitem_name->text(), "&Station 1 Alpha && Co");
    EXPECT_TRUE(f.pitem_clear->isEnabled());
    f.pop_preset->close();

    QTest::mouseClick(f.RC_FTuneUp, Qt::LeftButton);  // 94.3: no preset shown
    QTest::mouseClick(f.Digit, Qt::RightButton);
    ASSERT_TRUE(f.pop_preset->isVisible());
    EXPECT_FALSE(f.pitem_clear->isEnabled());
    EXPECT_FALSE(f.pitem_name->isEnabled());
    ClickItem(f.pop_preset, f.pitem_clear);
    f.pop_preset->close();
    EXPECT_EQ(Presets[0].StationName, "Alpha & Co");
    Presets = {};
    LoadPresets();
    EXPECT_NEAR(Presets[0].Frequency, 94.2, 1e-9) << "the store lost the preset";
}

// Clear names the preset it cleared no longer, anywhere.
TEST_F(PanelTest, ClearingTheShownPresetTakesItsNameOffDisplayAndTitle)
{
    Stored([](TTunerSettings&) {});
    SavePreset(2, "Beta", true, 103.3);
    TMainForm& f = Start();
    QTest::mouseClick(f.pre[1], Qt::LeftButton);
    QTest::mouseClick(f.Digit, Qt::RightButton);
    ClickItem(f.pop_preset, f.pitem_clear);
    EXPECT_EQ(Presets[1].Frequency, 0.0);
    EXPECT_EQ(f.lbl_station->text(), "");
    EXPECT_EQ(f.windowTitle(), "Tunzo 103.3");
    EXPECT_EQ(tray.tip, "Tunzo 103.3");
    EXPECT_TRUE(LitButtons(f).empty());
}

// Press 1, then reach preset 3 another way: one lit button, and it is the
// one the display shows, through right clicks and bank changes too.
TEST_F(PanelTest, AtMostOneButtonIsLitAndItIsThePresetShown)
{
    Stored([](TTunerSettings&) {});
    SavePreset(1, "One", true, 94.2);
    SavePreset(3, "Three", true, 103.3);
    TMainForm& f = Start();
    QTest::mouseClick(f.pre[0], Qt::LeftButton);
    EXPECT_EQ(LitButtons(f), std::vector<int>{0});

    AnswerJump(f, "103,3");
    QTest::mouseClick(f.cmd_jump, Qt::LeftButton);
    EXPECT_EQ(f.lbl_station->text(), "3 Three");
    EXPECT_EQ(LitButtons(f), std::vector<int>{2}) << "after the jump";

    QTest::mouseClick(f.pre[0], Qt::LeftButton);
    QTest::mouseClick(f.pre[2], Qt::RightButton);
    f.pop_preset->close();
    EXPECT_EQ(f.lbl_station->text(), "3 Three");
    EXPECT_EQ(LitButtons(f), std::vector<int>{2}) << "after a right click";

    QTest::mouseClick(f.cmd_presetup, Qt::LeftButton);  // "11" ... "20": preset 3 is not there
    EXPECT_TRUE(LitButtons(f).empty()) << "after a bank change";
    for (TPopButton* b : f.pre)
        EXPECT_EQ(b->font().pointSize(), f.pre[0]->font().pointSize()) << b->Caption().toStdString();
    QTest::mouseClick(f.cmd_presetdown, Qt::LeftButton);
    EXPECT_EQ(LitButtons(f), std::vector<int>{2}) << "back in its bank";
}

// The tune lets waiting events run; the release of a click on the track
// came in there, before the slider had started its page repeat, which then
// swept the band after the mouse was let go.
TEST_F(PanelTest, OneClickOnTheSliderTrackIsOnePageStep)
{
    Stored([](TTunerSettings&) {});
    TMainForm& f = Start();
    f.TuneTo(99.0);
    const QPoint track(f.TrackBar1->width() - 4, f.TrackBar1->height() / 2);
    bool released = false;
    RadioDriver::ProcessMessages = [&] {
        if (!released) {
            released = true;
            SendMouse(f.TrackBar1, QEvent::MouseButtonRelease, track);
        }
        QApplication::processEvents();
    };
    SendMouse(f.TrackBar1, QEvent::MouseButtonPress, track);
    QApplication::processEvents();
    EXPECT_TRUE(released);
    EXPECT_EQ(f.TrackBar1->value(), 991);
    EXPECT_NEAR(Card().frequency, 99.1, 1e-9);
    EXPECT_EQ(SliderRepeat::Of(*f.TrackBar1), QAbstractSlider::SliderNoAction) << "the slider goes on stepping";
}

// With no line in, the steps have nowhere else to go.
TEST_F(PanelTest, ChoosingTheCheckedRadioItemWithoutALineInKeepsTheStepsOnTheCard)
{
    std::unique_ptr<AuxMixer> previous = SetAuxMixer(std::make_unique<FakeAuxMixer>());
    const auto restore = qScopeGuard([&] { SetAuxMixer(std::move(previous)); });
    Stored([](TTunerSettings&) {});
    TMainForm& f = Start();
    f.TuneTo(94.2);
    QTest::mousePress(f.RC_vol_up, Qt::RightButton);
    QTest::mouseRelease(f.RC_vol_up, Qt::RightButton);
    ASSERT_TRUE(f.pop_volcontrol->isVisible());
    ASSERT_TRUE(f.pop_volctrl_radio->isChecked());
    ClickItem(f.pop_volcontrol, f.pop_volctrl_radio);
    EXPECT_EQ(TunerSettings.VolumeControl, 0);
    EXPECT_TRUE(f.pop_volctrl_radio->isChecked());
    const int volume = Card().volume;
    QTest::mouseClick(f.RC_vol_up, Qt::LeftButton);
    EXPECT_EQ(Card().volume, volume + 1);
    LoadSettings();
    EXPECT_EQ(TunerSettings.VolumeControl, 0);
}

TEST_F(PanelTest, VolumeDownFromMuteTakesTheMuteMarkOffAsTheRadioPlays)
{
    Stored([](TTunerSettings&) {});
    TMainForm& f = Start();
    f.TuneTo(94.2);
    QTest::mouseClick(f.cmd_mute, Qt::LeftButton);
    ASSERT_FALSE(f.lbl_mute->isHidden());
    QTest::mouseClick(f.RC_vol_down, Qt::LeftButton);
    EXPECT_TRUE(Card().audible);
    EXPECT_TRUE(f.lbl_mute->isHidden());
    EXPECT_FALSE(f.item_mute->isChecked());
    EXPECT_TRUE(tray.Shows(":/ST_NORMAL"));
}

TEST_F(PanelTest, TheTrayChannelsMenuHoldsThePresets)
{
    Stored([](TTunerSettings&) {});
    SavePreset(4, "Four", true, 94.2);
    TMainForm& f = Start();
    ASSERT_EQ(f.sp_preset->actions().size(), 1);
    EXPECT_EQ(f.sp_preset->actions()[0]->text(), "4   Four");
    EXPECT_EQ(f.popup_systray->actions().last(), f.Exit1) << "presets hang under Exit";
    f.sp_preset->actions()[0]->trigger();
    EXPECT_NEAR(Card().frequency, 94.2, 1e-9);
}

TEST_F(PanelTest, ABandLabelClickShowsItsFrequencyInTitleAndTrayTip)
{
    Stored([](TTunerSettings&) {});
    SavePreset(1, "One", true, 94.2);
    TMainForm& f = Start();
    QTest::mouseClick(f.pre[0], Qt::LeftButton);
    QTest::mouseClick(f.lbl_freq[4], Qt::LeftButton);  // "95"
    EXPECT_EQ(f.windowTitle(), "Tunzo 95");
    EXPECT_EQ(tray.tip, "Tunzo 95");
    EXPECT_EQ(f.lbl_station->text(), "");
    EXPECT_TRUE(LitButtons(f).empty());
}

TEST_F(PanelTest, NoTunedMarkBeforeTheCardWasAsked)
{
    Stored([](TTunerSettings& s) { s.TuneToLastStation = false; });
    TMainForm& f = Start();
    EXPECT_NE(f.lbl_status->text(), "T");
    EXPECT_NE(f.lbl_status->text(), "ST");
}

TEST_F(PanelTest, AWindowPlaceFromALargerScreenComesBackWhollyOnThisOne)
{
    Stored([](TTunerSettings&) {});
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    SaveWindowPosition("Main Window", screen.right() - 40, screen.bottom() + 20);
    TMainForm& f = Start();
    EXPECT_TRUE(screen.contains(f.frameGeometry())) << f.frameGeometry().x() << "," << f.frameGeometry().y();
}

// The display's letters each have a place of their own, and the minimal
// window keeps the display in its middle.
TEST_F(PanelTest, DisplayLettersDoNotOverlapAndTheMinimalDisplayIsCentred)
{
    Stored([](TTunerSettings& s) { s.MinimalWindow = true; });
    TMainForm& f = Start();
    const std::vector<std::pair<QLabel*, const char*>> letters = {
        {f.lbl_status, "ST"}, {f.lbl_mute, "M"}, {f.lbl_sleep, "Z"}, {f.lbl_alarm, "A"}};
    for (size_t i = 0; i < letters.size(); ++i) {
        const auto& [label, widest] = letters[i];
        EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(widest)) << widest;
        // Not even touching: a pixel between each two.
        for (size_t j = i + 1; j < letters.size(); ++j)
            EXPECT_FALSE(label->geometry().adjusted(-1, -1, 1, 1).intersects(letters[j].first->geometry()))
                << widest << " and " << letters[j].second;
    }
    const int left = f.Panel2->x();
    const int right = f.centralWidget()->width() - f.Panel2->geometry().right() - 1;
    EXPECT_LE(std::abs(left - right), 1) << left << " and " << right;
}

// Two quick clicks are two steps, not a step and a double click.
TEST_F(PanelTest, AQuickSecondClickOnAStepButtonIsASecondStep)
{
    Stored([](TTunerSettings&) {});
    TMainForm& f = Start();
    f.TuneTo(94.2);
    DoubleClick(f, f.RC_FTuneUp);
    EXPECT_NEAR(Card().frequency, 94.4, 1e-9);
    const int volume = Card().volume;
    DoubleClick(f, f.RC_vol_up);
    EXPECT_EQ(Card().volume, volume + 2);
}

// A preset with a name of thousands of characters: what the panel shows
// stays short (and showing it does not take long).
TEST_F(PanelTest, AHugeStationNameIsShownShort)
{
    Stored([](TTunerSettings&) {});
    SavePreset(1, std::string(3000, 'x'), true, 94.2);
    TMainForm& f = Start();
    QTest::mouseClick(f.pre[0], Qt::LeftButton);
    constexpr int Short = 100;
    EXPECT_LE(f.lbl_station->text().size(), Short);
    EXPECT_LE(f.lbl_station->toolTip().size(), Short);
    EXPECT_LE(f.pre[0]->toolTip().size(), Short);
    for (QAction* entry : f.channelEntries)
        EXPECT_LE(entry->text().size(), Short);
    EXPECT_LE(f.pitem_name->text().size(), Short);
    EXPECT_LE(AccessibleName(f.Digit).size(), Short);
}

// Pictures and one-letter labels say in words what they show, and keep
// saying it as the radio changes.
TEST_F(PanelTest, AScreenReaderHearsWhatTheDisplayAndButtonsShow)
{
    Stored([](TTunerSettings& s) {
        s.Adapter = 4;  // an Aztech tells stereo
        s.CardPort = 0x350;
    });
    SavePreset(1, "Jazz FM", true, 103.3);
    TMainForm& f = Start();
    QTest::mouseClick(f.pre[0], Qt::LeftButton);
    QTest::mouseClick(f.cmd_mute, Qt::LeftButton);
    EXPECT_EQ(AccessibleName(f.Digit), "103.3 MHz, Jazz FM, stereo, muted");
    EXPECT_EQ(AccessibleName(f.lbl_status), "Stereo");
    EXPECT_EQ(AccessibleName(f.lbl_mute), "Muted");
    EXPECT_EQ(AccessibleName(f.pre[0]), "Preset 1, Jazz FM, 103.3 MHz");
    EXPECT_EQ(AccessibleDescription(f.pre[0]), "Shown on the display");
    EXPECT_EQ(AccessibleName(f.pre[1]), "Preset 2, not set");

    QTest::mouseClick(f.cmd_mute, Qt::LeftButton);
    QTest::mouseClick(f.RC_FTuneUp, Qt::LeftButton);
    EXPECT_EQ(AccessibleName(f.Digit), "103.4 MHz, not tuned");
    EXPECT_EQ(AccessibleName(f.lbl_status), "Not tuned");
    EXPECT_EQ(AccessibleDescription(f.pre[0]), "Jazz FM  103.3");  // its hint, no longer shown
    QAccessibleInterface* button = QAccessible::queryAccessibleInterface(f.RC_FTuneUp);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->role(), QAccessible::Button);
    EXPECT_EQ(button->text(QAccessible::Name), ">");
    EXPECT_EQ(button->text(QAccessible::Description), "Tune up");
}
