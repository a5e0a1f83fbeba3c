// The real tunzo program entry, with a line of commands on standard input
// standing in for the user's hand, so that process tests can press the
// Power button, use the close box and move the window of a running panel:
//   power | close | move X Y | report
// On each "report", and once when the window is first shown, it prints
//   window X Y DIGITS
// Everything else (the hand-over, the store, the card) is the program's own.

#include "FmDigi.h"
#include "MainForm.h"
#include "PopBtn.h"
#include "TunzoProgram.h"

#include <QSocketNotifier>
#include <QTest>

#include <cstdio>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

void Report(TMainForm& form)
{
    std::printf("window %d %d %s\n", form.x(), form.y(), form.Digit->Value().toStdString().c_str());
    std::fflush(stdout);
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
    } else if (!command.empty()) {
        std::fprintf(stderr, "panel driver: unknown command \"%s\"\n", command.c_str());
    }
}

}  // namespace

int main(int argc, char** argv)
{
    std::string pending;
    return RunTunzo(argc, argv, [&pending](TMainForm& form) {
        Report(form);
        auto* input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, &form);
        QObject::connect(input, &QSocketNotifier::activated, &form, [&form, &pending, input] {
            char buffer[256];
            const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
            if (n <= 0) {
                input->setEnabled(false);  // the test closed its end
                return;
            }
            pending.append(buffer, static_cast<size_t>(n));
            for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
                const std::string line = pending.substr(0, end);
                pending.erase(0, end + 1);
                Perform(form, line);
            }
        });
    });
}
