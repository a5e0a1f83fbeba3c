// Off X11 the taskbar button is only a remembered choice: the platform is
// never asked, and nothing about the window changes for it.

#include "TaskbarButton.h"

#include <QApplication>
#include <QWidget>

#include <gtest/gtest.h>

TEST(TaskbarButtonTest, RemembersTheLastChoiceOfEachWindowWithoutTouchingIt)
{
    ASSERT_NE(QGuiApplication::platformName(), QLatin1String("xcb"));
    QWidget panel, other;
    EXPECT_TRUE(TaskbarButtonShown(&panel));

    ShowTaskbarButton(&panel, false);
    EXPECT_FALSE(TaskbarButtonShown(&panel));
    EXPECT_TRUE(TaskbarButtonShown(&other));
    // Remembering must not make the native window before it is shown.
    EXPECT_FALSE(panel.testAttribute(Qt::WA_WState_Created));

    panel.show();
    panel.showMinimized();
    panel.showNormal();
    panel.hide();
    EXPECT_FALSE(TaskbarButtonShown(&panel));

    ShowTaskbarButton(&panel, true);
    EXPECT_TRUE(TaskbarButtonShown(&panel));
    ShowTaskbarButton(&other, false);
    EXPECT_TRUE(TaskbarButtonShown(&panel));
    EXPECT_FALSE(TaskbarButtonShown(&other));

    ShowTaskbarButton(nullptr, false);
    EXPECT_TRUE(TaskbarButtonShown(nullptr));
}
