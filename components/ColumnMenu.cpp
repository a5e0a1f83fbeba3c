#include "ColumnMenu.h"

#include "ColumnMenuAccessible.h"

#include <QAccessible>
#include <QActionEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionMenuItem>
#include <QWidgetAction>

#include <algorithm>

namespace {
// Room a menu leaves beside an icon for the check mark, as QMenu does.
constexpr int CheckColumnExtra = 4;
}  // namespace

TColumnMenu::TColumnMenu(QMenu* menu, int rowsPerColumn) : rowsPerColumn_(std::max(1, rowsPerColumn))
{
    // Once for the program: Qt asks every factory about every widget.
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(ColumnMenuAccessibleFactory);
        return true;
    }();
    (void)factoryInstalled;
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    holder_ = new QWidgetAction(menu);
    holder_->setDefaultWidget(this);
    // An empty list is no entry: the menu then has nothing to open, as before.
    holder_->setVisible(false);
    menu->addAction(holder_);
}

QSize TColumnMenu::EntrySize() const
{
    if (entrySize_.isValid())
        return entrySize_;
    QSize size(0, 0);
    const QList<QAction*> entries = actions();
    for (int i = 0; i < entries.size(); ++i) {
        const QStyleOptionMenuItem option = EntryOption(i);
        const QSize text(fontMetrics().horizontalAdvance(QString(option.text).remove('&')), fontMetrics().height());
        size = size.expandedTo(style()->sizeFromContents(QStyle::CT_MenuItem, &option, text, this));
    }
    entrySize_ = size;
    return size;
}

QSize TColumnMenu::sizeHint() const
{
    const qsizetype count = actions().size();
    const qsizetype columns = (count + rowsPerColumn_ - 1) / rowsPerColumn_;
    const qsizetype rows = std::min<qsizetype>(count, rowsPerColumn_);
    const QSize entry = EntrySize();
    return {entry.width() * static_cast<int>(columns), entry.height() * static_cast<int>(rows)};
}

QRect TColumnMenu::EntryRect(int index) const
{
    if (index < 0 || index >= actions().size())
        return {};
    const QSize entry = EntrySize();
    return {QPoint(index / rowsPerColumn_ * entry.width(), index % rowsPerColumn_ * entry.height()), entry};
}

QStyleOptionMenuItem TColumnMenu::EntryOption(int index) const
{
    QAction* action = actions().at(index);
    QStyleOptionMenuItem option;
    option.initFrom(this);
    option.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
    option.state.setFlag(QStyle::State_Enabled, action->isEnabled());
    option.state.setFlag(QStyle::State_Selected, index == current_ && action->isEnabled());
    option.menuItemType = QStyleOptionMenuItem::Normal;
    option.checkType = action->isCheckable() ? QStyleOptionMenuItem::NonExclusive : QStyleOptionMenuItem::NotCheckable;
    option.checked = action->isChecked();
    option.text = action->text();
    option.font = font();
    option.maxIconWidth = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this) + CheckColumnExtra;
    option.menuRect = rect();
    return option;
}

void TColumnMenu::actionEvent(QActionEvent* event)
{
    // Added, changed (a caption, a check mark) or gone: the size is measured
    // again when next asked, which is once however many entries changed.
    entrySize_ = QSize();
    if (current_ >= actions().size())
        current_ = -1;
    // The menu measures its items again only when one of its own changes:
    // the holder tells it that the list grew or shrank.
    if (event->type() != QEvent::ActionChanged) {
        holder_->setVisible(false);
        holder_->setVisible(!actions().isEmpty());
    }
    updateGeometry();
    update();
}

void TColumnMenu::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        entrySize_ = QSize();
        updateGeometry();
    }
    QWidget::changeEvent(event);
}

void TColumnMenu::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    for (int i = 0; i < actions().size(); ++i) {
        QStyleOptionMenuItem option = EntryOption(i);
        option.rect = EntryRect(i);
        style()->drawControl(QStyle::CE_MenuItem, &option, &painter, this);
    }
}

int TColumnMenu::EntryAt(const QPoint& point) const
{
    for (int i = 0; i < actions().size(); ++i)
        if (EntryRect(i).contains(point))
            return i;
    return -1;
}

void TColumnMenu::Highlight(int index)
{
    if (index == current_)
        return;
    current_ = index;
    if (index >= 0)
        actions().at(index)->hover();
    AnnounceColumnMenuEntry(this, index);
    update();
}

void TColumnMenu::mouseMoveEvent(QMouseEvent* event)
{
    // The keys go on from where the mouse is, as in a menu.
    if (!hasFocus())
        setFocus(Qt::MouseFocusReason);
    Highlight(EntryAt(event->position().toPoint()));
}

void TColumnMenu::mouseReleaseEvent(QMouseEvent* event)
{
    const int index = EntryAt(event->position().toPoint());
    if (index >= 0 && (event->button() == Qt::LeftButton || event->button() == Qt::RightButton))
        Choose(index);
}

void TColumnMenu::leaveEvent(QEvent*)
{
    if (!hasFocus())
        Highlight(-1);
}

void TColumnMenu::focusInEvent(QFocusEvent* event)
{
    // Reached by the keys from the menu bar or the menu: the first entry is
    // the one to go on from.
    if (current_ < 0 && event->reason() != Qt::MouseFocusReason && !actions().isEmpty())
        Highlight(0);
    QWidget::focusInEvent(event);
}

int TColumnMenu::EntryWithMnemonic(int key, bool& shared) const
{
    const qsizetype count = actions().size();
    int found = -1;
    int matches = 0;
    for (qsizetype step = 1; step <= count; ++step) {
        const int i = static_cast<int>((current_ + step + count) % count);
        const QKeySequence mnemonic = QKeySequence::mnemonic(actions().at(i)->text());
        if (!mnemonic.isEmpty() && mnemonic[0].key() == key &&
            actions().at(i)->isEnabled()) {
            if (found < 0)
                found = i;
            ++matches;
        }
    }
    shared = matches > 1;
    return found;
}

void TColumnMenu::keyPressEvent(QKeyEvent* event)
{
    const int count = static_cast<int>(actions().size());
    if (count == 0) {
        event->ignore();
        return;
    }
    const int at = std::max(current_, 0);
    switch (event->key()) {
    case Qt::Key_Down:
        Highlight(current_ < 0 ? 0 : (current_ + 1) % count);
        return;
    case Qt::Key_Up:
        Highlight(current_ <= 0 ? count - 1 : current_ - 1);
        return;
    case Qt::Key_Home:
        Highlight(0);
        return;
    case Qt::Key_End:
        Highlight(count - 1);
        return;
    case Qt::Key_Right:
    case Qt::Key_Left: {
        // Past the outer columns the menu bar opens the next menu, as a
        // menu of one column does for either key.
        const int step = event->key() == Qt::Key_Right ? rowsPerColumn_ : -rowsPerColumn_;
        if (at + step < 0 || at + step >= count) {
            event->ignore();
            return;
        }
        Highlight(at + step);
        return;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (current_ >= 0)
            Choose(current_);
        return;
    default:
        break;
    }
    if (!(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        bool shared = false;
        const int found = EntryWithMnemonic(event->key(), shared);
        if (found >= 0) {
            // Several entries with one letter: each press goes to the next.
            if (shared)
                Highlight(found);
            else
                Choose(found);
            return;
        }
    }
    // Esc and the rest belong to the menu.
    event->ignore();
}

void TColumnMenu::Choose(int index)
{
    QAction* action = actions().at(index);
    if (!action->isEnabled())
        return;
    for (QWidget* w = parentWidget(); w; w = w->parentWidget())
        if (auto* menu = qobject_cast<QMenu*>(w))
            menu->hide();
    current_ = -1;
    action->activate(QAction::Trigger);
}
