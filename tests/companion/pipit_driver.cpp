// The real pipit program entry, with a line of commands on standard input
// standing in for the user's hand on the tray icon, so that process tests can
// use a running pipit as a person would:
//   click          a left click on the icon
//   choose ID      a right click, and the menu item of that id chosen
// It prints "running" once the start-up is done, and after each command
// "done COMMAND" once the command has run. Everything else (the tray, the
// hand-over, the store, the card) is the program's own; run it with
// TUNZO_ASSUME_TRAY=1 offscreen.

#include "FmHiddenForm.h"
#include "PipitProgram.h"
#include "StdinCommands.h"

#include <QMenu>
#include <QTimer>

#include <cstdio>
#include <sstream>
#include <string>

namespace {

QAction* FindItem(QMenu* menu, int id)
{
    for (QAction* a : menu ? menu->actions() : QList<QAction*>{}) {
        if (!a->menu() && !a->isSeparator() && a->data().toInt() == id)
            return a;
        if (QAction* inner = FindItem(a->menu(), id))
            return inner;
    }
    return nullptr;
}

void Perform(TFmHiddenForm& form, const std::string& line)
{
    std::istringstream words(line);
    std::string command;
    words >> command;
    if (command == "click") {
        form.TrayIcon.TrayMessage(TrayMouseMessage::LeftButtonUp);
    } else if (command == "choose") {
        int id = 0;
        words >> id;
        form.TrayIcon.TrayMessage(TrayMouseMessage::RightButtonUp);
        if (QAction* item = FindItem(form.PopupMenu(), id))
            item->trigger();
        else
            std::fprintf(stderr, "pipit driver: no menu item %d\n", id);
        if (form.PopupMenu())
            form.PopupMenu()->hide();
    } else if (!command.empty()) {
        std::fprintf(stderr, "pipit driver: unknown command \"%s\"\n", command.c_str());
    }
}

}  // namespace

int main(int argc, char** argv)
{
    return RunPipit(argc, argv, [](TFmHiddenForm& form) {
        std::printf("running\n");
        std::fflush(stdout);
        PerformCommandLines(&form, [&form](const std::string& line) {
            Perform(form, line);
            // A chosen item runs from the event loop, as it does for a user.
            QTimer::singleShot(0, &form, [line] {
                std::printf("done %s\n", line.c_str());
                std::fflush(stdout);
            });
        });
    });
}
