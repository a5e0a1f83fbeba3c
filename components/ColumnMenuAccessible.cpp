#include "ColumnMenuAccessible.h"

#include "ColumnMenu.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QAction>
#include <QPointer>

#include <map>

namespace {

class TColumnMenuEntryAccessible : public QAccessibleInterface {
public:
    TColumnMenuEntryAccessible(TColumnMenu* menu, QAction* action) : menu_(menu), action_(action) {}

    bool isValid() const override { return menu_ && action_ && Index() >= 0; }
    // No object of its own: the action may stand in another menu too, whose
    // item is the action's interface there.
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return menu_ ? menu_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(menu_); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override
    {
        if (!isValid() || t != QAccessible::Name)
            return {};
        // The mnemonic's mark is not read out; a doubled one is an ampersand.
        QString caption = action_->text();
        caption.replace("&&", QString(QChar::ObjectReplacementCharacter));
        caption.remove('&');
        caption.replace(QChar::ObjectReplacementCharacter, '&');
        return caption;
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect entry = menu_->EntryRect(Index());
        return {menu_->mapToGlobal(entry.topLeft()), entry.size()};
    }
    QAccessible::Role role() const override { return QAccessible::MenuItem; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s.disabled = !action_->isEnabled();
        s.focusable = true;
        s.focused = menu_->hasFocus() && menu_->Current() == Index();
        s.hotTracked = menu_->Current() == Index();
        s.checkable = action_->isCheckable();
        s.checked = action_->isChecked();
        s.invisible = !menu_->isVisible();
        return s;
    }

    QAction* Action() const { return action_; }

private:
    int Index() const { return menu_ && action_ ? static_cast<int>(menu_->actions().indexOf(action_)) : -1; }

    QPointer<TColumnMenu> menu_;
    QPointer<QAction> action_;
};

class TColumnMenuAccessible : public QAccessibleWidget {
public:
    explicit TColumnMenuAccessible(TColumnMenu* menu) : QAccessibleWidget(menu, QAccessible::PopupMenu) {}
    ~TColumnMenuAccessible() override
    {
        for (const auto& [action, id] : entries_)
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return static_cast<int>(Menu()->actions().size()); }
    QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        QAction* action = Menu()->actions().at(index);
        // Kept while its entry lives, so that a screen reader's handle
        // holds: Qt's registry owns the interfaces and gives each an id.
        // An entry gone leaves an interface without its action, and a new
        // one may come at the same address: those go first.
        for (auto it = entries_.begin(); it != entries_.end();) {
            if (Entry(it->second)->Action() == it->first) {
                ++it;
                continue;
            }
            QAccessible::deleteAccessibleInterface(it->second);
            it = entries_.erase(it);
        }
        auto found = entries_.find(action);
        if (found == entries_.end()) {
            auto* entry = new TColumnMenuEntryAccessible(Menu(), action);
            found = entries_.emplace(action, QAccessible::registerAccessibleInterface(entry)).first;
        }
        return QAccessible::accessibleInterface(found->second);
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        for (int i = 0; i < childCount(); ++i)
            if (this->child(i) == child)
                return i;
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        for (int i = 0; i < childCount(); ++i)
            if (child(i)->rect().contains(x, y))
                return child(i);
        return nullptr;
    }
    QAccessibleInterface* focusChild() const override
    {
        return Menu()->hasFocus() ? child(Menu()->Current()) : nullptr;
    }

private:
    TColumnMenu* Menu() const { return static_cast<TColumnMenu*>(widget()); }
    static TColumnMenuEntryAccessible* Entry(QAccessible::Id id)
    {
        return static_cast<TColumnMenuEntryAccessible*>(QAccessible::accessibleInterface(id));
    }

    mutable std::map<QAction*, QAccessible::Id> entries_;
};

}  // namespace

QAccessibleInterface* ColumnMenuAccessibleFactory(const QString&, QObject* object)
{
    if (auto* menu = qobject_cast<TColumnMenu*>(object))
        return new TColumnMenuAccessible(menu);
    return nullptr;
}

void AnnounceColumnMenuEntry(TColumnMenu* menu, int index)
{
    if (!QAccessible::isActive() || index < 0)
        return;
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(menu);
    if (QAccessibleInterface* entry = face ? face->child(index) : nullptr) {
        QAccessibleEvent focus(entry, QAccessible::Focus);
        QAccessible::updateAccessibility(&focus);
    }
}
