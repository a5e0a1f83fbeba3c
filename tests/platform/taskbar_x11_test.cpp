// On a real X server with a window manager: the window's _NET_WM_STATE, read
// from a connection of our own as any taskbar reads it, carries
// _NET_WM_STATE_SKIP_TASKBAR exactly while the button is to be left out,
// through the changes on which the window manager or Qt rewrite that state.

#include "TaskbarButton.h"

#include <QApplication>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using ::testing::Contains;
using ::testing::Not;

namespace {

constexpr int WindowManagerPatienceMs = 5000;
constexpr uint32_t IcccmWithdrawnState = 0;
constexpr uint32_t AtomsToRead = 64;

struct FreeWithFree {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeWithFree>;

// What a taskbar sees of a window.
class Observer {
public:
    Observer() : connection_(xcb_connect(nullptr, nullptr)) {}
    ~Observer() { xcb_disconnect(connection_); }

    bool WindowManagerRuns() const
    {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
        return !Property(root, "_NET_SUPPORTING_WM_CHECK", XCB_ATOM_WINDOW).empty();
    }

    // Managed: the window manager has taken the window in (ICCCM WM_STATE).
    bool Managed(WId window) const
    {
        const std::vector<uint32_t> state = Property(window, "WM_STATE", Atom("WM_STATE"));
        return !state.empty() && state.front() != IcccmWithdrawnState;
    }

    std::vector<std::string> States(WId window) const
    {
        std::vector<std::string> names;
        for (uint32_t atom : Property(window, "_NET_WM_STATE", XCB_ATOM_ATOM)) {
            Reply<xcb_get_atom_name_reply_t> name(
                xcb_get_atom_name_reply(connection_, xcb_get_atom_name(connection_, atom), nullptr));
            if (name)
                names.emplace_back(xcb_get_atom_name_name(name.get()), xcb_get_atom_name_name_length(name.get()));
        }
        return names;
    }

    bool Has(WId window, const std::string& state) const
    {
        const std::vector<std::string> states = States(window);
        return std::find(states.begin(), states.end(), state) != states.end();
    }

private:
    xcb_atom_t Atom(const char* name) const
    {
        Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
            connection_, xcb_intern_atom(connection_, 0, static_cast<uint16_t>(strlen(name)), name), nullptr));
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    std::vector<uint32_t> Property(xcb_window_t window, const char* name, xcb_atom_t type) const
    {
        const auto cookie = xcb_get_property(connection_, 0, window, Atom(name), type, 0, AtomsToRead);
        Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection_, cookie, nullptr));
        if (!reply || reply->format != 32)
            return {};
        const auto* values = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
        return {values, values + reply->value_len};
    }

    xcb_connection_t* connection_;
};

bool WaitFor(const std::function<bool()>& condition)
{
    return QTest::qWaitFor(condition, WindowManagerPatienceMs);
}

}  // namespace

TEST(TaskbarButtonX11Test, SkipTaskbarFollowsTheChoiceThroughShowMinimiseAndStayOnTop)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "no X server on DISPLAY";
    const Observer x;
    if (!x.WindowManagerRuns())
        GTEST_SKIP() << "no window manager on DISPLAY";

    QWidget window;
    window.resize(200, 100);
    // The X window as it is now: Qt makes a new one when "stay on top" changes.
    auto id = [&] { return window.windowHandle()->winId(); };
    auto skips = [&] { return x.Has(id(), "_NET_WM_STATE_SKIP_TASKBAR"); };
    auto showAgain = [&] {
        ASSERT_TRUE(WaitFor([&] { return !x.Managed(id()); })) << "the window manager let go";
        window.show();
        ASSERT_TRUE(WaitFor([&] { return x.Managed(id()); })) << "the window manager took it in";
    };

    // Asked before the window exists: read by the window manager at mapping.
    ShowTaskbarButton(&window, false);
    window.show();
    ASSERT_TRUE(WaitFor([&] { return x.Managed(id()); }));
    EXPECT_TRUE(skips()) << "before showing";

    // Asked while it is mapped: the window manager is asked, both ways.
    ShowTaskbarButton(&window, true);
    EXPECT_TRUE(WaitFor([&] { return !skips(); })) << "shown while mapped";
    ShowTaskbarButton(&window, false);
    EXPECT_TRUE(WaitFor(skips)) << "left out while mapped";

    // Stay on top hides the window and shows it again.
    window.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    showAgain();
    EXPECT_TRUE(WaitFor([&] { return x.Has(id(), "_NET_WM_STATE_ABOVE"); }));
    EXPECT_TRUE(WaitFor(skips)) << "after stay on top";

    window.showMinimized();
    EXPECT_TRUE(WaitFor([&] { return x.Has(id(), "_NET_WM_STATE_HIDDEN"); }));
    EXPECT_TRUE(WaitFor(skips)) << "minimised";
    window.showNormal();
    EXPECT_TRUE(WaitFor([&] { return !x.Has(id(), "_NET_WM_STATE_HIDDEN"); }));
    EXPECT_TRUE(skips()) << "restored";

    window.hide();
    showAgain();
    EXPECT_TRUE(skips()) << "hidden and shown";
    EXPECT_THAT(x.States(id()), Not(Contains("_NET_WM_STATE_SKIP_PAGER")));

    ShowTaskbarButton(&window, true);
    window.hide();
    showAgain();
    EXPECT_FALSE(skips()) << "shown again, hidden and shown";
}
