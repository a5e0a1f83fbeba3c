// Actions -> "Find all stations...": the sweep runs in its dialog, and what
// the user ticks is stored into the presets only after OK.

#include "MainForm.h"

#include "FindStationsDialog.h"
#include "RadioDriver.h"
#include "ReceiverFeed.h"
#include "TunerSettings.h"

#include <QMessageBox>

void TMainForm::mnu_findallClick()
{
    if (findStations_ || ending_)
        return;
    // One sweep of the band at a time: a running search or preset scan ends first.
    if (SearchRunning || hardwareSeekPending_) {
        QMessageBox::information(this, "Tunzo", "Wait for the station search to end, then try again.");
        return;
    }
    if (PresetScanRunning)
        SetPresetScan(false, false);
    if (receiverGone_) {
        QMessageBox::warning(this, "Tunzo", "The receiver is gone: plug it in again to find stations.");
        return;
    }
    const ReceiverOps* receiver = RadioDriver::ReceiverFor(TunerSettings.Adapter);
    SweepPlan plan;
    plan.bandMinimum = TunerSettings.BandMinimum;
    plan.bandMaximum = TunerSettings.BandMaximum;
    plan.step = TunerSettings.FineTuneStep;
    plan.bySeek = receiver && receiver->seeks();
    FeedSettings feed;
    feed.adapter = TunerSettings.Adapter;
    plan.listens = feedRunning_ && ReceiverFeedAbilities(feed).rds;

    TFindStationsDialog dialog(plan, receiver, Presets, this);
    findStations_ = &dialog;
    ShowModal(dialog);
    findStations_ = nullptr;
    if (dialog.result() != QDialog::Accepted || ending_)
        return;
    for (const PresetWrite& w : dialog.Plan().writes) {
        Presets[static_cast<size_t>(w.slot - 1)] = w.content;
        try {
            // A cleared slot is stored as the "Clear" item stores one.
            const bool cleared = w.content.Frequency == 0.0;
            SavePreset(w.slot, cleared ? " " : w.content.StationName, true, w.content.Frequency);
        } catch (const std::exception& e) {
            ReportStoreError(e);
            break;
        }
    }
    setup_menu();
    LabelPresetButtons();
    RecogniseStation();
}

bool TMainForm::FindStationsListening(const RdsState& state)
{
    if (!findStations_ || !findStations_->Sweeping())
        return false;
    findStations_->Heard(state);
    return true;
}
