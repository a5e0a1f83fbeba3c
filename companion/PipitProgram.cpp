// The program entry, apart from main() so that test drivers and benchmarks
// run the real start-up and hand-over.

#include "PipitProgram.h"

#include "ActionReceiver.h"
#include "Actions.h"
#include "CompanionDriver.h"
#include "FmHiddenForm.h"
#include "InstanceStart.h"
#include "SettingsStore.h"
#include "TunzoResources.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <string>
#include <vector>

namespace {

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

    InstanceLock instance;
    const InstanceStart start = TakeInstanceOrHandOver(instance, "pipit");
    if (start.outcome == InstanceStart::Outcome::HandedOver)
        return 0;
    if (start.outcome == InstanceStart::Outcome::NotAnswered) {
        std::fprintf(stderr, "%s: %s\n", "pipit", start.problem.c_str());
        return ExitWithoutInstanceLock;
    }
    if (start.outcome == InstanceStart::Outcome::Refused)
        return RefuseToStart(argc, argv, start.problem);

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
    // The bus once the icon is up and the loop runs: a desktop's remote
    // control can wait.
    QTimer::singleShot(0, &form, &TFmHiddenForm::StartMediaControl);
    app.exec();
    return 0;
}
