// The preset scan: the one-second tick tunes the presets that take part, one
// after another, each for "Preset scan delay" seconds.

#include "MainForm.h"

#include "PopBtn.h"
#include "PresetOrder.h"
#include "Presets.h"
#include "TunerSettings.h"

void TMainForm::WirePresetScan()
{
    for (QAction* a : {mnu_pscan_up, pitem_pscan_up})
        connect(a, &QAction::triggered, this, &TMainForm::mnu_pscan_upClick);
    for (QAction* a : {mnu_pscan_down, pitem_pscan_down})
        connect(a, &QAction::triggered, this, &TMainForm::mnu_pscan_downClick);
}

void TMainForm::SetPresetScan(bool run, bool up)
{
    PresetScanRunning = run;
    PresetScanUp = up;
    // The first step comes with the next tick.
    PresetScanTick = TunerSettings.PresetScanDelay;
    PresetScanIndex = PresetScanStart = CurrentPresetNumber;
    if (run) {
        TickEverySecondIfNeeded();
        cmd_memory->SetCaption("S&top");
        cmd_memory->setToolTip("Stop preset scan");
        PresetScanMarker = " Preset scan - ";
    } else {
        cmd_memory->SetCaption("&Write");
        cmd_memory->setToolTip("Store a frequency to presets");
        PresetScanMarker.clear();
    }
    // Checkable items flip their own mark on a click; set from the scan.
    for (QAction* a : {mnu_pscan_up, pitem_pscan_up})
        a->setChecked(run && up);
    for (QAction* a : {mnu_pscan_down, pitem_pscan_down})
        a->setChecked(run && !up);
    if (run)
        return;
    // Tuned again and titled without the marker; a scan stopped on an empty
    // slot (a silent stop) tunes nothing, but its title loses the marker too.
    const int n = CurrentPresetNumber;
    if (n >= 1 && n <= PresetCount && Presets[static_cast<size_t>(n - 1)].Frequency > 0.0)
        SelectPreset(n);
    else
        RecogniseStation();
}

void TMainForm::mnu_pscan_upClick() { SetPresetScan(!PresetScanRunning, !PresetScanRunning); }
void TMainForm::mnu_pscan_downClick() { SetPresetScan(!PresetScanRunning, false); }

void TMainForm::PresetScanStep()
{
    if (PresetScanTick != TunerSettings.PresetScanDelay) {
        ++PresetScanTick;
        return;
    }
    PresetScanTick = 1;
    const int next = NextPresetScanStop(PresetScanIndex, PresetScanUp, TunerSettings.BandMinimum);
    if (next == 0) {
        // Every slot stored and left out of the scan: nothing to stop on.
        SetPresetScan(false, false);
        return;
    }
    PresetScanIndex = static_cast<int8_t>(next);
    SelectPreset(PresetScanIndex);
    CurrentPresetNumber = PresetScanIndex;
    if (!TunerSettings.CycleStations && PresetScanIndex == PresetScanStart)
        SetPresetScan(false, false);
}
