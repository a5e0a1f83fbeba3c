// pipit beside the setup program: what that program stores while pipit runs
// is taken in, so that pipit neither acts on old settings nor, at its end,
// saves them over the new ones.

#include "FmHiddenForm.h"

#include "AdapterCatalogue.h"
#include "PortAccess.h"
#include "RadioDriver.h"
#include "SettingsStore.h"

#include <unistd.h>

void TFmHiddenForm::FollowStoreChanges()
{
    if (!started_ || ending_)
        return;
    // The card plays on what it plays, whatever the store says now.
    const TTunerSettings before = TunerSettings;
    try {
        if (!StoreChangedElsewhere())
            return;
        RefreshSettings();
    } catch (const std::exception& e) {
        // Asked every second: a message box each time would bury the desktop.
        ReportStoreProblemOnce(e.what());
        return;
    }
    TunerSettings.CurrentFrequency = before.CurrentFrequency;
    const bool cardChanged = before.Adapter != TunerSettings.Adapter || before.CardPort != TunerSettings.CardPort;
    if (!cardChanged || !RadioDriver::ReachedByPort(TunerSettings.Adapter) || OpenPortAccess())
        return;
    // Without the gate every write would be dropped unseen.
    ShowMessage(QString::fromStdString(PortAccessDeniedMessage(TunerSettings.CardPort, "pipit")));
}
