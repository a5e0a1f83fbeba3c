// Help as the panel's user asks for it: the Help menus, and F1 on whatever
// has the focus.
#include "HelpWindow.h"
#include "JumpForm.h"
#include "PopBtn.h"
#include "PanelFixture.h"

#include <QLineEdit>
#include <QMenu>
#include <QTextBrowser>

namespace {
QString ShownTopic()
{
    THelpWindow* help = THelpWindow::Current();
    return help && help->isVisible() ? help->Browser->source().fragment() : QString();
}
}  // namespace

TEST_F(PanelTest, HelpMenusAndF1OpenTheTopicOfWhatHasTheFocus)
{
    Stored([](TTunerSettings&) {});
    TMainForm& f = Start();

    f.Index2->trigger();  // the tray menu's "Help topics"
    EXPECT_EQ(ShownTopic(), "ctx-103");
    THelpWindow::Current()->close();
    f.Searchforhelpon1->trigger();
    EXPECT_EQ(ShownTopic(), "ctx-103");
    ASSERT_TRUE(QTest::qWaitForWindowActive(THelpWindow::Current()));
    EXPECT_EQ(QApplication::focusWidget(), THelpWindow::Current()->SearchField);
    THelpWindow::Current()->close();

    // "Mute", highlighted with the arrow keys in the open "Actions" menu.
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    f.mnu_file->popup(f.mapToGlobal(QPoint(0, 0)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.mnu_file));
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(f.mnu_file->windowHandle(), Qt::Key_Down);
    ASSERT_EQ(f.mnu_file->activeAction(), f.item_mute);
    QTest::keyClick(f.mnu_file->windowHandle(), Qt::Key_F1);
    EXPECT_EQ(ShownTopic(), "ctx-804");
    EXPECT_TRUE(RadioDriver::SoundOn);  // F1 is not a click on the item
    f.mnu_file->close();
    THelpWindow::Current()->close();

    // A control without a topic of its own: the main window's.
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    f.cmd_scanup->setFocus();
    Press(Qt::Key_F1);
    EXPECT_EQ(ShownTopic(), "ctx-50");
    THelpWindow::Current()->close();

    // The jump dialog has its own topic, and stays open behind the help.
    QString topic;
    bool dialogWaited = false;
    QTimer::singleShot(0, f.frm_jump, [&] {
        QTest::keyClick(f.frm_jump->windowHandle(), Qt::Key_F1);
        topic = ShownTopic();
        dialogWaited = f.frm_jump->isVisible();
        THelpWindow::Current()->close();
        f.frm_jump->reject();
    });
    f.cmd_jumpClick();
    EXPECT_EQ(topic, "ctx-503");
    EXPECT_TRUE(dialogWaited);
}
