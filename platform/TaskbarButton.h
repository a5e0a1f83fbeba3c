#pragma once
// The taskbar button of a top-level window, shown or left out while the tray
// icon stands for the program. Qt has no public call for this on X11; there
// the window carries _NET_WM_STATE_SKIP_TASKBAR (the pager still lists it).
// On any other platform (Wayland, offscreen, minimal) the choice is only
// remembered: the compositor decides there.

#include <cstdint>

class QWidget;

// Shows or leaves out the window's taskbar button. The choice is kept on the
// window and applied again each time the window is shown: a window manager
// forgets a hidden window's state, and Qt may make a new native window as it
// shows one. A null window is ignored; a widget inside a window only keeps
// the choice.
void ShowTaskbarButton(QWidget* window, bool shown);

// What was last asked for the window (true until ShowTaskbarButton is called).
bool TaskbarButtonShown(const QWidget* window);

// The EWMH values of a _NET_WM_STATE client message.
constexpr uint32_t NetWmStateRemove = 0;
constexpr uint32_t NetWmStateAdd = 1;
// "Normal application" as the source of the request; a pager would say 2.
constexpr uint32_t NetWmSourceApplication = 1;
// More atoms than any window manager keeps in _NET_WM_STATE.
constexpr uint32_t NetWmStateMaxAtoms = 64;
