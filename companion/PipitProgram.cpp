// The program entry, apart from main() so that test drivers and benchmarks
// run the real start-up and hand-over.

#include "PipitProgram.h"

#include "ActionChannel.h"
#include "ActionReceiver.h"
#include "Actions.h"
#include "CompanionDriver.h"
#include "FmHiddenForm.h"
#include "InstanceLock.h"
#include "RuntimeDirectory.h"
#include "SettingsStore.h"
#include "TunzoResources.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// A start that can neither run as the instance nor hand over ends with this.
constexpr int ExitWithoutInstanceLock = 1;

// Posts the parsed list to the running instance; a stale handle loses it.
void ForwardActions(const std::string& runtimeDirectory)
{
    int32_t handle = 0;
    try {
        handle = ReadPublishedWindowHandle();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pipit: %s\n", e.what());
        return;
    }
    PostActionMessages(runtimeDirectory, handle, HandOverMessages(ActionList));
}

int RefuseToStart(int argc, char** argv, const std::string& problem)
{
    QApplication app(argc, argv);
    ShowPipitMessage(QString::fromStdString("Pipit cannot start: " + problem + "."));
    return ExitWithoutInstanceLock;
}

}  // namespace

int RunPipit(int argc, char** argv, const std::function<void(TFmHiddenForm&)>& whenRunning, TrayShell* shell)
{
    StoreVariant = TStoreVariant::Companion;
    RadioDriver::UseCompanionTimings();
    ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));

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
    QApplication::setApplicationName("Pipit");
    QApplication::setQuitOnLastWindowClosed(false);
    InitTunzoResources();
    SetRegistryWriteErrorHook([](const std::string& text) {
        QString lines = QString::fromStdString(text);
        lines.replace('\r', '\n');
        ShowPipitMessage(lines);
    });

    QtTrayShell desktopTray(TrayAssumedFromEnvironment());
    TFmHiddenForm form(shell ? *shell : desktopTray, &instance);
    if (!form.started())
        return form.exitCode();
    // A logout, a shutdown or Ctrl+C ends pipit as "Exit Pipit" does: saved,
    // and the radio left as it plays.
    SessionEndNotifier sessionEnd;
    QObject::connect(&sessionEnd, &SessionEndNotifier::sessionEnding, &form, &TFmHiddenForm::Shutdown);
    if (whenRunning)
        QTimer::singleShot(0, &form, [&form, &whenRunning] { whenRunning(form); });
    app.exec();
    return 0;
}
