// The setup program's station lists as a user meets them: Import shows what
// will change and writes nothing until Import is pressed in that preview;
// a bad file is named line by line and changes nothing.

#include "SetupFixture.h"

#include "PresetsPage.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <fstream>

namespace {

class PresetsPageTest : public SetupTest {
protected:
    // Plays the user at every window that opens modally: picks `file` in the
    // file dialog, reads the preview and presses Import (or Cancel), reads
    // and closes a message.
    void AnswerWindows(const std::string& file, bool import)
    {
        QObject::connect(&watch, &QTimer::timeout, [this, file, import] {
            QWidget* window = QApplication::activeModalWidget();
            if (auto* dialog = qobject_cast<QFileDialog*>(window)) {
                dialog->selectFile(QString::fromStdString(file));
                QMetaObject::invokeMethod(dialog, "accept");
            } else if (window && window->objectName() == "import_preview") {
                auto* list = window->findChild<QListWidget*>();
                for (int i = 0; list && i < list->count(); ++i)
                    preview.push_back(list->item(i)->text().toStdString());
                auto* buttons = window->findChild<QDialogButtonBox*>();
                QTest::mouseClick(buttons->button(import ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel),
                                  Qt::LeftButton);
            } else if (auto* box = qobject_cast<QMessageBox*>(window)) {
                message = box->text().toStdString();
                QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            }
        });
        watch.start(5);
    }
    std::string List(const std::string& text)
    {
        const std::string path = folder + "/stations.csv";
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    QTimer watch;
    std::vector<std::string> preview;
    std::string message;
};

TEST_F(PresetsPageTest, ImportShowsEachChangeAndWritesOnlyWhenTold)
{
    SavePreset(1, "Jazz", true, 94.2);
    SavePreset(2, "Rock", false, 99.0);
    const std::string before = Dump();
    const std::string file = List("number,frequency,name,in scan\r\n1,94.2,Jazz,yes\r\n3,103.3,\"Ten, FM\",no\r\n");
    TPresetsPage page;
    page.show();
    ASSERT_EQ(page.lst_presets->rowCount(), 2);

    // Cancel in the preview: every change was shown, none written.
    AnswerWindows(file, false);
    QTest::mouseClick(page.cmd_import, Qt::LeftButton);
    const std::vector<std::string> expected = {"2: 99.0 MHz \"Rock\", not in scan -> empty",
                                               "3: empty -> 103.3 MHz \"Ten, FM\", not in scan"};
    EXPECT_EQ(preview, expected);
    EXPECT_EQ(Dump(), before);

    // Import in the preview: the store holds the list, and the page shows it.
    watch.disconnect();
    preview.clear();
    AnswerWindows(file, true);
    QTest::mouseClick(page.cmd_import, Qt::LeftButton);
    EXPECT_EQ(preview, expected);
    Presets = {};
    LoadPresets();
    EXPECT_EQ(Presets[2].StationName, "Ten, FM");
    EXPECT_FALSE(Presets[2].IncludeInScan);
    EXPECT_EQ(Presets[1].Frequency, 0.0);
    EXPECT_EQ(page.lst_presets->rowCount(), 2);
    EXPECT_EQ(page.lst_presets->item(1, 2)->text(), "Ten, FM");

    // A bad list: its lines are named and nothing changes.
    const std::string written = Dump();
    watch.disconnect();
    preview.clear();
    AnswerWindows(List("number,frequency,name,in scan\n1,94.2,Jazz,yes\n2,300,Far,yes\n"), true);
    QTest::mouseClick(page.cmd_import, Qt::LeftButton);
    EXPECT_NE(message.find("line 3: 300.0 MHz is outside the band"), std::string::npos) << message;
    EXPECT_TRUE(preview.empty());
    EXPECT_EQ(Dump(), written);
}

}  // namespace
