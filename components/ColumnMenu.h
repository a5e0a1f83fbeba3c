#pragma once
// A menu's list of entries in columns of a fixed number of rows. Qt's menus
// break into columns only where the screen ends, so a long list of stations
// would stand in columns of fifty on one screen and of thirty on another.
//
// The entries are QActions added to this widget (addAction); it draws them as
// the menu's own items (check mark, mnemonic, highlight) and sits in the menu
// as its one widget entry. Arrows move the highlight (Left and Right by a
// column; at the outer columns they go on to the menu bar's neighbours),
// Enter, Space, a click or an entry's mnemonic choose it and close the menu;
// Esc closes the menu as any other key it does not use.

#include <QWidget>

class QMenu;
class QStyleOptionMenuItem;
class QWidgetAction;

class TColumnMenu : public QWidget {
    Q_OBJECT
public:
    TColumnMenu(QMenu* menu, int rowsPerColumn);

    // Where the entry at `index` of actions() is drawn, in this widget.
    QRect EntryRect(int index) const;
    // The highlighted entry, -1 for none.
    int Current() const { return current_; }

    QSize sizeHint() const override;

protected:
    void actionEvent(QActionEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QStyleOptionMenuItem EntryOption(int index) const;
    // One size for every entry, the widest caption's: kept until the entries
    // or the font change, as painting asks for it once per entry.
    QSize EntrySize() const;
    int EntryAt(const QPoint& point) const;
    // The entry whose mnemonic `key` is, the next after the highlight when
    // several share it; -1 for none. `shared`: more than one has it.
    int EntryWithMnemonic(int key, bool& shared) const;
    void Highlight(int index);
    // Closes the menus it stands in, then triggers the entry, as a menu does.
    void Choose(int index);

    QWidgetAction* holder_ = nullptr;
    int rowsPerColumn_ = 1;
    int current_ = -1;
    mutable QSize entrySize_;
};
