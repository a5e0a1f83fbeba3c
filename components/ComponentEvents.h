#pragma once
// The event signatures the components hand to their owners: the sender first,
// as the front panel's handlers expect to tell their controls apart.

#include <QObject>
#include <Qt>

#include <functional>

using TNotifyEvent = std::function<void(QObject* Sender)>;
using TMouseEvent = std::function<void(QObject* Sender, Qt::MouseButton Button,
                                       Qt::KeyboardModifiers Shift, int X, int Y)>;
