#include "SetupProgram.h"

#include "AuxMixer.h"
#include "SetupArguments.h"
#include "SetupDialog.h"

#include <QApplication>
#include <QMessageBox>

#include <iostream>

int RunSetupProgram(int argc, char** argv)
{
    const SetupArguments early = ParseEarlySetupArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (early.help) {
        std::cout << SetupHelpText();
        return SetupExitDone;
    }
    if (early.version) {
        std::cout << "tunecfg " << TUNZO_VERSION << "\n";
        return SetupExitDone;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("tunecfg");
    // Qt has taken its own options (-platform ...) out of argv by now.
    const SetupArguments arguments = ParseSetupArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (!arguments.error.empty()) {
        std::cerr << arguments.error << "\n";
        return SetupExitBadArguments;
    }

    SetupState setup;
    try {
        setup = ReadSetup();
    } catch (const std::exception& e) {
        // Nothing is shown from a store that cannot be read, so that nothing
        // can be saved over it.
        std::cerr << "tunecfg: " << e.what() << "\n";
        QMessageBox::critical(nullptr, "Tunzo setup",
                              QString("The settings could not be read, so nothing can be changed:\n\n") + e.what());
        return SetupExitStoreUnreadable;
    }
    TSetupDialog dialog(std::move(setup), CurrentAuxMixer().DeviceNames());
    if (arguments.eventsPage)
        dialog.ShowEventsPage();
    dialog.exec();
    return SetupExitDone;
}
