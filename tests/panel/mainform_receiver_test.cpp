// The panel on a simulated FM stick ("Adapter" 7): its Scan buttons seek on
// a worker while the window stays free, a missing device is told and the
// panel opens anyway, an unplug shows in the display and title without a
// box, and a replug tunes the stick again with the mute it had.

#include "AdapterCatalogue.h"
#include "FindStationsDialog.h"
#include "FmDigi.h"
#include "PanelFixture.h"
#include "PopBtn.h"
#include "SimulatedRadioStick.h"
#include "V4L2Radio.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QTreeWidget>

#include <fstream>
#include <future>

namespace {

class PanelReceiverTest : public PanelTest {
protected:
    void SetUp() override
    {
        PanelTest::SetUp();
        SimulatedRadioSticks::Options options;
        options.stations = {{94.2, false}, {103.3, true}};
        options.stateDirectory = dir;
        // The first channel of a seek waits until the test lets it go on.
        options.pause = [this](int) { seekMayGoOn.wait(); };
        SetV4L2Calls(std::make_unique<SimulatedRadioSticks>(options));
        seekMayGoOn = letSeekGoOn.get_future().share();
        Stored([](TTunerSettings& s) {
            s.Adapter = V4L2Adapter;
            s.TuneToLastStation = true;
            s.CurrentFrequency = 94.2;
        });
        // The stick's sound is played: to nowhere, as no test has a sound card.
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(MainKey, true));
        reg.WriteString(ValueName::AudioOutput, "null");
    }
    void TearDown() override
    {
        if (!released)
            letSeekGoOn.set_value();
        PanelTest::TearDown();
        SetV4L2Calls(nullptr);
        ReportReceiverRefusal = nullptr;
    }
    void LetSeekGoOn()
    {
        released = true;
        letSeekGoOn.set_value();
    }
    StickState Stick() { return ParseStickState(ReadFile(SimulatedStickStatePath(dir, 0))); }
    void SetPresent(bool present)
    {
        StickState s = Stick();
        s.present = present;
        std::ofstream(SimulatedStickStatePath(dir, 0)) << FormatStickState(s);
    }
    static std::string ReadFile(const std::string& path)
    {
        std::ifstream in(path);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::promise<void> letSeekGoOn;
    std::shared_future<void> seekMayGoOn;
    bool released = false;
};

}  // namespace

TEST_F(PanelReceiverTest, ScanSeeksOnAWorkerWhileTheWindowStaysFreeAndASecondClickStops)
{
    TMainForm& f = Start();
    EXPECT_DOUBLE_EQ(Stick().frequency, 94.2);
    QTest::mouseClick(f.cmd_scanup, Qt::LeftButton);
    // The click has returned while the device still seeks: the window
    // answers, and a second click stops the search at once.
    EXPECT_TRUE(f.SearchRunning);
    EXPECT_EQ(f.lbl_status->text(), ">");
    QTest::mouseClick(f.cmd_scanup, Qt::LeftButton);
    EXPECT_FALSE(f.SearchRunning);
    QTest::mouseClick(f.cmd_scanup, Qt::LeftButton);  // nothing new while the device is still busy
    EXPECT_FALSE(f.SearchRunning);
    LetSeekGoOn();
    // The tuner is where the device stopped, and the display says so.
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.Digit->Value() == "103.3"; }));
    EXPECT_DOUBLE_EQ(TunerSettings.CurrentFrequency, 103.3);
    EXPECT_EQ(f.lbl_status->text(), "ST");
}

TEST_F(PanelReceiverTest, UnplugIsShownWithoutABoxAndAReplugTunesAgainWithItsMute)
{
    TMainForm& f = Start();
    EXPECT_TRUE(f.receiverWatch_.isActive());
    EXPECT_LE(f.receiverWatch_.interval(), 2000);  // noticed within two seconds
    QTest::mouseClick(f.cmd_mute, Qt::LeftButton);
    EXPECT_TRUE(Stick().muted);

    SetPresent(false);
    f.CheckReceiver();
    EXPECT_EQ(f.windowTitle(), "Tunzo - receiver gone");
    EXPECT_EQ(f.lbl_station->text(), "Receiver gone");
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    QTest::mouseClick(f.cmd_scandown, Qt::LeftButton);  // nothing to search on: the click ends at once
    EXPECT_FALSE(f.SearchRunning);
    EXPECT_FALSE(RadioDriver::SoundOn);

    SetPresent(true);  // back in its power-on state: 87.5 MHz, muted
    f.CheckReceiver();
    EXPECT_DOUBLE_EQ(Stick().frequency, 94.2);
    EXPECT_TRUE(Stick().muted);
    EXPECT_NE(f.windowTitle(), "Tunzo - receiver gone");

    QTest::mouseClick(f.cmd_mute, Qt::LeftButton);  // sound on again
    SetPresent(false);
    f.CheckReceiver();
    SetPresent(true);
    f.CheckReceiver();
    EXPECT_DOUBLE_EQ(Stick().frequency, 94.2);
    EXPECT_FALSE(Stick().muted) << "a stick that was playing plays again";
}

TEST_F(PanelReceiverTest, AMissingDeviceIsToldByNameAndThePanelOpensAnyway)
{
    // As the setup program writes it: the panel itself never changes it.
    TRegistry reg;
    reg.SetRootKey(RegistryRoot::LocalMachine);
    ASSERT_TRUE(reg.OpenKey(MainKey, true));
    reg.WriteString(ValueName::RadioDevice, "/dev/radio7");
    reg.CloseKey();
    TMainForm& f = Start();
    EXPECT_TRUE(f.isVisible());
    f.CheckReceiver();  // the watch's first tick
    EXPECT_EQ(f.windowTitle(), "Tunzo - receiver gone");
    QMessageBox* box = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* b = qobject_cast<QMessageBox*>(w); b && b->isVisible())
            box = b;
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->text().contains("/dev/radio7"));
    EXPECT_TRUE(box->text().contains("plug it in"));
    EXPECT_EQ(box->windowModality(), Qt::NonModal);
}

TEST_F(PanelReceiverTest, AStickPulledOutStopsItsFeedWithoutABoxAndItsReturnStartsItAgain)
{
    TMainForm& f = Start();
    ASSERT_TRUE(f.feedRunning_);
    SetPresent(false);
    // The feed notices first, on its own thread, and tells the window.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.feedRunning_; }));
    EXPECT_EQ(f.windowTitle(), "Tunzo - receiver gone");
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<QMessageBox*>(w) && w->isVisible()) << "a box for an unplug";
    SetPresent(true);
    f.CheckReceiver();
    ASSERT_TRUE(f.feedRunning_);
    // Only a feed that reads the stick again can notice the next unplug.
    SetPresent(false);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !f.feedRunning_; })) << "no feed reads the stick that came back";
}

// Find all stations on a receiver that seeks by itself: one hardware seek
// after another on a worker, each station listed once with its stereo, and
// the stick back on its station afterwards.
TEST_F(PanelReceiverTest, FindAllStationsSeeksOnAWorkerAndListsEachStationOnce)
{
    TMainForm& f = Start();
    std::vector<std::pair<QString, QString>> listed;
    int64_t now = 0;
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }));
        auto* dialog = qobject_cast<TFindStationsDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->Clock = [&now] { return now; };
        LetSeekGoOn();  // the first seek was held until the clock was set
        // Where the receiver hands over RDS, each wait ends on the dialog's clock.
        const auto listShown = [dialog] { return dialog->Buttons()->isVisible(); };
        while (QTest::qWaitFor([&] { return listShown() || dialog->Listening(); }) && !listShown()) {
            now += NameWaitMs;
            dialog->Heard(RdsState{});
        }
        for (int i = 0; i < dialog->List()->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = dialog->List()->topLevelItem(i);
            listed.emplace_back(item->text(TFindStationsDialog::ColumnFrequency),
                                item->text(TFindStationsDialog::ColumnStereo));
        }
        dialog->reject();
    });
    f.item_findall->trigger();
    const std::vector<std::pair<QString, QString>> expected = {{"94.2", ""}, {"103.3", "stereo"}};
    EXPECT_EQ(listed, expected);
    EXPECT_DOUBLE_EQ(Stick().frequency, 94.2);
}
