// The program entry, apart from main() so that test drivers and benchmarks
// run the real start-up and hand-over.

#include "TunzoProgram.h"

#include "ActionChannel.h"
#include "ActionReceiver.h"
#include "Actions.h"
#include "InstanceLock.h"
#include "MainForm.h"
#include "RuntimeDirectory.h"
#include "SettingsStore.h"
#include "TunzoResources.h"

#include <QApplication>
#include <QMessageBox>
#include <QPixmap>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Posts the parsed list to the running instance; a stale handle loses it.
void ForwardActions(const std::string& runtimeDirectory)
{
    int32_t handle = 0;
    try {
        handle = ReadPublishedWindowHandle();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tunzo: %s\n", e.what());
        return;
    }
    PostActionMessages(runtimeDirectory, handle, HandOverMessages(ActionList));
}

// A start that can neither run as the instance nor hand over ends with this.
constexpr int ExitWithoutInstanceLock = 1;

// A modal box needs a display and someone to answer it: never on the
// offscreen or minimal platforms that tests and headless runs use, where it
// would wait for ever.
bool CanShowMessageBox()
{
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && (std::strstr(platform, "offscreen") || std::strstr(platform, "minimal")))
        return false;
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

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

    const RuntimeFolder runtime = OpenRuntimeFolder();
    if (!runtime.usable())
        return RefuseToStart(argc, argv, runtime.problem);
    InstanceLock instance;
    switch (instance.Acquire(runtime.path)) {
    case InstanceLock::Outcome::Acquired:
        break;
    case InstanceLock::Outcome::HeldByAnother:
        ForwardActions(runtime.path);
        return 0;
    case InstanceLock::Outcome::Unavailable:
        return RefuseToStart(argc, argv, "the instance lock " + instance.problem());
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName("Tunzo");
    QApplication::setQuitOnLastWindowClosed(false);
    InitTunzoResources();
    QApplication::setWindowIcon(QIcon(QPixmap::fromImage(ProgramPicture(":/MAINICON"))));
    QFont font = QApplication::font();
    font.setPointSize(8);
    QApplication::setFont(font);
    SetRegistryWriteErrorHook([](const std::string& text) {
        QString lines = QString::fromStdString(text);
        lines.replace('\r', '\n');
        QMessageBox::information(nullptr, "Tunzo", lines);
    });

    // Listening before the window is made: a logout that comes while it
    // starts up (its tunes let events run) is kept, and ends the session
    // properly once the window runs, instead of killing it half made.
    SessionEndNotifier sessionEnd;
    TMainForm* running = nullptr;
    bool endedWhileStarting = false;
    QObject::connect(&sessionEnd, &SessionEndNotifier::sessionEnding, [&] {
        if (running)
            running->EndSession();
        else
            endedWhileStarting = true;
    });
    TMainForm MainForm(arguments);
    MainForm.ReleaseInstance = [&instance] { instance.Release(); };
    if (!MainForm.started())
        return 0;
    running = &MainForm;
    if (endedWhileStarting)
        QTimer::singleShot(0, &MainForm, &TMainForm::EndSession);
    MainForm.show();
    if (whenShown)
        QTimer::singleShot(0, &MainForm, [&MainForm, &whenShown] { whenShown(MainForm); });
    app.exec();
    return 0;
}
