// The column menu as a keyboard user meets it in a menu that was opened:
// the arrows walk the entries and the columns, Enter, Space or a mnemonic
// chooses one and closes the menu, Esc chooses nothing.

#include "ColumnMenu.h"

#include <QAccessible>
#include <QAction>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int Rows = 10;
constexpr int Entries = 25;  // two full columns and five

struct KeyCase {
    const char* what;
    std::vector<Qt::Key> keys;
    int chosen;  // the entry triggered, -1 for none
};

const KeyCase Cases[] = {
    {"the first key reaches the first entry", {Qt::Key_Down, Qt::Key_Return}, 0},
    {"Right goes a column on, to the same row", {Qt::Key_Down, Qt::Key_Down, Qt::Key_Right, Qt::Key_Enter}, 11},
    {"Left comes back", {Qt::Key_Down, Qt::Key_Right, Qt::Key_Right, Qt::Key_Left, Qt::Key_Space}, 10},
    {"Right with no entry beside stays", {Qt::Key_Down, Qt::Key_End, Qt::Key_Up, Qt::Key_Right, Qt::Key_Return}, 23},
    {"Down past a column's foot goes to the next one's head",
     {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down,
      Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Return},
     10},
    {"Up from the first wraps to the last", {Qt::Key_Down, Qt::Key_Up, Qt::Key_Return}, Entries - 1},
    {"a mnemonic chooses at once", {Qt::Key_Down, Qt::Key_J}, 7},
    {"Esc chooses nothing", {Qt::Key_Down, Qt::Key_Right, Qt::Key_Escape}, -1},
};

TEST(ColumnMenu, KeysWalkTheColumnsAndChooseAsInAMenu)
{
    for (const KeyCase& c : Cases) {
        QMenu menu;
        auto* columns = new TColumnMenu(&menu, Rows);
        int chosen = -1;
        for (int i = 0; i < Entries; ++i) {
            auto* entry = new QAction(i == 7 ? QString("&Jazz FM") : QString("Station %1").arg(i + 1), columns);
            entry->setCheckable(true);
            QObject::connect(entry, &QAction::triggered, [&chosen, i] { chosen = i; });
            columns->addAction(entry);
        }
        menu.popup(QPoint(0, 0));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu)) << c.what;
        for (Qt::Key key : c.keys)
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &menu, key);
        EXPECT_EQ(chosen, c.chosen) << c.what;
        EXPECT_FALSE(menu.isVisible()) << c.what << ": the menu stays open";
    }
}

}  // namespace

namespace {

// The entries are drawn, not widgets: a screen reader still hears each as a
// menu item with its caption, its check mark and its place.
TEST(ColumnMenu, AScreenReaderHearsEachEntryWhereItIsDrawn)
{
    QMenu menu;
    auto* columns = new TColumnMenu(&menu, Rows);
    for (int i = 0; i < Entries; ++i) {
        auto* entry = new QAction(QString("%1  Station &&%1").arg(i + 1), columns);
        entry->setCheckable(true);
        entry->setChecked(i == 12);
        columns->addAction(entry);
    }
    menu.popup(QPoint(0, 0));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(columns);
    ASSERT_NE(face, nullptr);
    ASSERT_EQ(face->childCount(), Entries);
    QAccessibleInterface* thirteenth = face->child(12);
    ASSERT_NE(thirteenth, nullptr);
    EXPECT_EQ(thirteenth->role(), QAccessible::MenuItem);
    EXPECT_EQ(thirteenth->text(QAccessible::Name), "13  Station &13");
    EXPECT_TRUE(thirteenth->state().checked);
    EXPECT_FALSE(face->child(0)->state().checked);
    const QRect drawn = columns->EntryRect(12);
    EXPECT_EQ(thirteenth->rect(), QRect(columns->mapToGlobal(drawn.topLeft()), drawn.size()));
    EXPECT_EQ(face->childAt(thirteenth->rect().center().x(), thirteenth->rect().center().y()), thirteenth);

    // The highlight is the focused item; a rebuilt list is heard as rebuilt.
    QTest::keyClick(&menu, Qt::Key_Down);
    ASSERT_TRUE(columns->hasFocus());
    EXPECT_EQ(face->focusChild(), face->child(0));
    qDeleteAll(columns->actions());
    columns->addAction(new QAction("1    Jazz", columns));
    ASSERT_EQ(face->childCount(), 1);
    EXPECT_EQ(face->child(0)->text(QAccessible::Name), "1    Jazz");
}

}  // namespace
