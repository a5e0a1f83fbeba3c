#pragma once
// Work that can wait until a window is first on screen: the user's first
// look at a window should not wait for what they do not see.

#include <QWindow>

#include <functional>

// Runs `then` from the event loop once `window` has been exposed for the
// first time (its first picture painted), or after `latestMs` when it is not
// exposed by then (started minimised, on another workspace). Runs it once.
void WhenFirstOnScreen(QWindow* window, int latestMs, std::function<void()> then);
