#include "TrayIcon.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QPixmap>
#include <QStyleHints>
#include <QSystemTrayIcon>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

struct ShellCall {
    std::string kind;
    QString tip;
    qint64 iconKey = 0;
};

// Records every call and answers with `result`.
class CountingShell : public TrayShell {
public:
    bool Add(const NotifyIconData& data) override { return Record("add", data); }
    bool Modify(const NotifyIconData& data) override { return Record("modify", data); }
    bool Remove(const NotifyIconData& data) override { return Record("remove", data); }

    std::vector<std::string> Kinds() const {
        std::vector<std::string> kinds;
        for (const ShellCall& c : calls) kinds.push_back(c.kind);
        return kinds;
    }

    std::vector<ShellCall> calls;
    NotifyIconData last;
    bool result = true;

private:
    bool Record(const char* kind, const NotifyIconData& data) {
        calls.push_back({kind, data.Tip, data.Icon.cacheKey()});
        last = data;
        return result;
    }
};

using Kinds = std::vector<std::string>;

void RunPostedEvents() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

QIcon ColouredIcon(Qt::GlobalColor colour) {
    QPixmap pixmap(16, 16);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

// Sets the desktop's double-click interval for one test.
class DoubleClickInterval {
public:
    explicit DoubleClickInterval(int ms) : FSaved(QGuiApplication::styleHints()->mouseDoubleClickInterval()) {
        QGuiApplication::styleHints()->setMouseDoubleClickInterval(ms);
    }
    ~DoubleClickInterval() { QGuiApplication::styleHints()->setMouseDoubleClickInterval(FSaved); }

private:
    int FSaved;
};

}  // namespace

TEST(TrayIcon, AddsAndRemovesOnlyWhenActiveChanges) {
    CountingShell shell;
    TTrayIcon tray(shell);
    tray.SetToolTip("Tunzo");
    tray.SetActive(false);
    EXPECT_EQ(shell.Kinds(), Kinds{});
    tray.SetActive(true);
    tray.SetActive(true);
    EXPECT_EQ(shell.Kinds(), Kinds{"add"});
    EXPECT_TRUE(tray.OnDesktop());
    tray.SetActive(false);
    EXPECT_FALSE(tray.OnDesktop());
    tray.SetActive(false);
    EXPECT_EQ(shell.Kinds(), (Kinds{"add", "remove"}));
    RunPostedEvents();
    EXPECT_EQ(shell.calls.size(), 2u);

    shell.result = false;  // a desktop without a tray
    tray.SetActive(true);
    EXPECT_TRUE(tray.Active());
    EXPECT_FALSE(tray.OnDesktop());
}

TEST(TrayIcon, ChangesWhileInactiveWaitForTheAdd) {
    CountingShell shell;
    TTrayIcon tray(shell);
    const QIcon muted = ColouredIcon(Qt::red);
    tray.SetIcon(muted);
    tray.SetToolTip("Tunzo - 103.3");
    EXPECT_EQ(shell.Kinds(), Kinds{});
    tray.SetActive(true);
    RunPostedEvents();
    ASSERT_EQ(shell.Kinds(), Kinds{"add"});
    EXPECT_EQ(shell.calls[0].tip, "Tunzo - 103.3");
    EXPECT_EQ(shell.calls[0].iconKey, muted.cacheKey());

    tray.SetIcon(muted);  // the same picture again: nothing to tell the tray
    EXPECT_EQ(shell.calls.size(), 1u);
    const QIcon playing = ColouredIcon(Qt::green);
    tray.SetIcon(playing);
    ASSERT_EQ(shell.Kinds(), (Kinds{"add", "modify"}));
    EXPECT_EQ(shell.calls[1].iconKey, playing.cacheKey());
}

TEST(TrayIcon, CutsTheTipTo62Characters) {
    CountingShell shell;
    TTrayIcon tray(shell);
    tray.SetActive(true);
    const QString seventy = QString("Tunzo - ") + QString(62, 'x');
    ASSERT_EQ(seventy.size(), 70);
    tray.SetToolTip(seventy);
    EXPECT_EQ(tray.ToolTip(), seventy.left(62));
    ASSERT_FALSE(shell.calls.empty());
    EXPECT_EQ(shell.calls.back().kind, "modify");
    EXPECT_EQ(shell.calls.back().tip, seventy.left(62));
}

TEST(TrayIcon, AddWithAnEmptyTipIsFollowedByOneModifyOnceTheLoopRuns) {
    CountingShell shell;
    TTrayIcon tray(shell);
    tray.SetActive(true);
    EXPECT_EQ(shell.Kinds(), Kinds{"add"});
    RunPostedEvents();
    EXPECT_EQ(shell.Kinds(), (Kinds{"add", "modify"}));
    RunPostedEvents();
    EXPECT_EQ(shell.calls.size(), 2u);
}

TEST(TrayIcon, TurnsMouseMessagesIntoEvents) {
    struct Row {
        TrayMouseMessage message;
        int clicks, doubleClicks, rightClicks;
    };
    const std::vector<Row> rows = {
        {TrayMouseMessage::LeftButtonUp, 1, 0, 0},
        {TrayMouseMessage::LeftButtonDoubleClick, 0, 1, 0},
        {TrayMouseMessage::RightButtonUp, 0, 0, 1},
        {TrayMouseMessage::MouseMove, 0, 0, 0},
        {TrayMouseMessage::MiddleButtonUp, 0, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(uint32_t(row.message));
        CountingShell shell;
        TTrayIcon tray(shell);
        int clicks = 0, doubleClicks = 0, rightClicks = 0;
        tray.OnClick = [&](QObject* sender) { clicks += sender == &tray; };
        tray.OnDblClick = [&](QObject* sender) { doubleClicks += sender == &tray; };
        tray.OnRightClick = [&](QObject* sender, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
            rightClicks += sender == &tray;
        };
        tray.SetActive(true);
        // The way the desktop reaches the component: the record's callback.
        ASSERT_TRUE(shell.last.Callback);
        shell.last.Callback(row.message);
        EXPECT_EQ(clicks, row.clicks);
        EXPECT_EQ(doubleClicks, row.doubleClicks);
        EXPECT_EQ(rightClicks, row.rightClicks);
    }
}

// Qt reports the first press of a double click as Trigger before the
// DoubleClick, the way an X11 tray delivers it.
TEST(TrayIcon, ADoubleClickOnTheIconIsNotAlsoAClick) {
    CountingShell shell;
    TTrayIcon tray(shell);
    int clicks = 0, doubleClicks = 0;
    tray.OnClick = [&](QObject*) { ++clicks; };
    tray.OnDblClick = [&](QObject*) { ++doubleClicks; };
    tray.SetActive(true);
    RunPostedEvents();
    QSystemTrayIcon icon;  // never shown: only its signal is used
    auto activation = std::make_unique<TrayActivation>(icon, shell.last.Callback);

    {
        // A click is only due once the interval has passed, and this one
        // outlasts the test.
        constexpr int OneMinute = 60'000;
        DoubleClickInterval interval(OneMinute);
        emit icon.activated(QSystemTrayIcon::Trigger);
        RunPostedEvents();
        EXPECT_EQ(clicks, 0);
        emit icon.activated(QSystemTrayIcon::DoubleClick);
        RunPostedEvents();
        EXPECT_EQ(doubleClicks, 1);
        EXPECT_EQ(clicks, 0);
    }

    // An interval of 0: a held click is due as soon as the loop runs.
    DoubleClickInterval interval(0);
    emit icon.activated(QSystemTrayIcon::Trigger);
    emit icon.activated(QSystemTrayIcon::DoubleClick);
    RunPostedEvents();
    EXPECT_EQ(doubleClicks, 2);
    EXPECT_EQ(clicks, 0);

    emit icon.activated(QSystemTrayIcon::Trigger);
    RunPostedEvents();
    EXPECT_EQ(clicks, 1);
    RunPostedEvents();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(doubleClicks, 2);

    // Two Triggers without a DoubleClick between are two clicks.
    emit icon.activated(QSystemTrayIcon::Trigger);
    emit icon.activated(QSystemTrayIcon::Trigger);
    RunPostedEvents();
    EXPECT_EQ(clicks, 3);

    // A click still held when the icon leaves the tray goes with it.
    emit icon.activated(QSystemTrayIcon::Trigger);
    activation.reset();
    RunPostedEvents();
    EXPECT_EQ(clicks, 3);
}

TEST(TrayIcon, RightClickOpensThePopupMenuAtTheCursorAndStillCallsOnRightClick) {
    CountingShell shell;
    TTrayIcon tray(shell);
    Qt::MouseButton button = Qt::NoButton;
    Qt::KeyboardModifiers shift = Qt::ShiftModifier;
    QPoint at(-1, -1);
    int rightClicks = 0;
    tray.OnRightClick = [&](QObject*, Qt::MouseButton b, Qt::KeyboardModifiers s, int x, int y) {
        ++rightClicks;
        button = b;
        shift = s;
        at = QPoint(x, y);
    };
    tray.TrayMessage(TrayMouseMessage::RightButtonUp);
    EXPECT_EQ(rightClicks, 1);
    EXPECT_EQ(button, Qt::RightButton);
    EXPECT_EQ(shift, Qt::NoModifier);
    EXPECT_EQ(at, QCursor::pos());

    auto* menu = new QMenu;
    menu->addAction("&Restore");
    tray.SetPopupMenu(menu);
    tray.TrayMessage(TrayMouseMessage::RightButtonUp);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(rightClicks, 2);
    menu->hide();

    // The menu is not owned: once it is gone a right click goes on without it.
    delete menu;
    EXPECT_EQ(tray.PopupMenu(), nullptr);
    tray.TrayMessage(TrayMouseMessage::RightButtonUp);
    EXPECT_EQ(rightClicks, 3);
}

TEST(TrayIcon, DestructionRemovesTheIconOnlyWhenShown) {
    CountingShell shown, hidden;
    {
        TTrayIcon a(shown);
        a.SetToolTip("Tunzo");
        a.SetActive(true);
        TTrayIcon b(hidden);
        b.SetToolTip("Tunzo");
    }
    EXPECT_EQ(shown.Kinds(), (Kinds{"add", "remove"}));
    EXPECT_EQ(hidden.Kinds(), Kinds{});
}

TEST(TrayIcon, WithoutATrayTheCallsFailQuietly) {
    if (QSystemTrayIcon::isSystemTrayAvailable()) GTEST_SKIP() << "a tray is available here";
    QtTrayShell shell;
    NotifyIconData data;
    data.Tip = "Tunzo";
    EXPECT_FALSE(shell.Add(data));
    EXPECT_FALSE(shell.Modify(data));
    EXPECT_FALSE(shell.Remove(data));

    TTrayIcon tray;
    tray.SetActive(true);
    EXPECT_TRUE(tray.Active());
    EXPECT_FALSE(tray.OnDesktop());  // so nobody hides a window behind it
    tray.SetToolTip("Tunzo - muted");
    RunPostedEvents();
    tray.SetActive(false);
    EXPECT_FALSE(tray.Active());
    EXPECT_EQ(tray.ToolTip(), "Tunzo - muted");
}
