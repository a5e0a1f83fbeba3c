#include "TaskbarButton.h"

#include <QEvent>
#include <QGuiApplication>
#include <QTimer>
#include <QVariant>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

// The dynamic property that keeps the choice on the window itself, so that
// it lives and dies with the window.
constexpr char ShownProperty[] = "tunzoTaskbarButtonShown";

struct FreeWithFree {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using XcbReply = std::unique_ptr<T, FreeWithFree>;

struct StateAtoms {
    xcb_atom_t state = XCB_ATOM_NONE;
    xcb_atom_t skipTaskbar = XCB_ATOM_NONE;
};

// The X connection when the program runs on X11 and the connection works;
// null elsewhere, so that no other platform ever reaches the xcb calls.
xcb_connection_t* X11Connection()
{
    if (!qGuiApp || QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    return connection && !xcb_connection_has_error(connection) ? connection : nullptr;
}

StateAtoms AskForStateAtoms(xcb_connection_t* connection)
{
    auto intern = [connection](const char* name) {
        return xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::char_traits<char>::length(name)), name);
    };
    const auto stateCookie = intern("_NET_WM_STATE");
    const auto skipCookie = intern("_NET_WM_STATE_SKIP_TASKBAR");
    auto atomOf = [connection](xcb_intern_atom_cookie_t cookie) {
        XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection, cookie, nullptr));
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    };
    return {atomOf(stateCookie), atomOf(skipCookie)};
}

// An atom stands for its name as long as the X server runs, and the program
// has one connection: the names are asked for once, not at every show.
StateAtoms InternStateAtoms(xcb_connection_t* connection)
{
    static StateAtoms known;
    if (known.state == XCB_ATOM_NONE || known.skipTaskbar == XCB_ATOM_NONE)
        known = AskForStateAtoms(connection);
    return known;
}

std::vector<xcb_atom_t> ReadStateProperty(xcb_connection_t* connection, xcb_window_t window, const StateAtoms& atoms)
{
    const auto cookie = xcb_get_property(connection, 0, window, atoms.state, XCB_ATOM_ATOM, 0, NetWmStateMaxAtoms);
    XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection, cookie, nullptr));
    if (!reply || reply->type != XCB_ATOM_ATOM || reply->format != 32)
        return {};
    const auto* values = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
    return {values, values + reply->value_len};
}

// A window that is not mapped has no state in the window manager yet: it
// reads the property when the window is mapped. Qt merges its own states into
// what is there when it maps, so the atom written here stays.
void WriteStateProperty(xcb_connection_t* connection, xcb_window_t window, const StateAtoms& atoms, bool skip)
{
    std::vector<xcb_atom_t> states = ReadStateProperty(connection, window, atoms);
    std::erase(states, atoms.skipTaskbar);
    if (skip)
        states.push_back(atoms.skipTaskbar);
    if (states.empty()) {
        xcb_delete_property(connection, window, atoms.state);
        return;
    }
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, atoms.state, XCB_ATOM_ATOM, 32,
                        static_cast<uint32_t>(states.size()), states.data());
}

// A managed window's state belongs to the window manager: it is asked to
// change it with a client message to the root window.
void RequestStateChange(xcb_connection_t* connection, xcb_window_t root, xcb_window_t window,
                        const StateAtoms& atoms, bool skip)
{
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = atoms.state;
    message.data.data32[0] = skip ? NetWmStateAdd : NetWmStateRemove;
    message.data.data32[1] = atoms.skipTaskbar;
    message.data.data32[2] = XCB_ATOM_NONE;
    message.data.data32[3] = NetWmSourceApplication;
    xcb_send_event(connection, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
}

// The X window of a top-level window as it is now; XCB_WINDOW_NONE while it
// has none. The id is the QWindow's: QWidget::winId() keeps the old id when
// Qt makes a new native window for a change of flags (stay on top).
xcb_window_t NativeWindowOf(const QWidget* window)
{
    const QWindow* handle = window->isWindow() ? window->windowHandle() : nullptr;
    if (!handle || !handle->handle())
        return XCB_WINDOW_NONE;
    return static_cast<xcb_window_t>(handle->winId());
}

// Returns the X window that now carries the choice, XCB_WINDOW_NONE when none
// does (a window without its native window yet gets the choice when shown).
xcb_window_t ApplyTaskbarChoice(QWidget* window)
{
    const xcb_window_t id = NativeWindowOf(window);
    if (id == XCB_WINDOW_NONE)
        return XCB_WINDOW_NONE;
    xcb_connection_t* connection = X11Connection();
    if (!connection)
        return XCB_WINDOW_NONE;
    const StateAtoms atoms = InternStateAtoms(connection);
    if (atoms.state == XCB_ATOM_NONE || atoms.skipTaskbar == XCB_ATOM_NONE)
        return XCB_WINDOW_NONE;
    const auto attributesCookie = xcb_get_window_attributes(connection, id);
    const auto geometryCookie = xcb_get_geometry(connection, id);
    xcb_generic_error_t* error = nullptr;
    XcbReply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(connection, attributesCookie, &error));
    std::free(error);
    error = nullptr;
    XcbReply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(connection, geometryCookie, &error));
    std::free(error);
    if (!attributes || !geometry)
        return XCB_WINDOW_NONE;

    const bool skip = !TaskbarButtonShown(window);
    // An unmapped window may still be managed: minimised by a window manager
    // that unmaps such windows, or just shown and not yet mapped by the
    // window manager. So it gets both: the property for a window manager
    // that has yet to read it, the request for one that already manages it
    // (one that does not ignores the request).
    if (attributes->map_state == XCB_MAP_STATE_UNMAPPED)
        WriteStateProperty(connection, id, atoms, skip);
    RequestStateChange(connection, geometry->root, id, atoms, skip);
    xcb_flush(connection);
    return id;
}

// Puts the choice back where it gets lost. A window manager erases
// _NET_WM_STATE when a window is hidden (withdrawn), so it is gone when the
// window is shown again. Show arrives before Qt maps the window, so the atom
// is in place when the window manager reads the property at mapping. But
// Qt makes a new X window as it shows a window whose "stay on top" changed,
// without any event to the widget; so the choice is applied once more from
// the event loop, when that window exists and has been mapped. Only then:
// the round trips to the X server would otherwise hold up a window's first
// picture for nothing.
class TaskbarChoiceKeeper : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show) {
            auto* window = static_cast<QWidget*>(watched);
            const xcb_window_t applied = ApplyTaskbarChoice(window);
            QTimer::singleShot(0, window, [window, applied] {
                if (NativeWindowOf(window) != applied)
                    ApplyTaskbarChoice(window);
            });
        }
        return false;
    }
};

}  // namespace

void ShowTaskbarButton(QWidget* window, bool shown)
{
    if (!window)
        return;
    const bool firstChoice = !window->property(ShownProperty).isValid();
    window->setProperty(ShownProperty, shown);
    if (!X11Connection())
        return;
    if (firstChoice)
        window->installEventFilter(new TaskbarChoiceKeeper(window));
    ApplyTaskbarChoice(window);
}

bool TaskbarButtonShown(const QWidget* window)
{
    const QVariant shown = window ? window->property(ShownProperty) : QVariant();
    return !shown.isValid() || shown.toBool();
}
