// The program entry, apart from main() so that test drivers and benchmarks
// run the real start-up and hand-over.

#include "TunzoProgram.h"

#include "ActionReceiver.h"
#include "Actions.h"
#include "FirstOnScreen.h"
#include "InstanceStart.h"
#include "MainForm.h"
#include "MessageBoxes.h"
#include "SerialRadio.h"
#include "SettingsStore.h"
#include "TunzoResources.h"

#include <QApplication>
#include <QMessageBox>
#include <QPixmap>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// The latest the media player is offered when the window is not put on
// screen (a start minimised, or to the tray).
constexpr int MediaControlLatestStartMs = 2000;

// Without the lock a second panel could run beside the first: say why and end.
int RefuseToStart(int argc, char** argv, const std::string& problem)
{
    std::fprintf(stderr, "tunzo: cannot start: %s\n", problem.c_str());
    if (CanShowMessageBox()) {
        QApplication app(argc, argv);
        QMessageBox::critical(nullptr, "Tunzo", QString::fromStdString("Tunzo cannot start: " + problem + "."));
    }
    return ExitWithoutInstanceLock;
}

}  // namespace

int RunTunzo(int argc, char** argv, const std::function<void(TMainForm&)>& whenShown)
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    ParseCommandLine(arguments);

    InstanceLock instance;
    const InstanceStart start = TakeInstanceOrHandOver(instance, "tunzo");
    if (start.outcome == InstanceStart::Outcome::HandedOver)
        return 0;
    if (start.outcome == InstanceStart::Outcome::NotAnswered) {
        std::fprintf(stderr, "%s: %s\n", "tunzo", start.problem.c_str());
        return ExitWithoutInstanceLock;
    }
    if (start.outcome == InstanceStart::Outcome::Refused)
        return RefuseToStart(argc, argv, start.problem);

    QApplication app(argc, argv);
    QApplication::setApplicationName("Tunzo");
    QApplication::setQuitOnLastWindowClosed(false);
    InitTunzoResources();
    QApplication::setWindowIcon(QIcon(QPixmap::fromImage(ProgramIconPicture())));
    QFont font = QApplication::font();
    font.setPointSize(8);
    QApplication::setFont(font);
    SetRegistryWriteErrorHook([](const std::string& text) {
        QString lines = QString::fromStdString(text);
        lines.replace('\r', '\n');
        QMessageBox::information(nullptr, "Tunzo", lines);
    });

    // Listening before the window is made: a logout that comes while it
    // starts up (its tunes let events run, its message boxes wait for OK)
    // ends the session there, saved and muted, instead of waiting for a
    // click that nobody will give.
    SessionEndNotifier sessionEnd;
    TMainForm MainForm(arguments, nullptr, &sessionEnd);
    MainForm.ReleaseInstance = [&instance] { instance.Release(); };
    // Ended while starting: the loop's end was asked for before it ran, and
    // would never come.
    if (MainForm.ending()) {
        CloseSerialRadioLine();
        return 0;
    }
    if (!MainForm.started())
        return 0;
    MainForm.show();
    if (whenShown)
        QTimer::singleShot(0, &MainForm, [&MainForm, &whenShown] { whenShown(MainForm); });
    // The bus once the panel is on screen: a desktop's remote control can
    // wait, the user's first look at the panel cannot.
    WhenFirstOnScreen(MainForm.windowHandle(), MediaControlLatestStartMs, [&MainForm] { MainForm.StartMediaControl(); });
    app.exec();
    // A GemTek line still open (Power, a logout) has its last frames sent
    // before the program ends, and no sound-off of its own: the radio stays
    // as the way out left it.
    CloseSerialRadioLine();
    return 0;
}
