#pragma once
// What a screen reader hears of a column menu: a menu whose items are its
// entries, with their captions, check marks and places on the screen, the
// highlighted one focused, as it hears Qt's own menus. The entries are
// drawn, not widgets, so Qt has nothing to say of them by itself.

class QAccessibleInterface;
class QObject;
class QString;
class TColumnMenu;

// Qt's factory hook: the interface of a TColumnMenu, nullptr for any other.
QAccessibleInterface* ColumnMenuAccessibleFactory(const QString& className, QObject* object);
// Tells the screen reader that the highlight moved to entry `index`.
void AnnounceColumnMenuEntry(TColumnMenu* menu, int index);
