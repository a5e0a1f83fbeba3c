// The real tunzo program entry, with a line of commands on standard input
// standing in for the user's hand, so that process tests can use a running
// panel as a person would:
//   power | close | move X Y | report
//   click CONTROL [right]     a mouse click on the control of that name
//   key KEY                   a key pressed in the window: a letter, a digit,
//                             pageup or pagedown
//   name TEXT                 the next station-name dialog gets TEXT and OK
//   menu ITEM                 the menu item of that name is chosen
//   channels                  prints "channel CAPTION" per Channels menu entry
//   buttons                   prints "button CAPTION HINT" per preset button
// On each "report", and once when the window is first shown, it prints
//   window X Y DIGITS
// and after each command "done COMMAND", once the command has run to its end
// (a search runs inside its click). Everything else (the hand-over, the
// store, the card) is the program's own.

#include "ColumnMenu.h"
#include "FmDigi.h"
#include "MainForm.h"
#include "PopBtn.h"
#include "SettingsForm.h"
#include "StdinCommands.h"
#include "TunzoProgram.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <sstream>
#include <string>

namespace {

void Report(TMainForm& form)
{
    std::printf("window %d %d %s\n", form.x(), form.y(), form.Digit->Value().toStdString().c_str());
    std::fflush(stdout);
}

Qt::Key KeyNamed(const std::string& name)
{
    if (name == "pageup")
        return Qt::Key_PageUp;
    if (name == "pagedown")
        return Qt::Key_PageDown;
    const char c = name.empty() ? '\0' : name[0];
    if (c >= 'a' && c <= 'z')
        return static_cast<Qt::Key>(Qt::Key_A + (c - 'a'));
    if (c >= '0' && c <= '9')
        return static_cast<Qt::Key>(Qt::Key_0 + (c - '0'));
    return Qt::Key_unknown;
}

// Types `text` into the station-name dialog once it is up, and presses OK.
void AnswerNameDialog(const QString& text)
{
    QTimer::singleShot(0, [text] {
        auto* dialog = qobject_cast<Tfrm_settings*>(QApplication::activeModalWidget());
        if (!dialog) {
            AnswerNameDialog(text);
            return;
        }
        dialog->txt_name->setText(text);
        QTest::mouseClick(dialog->OKBtn, Qt::LeftButton);
    });
}

void PrintPanel(TMainForm& form, const std::string& what)
{
    if (what == "channels") {
        for (QAction* a : form.channelColumns->actions())
            std::printf("channel %s\n", a->text().toStdString().c_str());
    } else {
        for (TPopButton* b : form.pre)
            std::printf("button %s %s\n", b->Caption().toStdString().c_str(), b->toolTip().toStdString().c_str());
    }
}

void Perform(TMainForm& form, const std::string& line)
{
    std::istringstream words(line);
    std::string command;
    words >> command;
    if (command == "power") {
        QTest::mouseClick(form.cmd_exit, Qt::LeftButton);
    } else if (command == "close") {
        form.close();
    } else if (command == "move") {
        int x = 0, y = 0;
        words >> x >> y;
        form.move(x, y);
    } else if (command == "report") {
        Report(form);
    } else if (command == "click") {
        std::string name, button;
        words >> name >> button;
        if (auto* control = form.findChild<QWidget*>(QString::fromStdString(name)))
            QTest::mouseClick(control, button == "right" ? Qt::RightButton : Qt::LeftButton);
        else
            std::fprintf(stderr, "panel driver: no control \"%s\"\n", name.c_str());
    } else if (command == "key") {
        std::string key;
        words >> key;
        QTest::keyClick(form.windowHandle(), KeyNamed(key));
    } else if (command == "menu") {
        std::string name;
        words >> name;
        if (auto* item = form.findChild<QAction*>(QString::fromStdString(name)))
            item->trigger();
        else
            std::fprintf(stderr, "panel driver: no menu item \"%s\"\n", name.c_str());
    } else if (command == "name") {
        std::string text;
        std::getline(words >> std::ws, text);
        AnswerNameDialog(QString::fromStdString(text));
    } else if (command == "channels" || command == "buttons") {
        PrintPanel(form, command);
    } else if (!command.empty()) {
        std::fprintf(stderr, "panel driver: unknown command \"%s\"\n", command.c_str());
    }
}

}  // namespace

int main(int argc, char** argv)
{
    return RunTunzo(argc, argv, [](TMainForm& form) {
        Report(form);
        PerformCommandLines(&form, [&form](const std::string& line) {
            Perform(form, line);
            std::printf("done %s\n", line.c_str());
            std::fflush(stdout);
        });
    });
}
