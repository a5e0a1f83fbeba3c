#include "HelpWindow.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

void WritePage(const QTemporaryDir& dir, const QString& name, const QString& title, const QString& body)
{
    QFile page(dir.filePath(name));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write(QString("<html><head><title>%1</title></head><body>%2</body></html>").arg(title, body).toUtf8());
}

class HelpPagesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        WritePage(dir, "index.html", "Contents", "<a name=\"ctx-103\"></a><h1>Contents</h1><p>Start here.</p>");
        WritePage(dir, "volume.html", "Volume",
                  "<h1>Volume</h1><p>The card plays.</p><a name=\"ctx-804\"></a><h2>Mute</h2><p>Silences the CARD.</p>");
        WritePage(dir, "presets.html", "Presets", "<a name=\"ctx-703\"></a><h1>Presets</h1><p>Ten buttons.</p>");
    }
    QTemporaryDir dir;
};

}  // namespace

TEST_F(HelpPagesTest, TopicsOpenAtTheirAnchorAndAnUnknownOneAtTheContents)
{
    THelpWindow help(dir.path());
    help.ShowContext(804);
    EXPECT_EQ(help.Browser->source().fileName(), "volume.html");
    EXPECT_EQ(help.Browser->source().fragment(), "ctx-804");
    EXPECT_TRUE(help.Status->text().isEmpty());

    help.ShowContext(42);
    EXPECT_EQ(help.Browser->source().fileName(), "index.html");
    EXPECT_TRUE(help.Status->text().contains("42")) << help.Status->text().toStdString();
}

TEST_F(HelpPagesTest, SearchListsThePagesHoldingEveryWordTyped)
{
    THelpWindow help(dir.path());
    help.StartSearch();
    QTest::keyClicks(help.SearchField, "card silences");
    QTest::keyClick(help.SearchField, Qt::Key_Return);
    ASSERT_EQ(help.Results->count(), 1);
    EXPECT_EQ(help.Results->item(0)->text(), "Volume");
    EXPECT_EQ(help.Browser->source().fileName(), "volume.html");
    EXPECT_TRUE(help.Browser->textCursor().hasSelection());  // the word is shown

    help.SearchField->clear();
    QTest::keyClicks(help.SearchField, "buttons");
    QTest::keyClick(help.SearchField, Qt::Key_Return);
    ASSERT_EQ(help.Results->count(), 1);
    help.ShowContext(103);
    const QRect row = help.Results->visualItemRect(help.Results->item(0));
    QTest::mouseClick(help.Results->viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_EQ(help.Browser->source().fileName(), "presets.html");

    help.SearchField->clear();
    QTest::keyClicks(help.SearchField, "card tuner");
    QTest::keyClick(help.SearchField, Qt::Key_Return);
    EXPECT_EQ(help.Results->count(), 0);
    EXPECT_TRUE(help.Status->text().contains("card tuner"));
}

// A dialog waiting for its answer blocks every other window of the program;
// help asked for from it must still take the user's typing.
TEST(HelpWindow, TakesTypingWhileAModalDialogWaits)
{
    QDialog dialog;
    QString typed;
    QTimer::singleShot(0, &dialog, [&] {
        ShowHelpSearch();
        THelpWindow* help = THelpWindow::Current();
        ASSERT_TRUE(help);
        ASSERT_TRUE(QTest::qWaitForWindowActive(help));
        for (char c : std::string("mute"))
            QTest::keyClick(help->windowHandle(), Qt::Key(Qt::Key_A + (c - 'a')), Qt::NoModifier);
        typed = help->SearchField->text();
        help->close();
        dialog.reject();
    });
    dialog.exec();
    EXPECT_EQ(typed, "mute");
}

// The status line quotes the search; a search of thousands of characters
// must not stretch the window past the screen.
TEST_F(HelpPagesTest, AHugeSearchLeavesTheWindowItsWidth)
{
    THelpWindow help(dir.path());
    help.show();
    const int width = help.width();
    help.Search(QString(3000, 'q'));
    EXPECT_LE(help.Status->text().size(), 200);
    EXPECT_LE(help.minimumSizeHint().width(), width);
    QApplication::processEvents();
    EXPECT_EQ(help.width(), width);
}
