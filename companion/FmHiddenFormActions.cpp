// The action lists of pipit's command line and of second starts: the card's
// words run here; a recording is tunzo's, so pipit hands the radio over.
#include "FmHiddenForm.h"

#include "CompanionDriver.h"
#include "Presets.h"
#include "RadioDriver.h"

void TFmHiddenForm::ReceiveActions(int32_t code, int32_t value)
{
    if (ending_)
        return;
    if (Reception.Receive(code, value, ActionList, ActionListCapacity()) == ActionReception::Complete)
        RunActions();
}

void TFmHiddenForm::RunActions()
{
    for (int i = 0; i < ActionList.Count; ++i) {
        const ActionEntry& entry = ActionList.Entries[static_cast<size_t>(i)];
        switch (entry.Code) {
        case ActionClose:
            EndAtOnce();
            return;
        case ActionTunePreset:
            if (entry.Value >= 1 && entry.Value <= PresetCount &&
                Presets[static_cast<size_t>(entry.Value - 1)].Frequency > 0.0)
                ChoosePreset(entry.Value);
            break;
        case ActionVolumeUp:
            VolumeStep(CompanionVolumeUpStep);
            RadioDriver::SoundOn = true;
            break;
        case ActionVolumeDown:
            VolumeStep(CompanionVolumeDownStep);
            RadioDriver::SoundOn = true;
            break;
        case ActionMute:
            MuteWithIcon();
            break;
        case ActionUnmute:
            UnmuteWithIcon();
            break;
        case ActionRecord:
            // Nothing runs here to stop.
            if (entry.Value == 0)
                break;
            // Only tunzo records: it takes the radio over with this word and
            // those after it, so that none is lost.
            HandActionsToTunzo(i);
            return;
        default:
            break;
        }
    }
}

void TFmHiddenForm::HandActionsToTunzo(int first)
{
    QStringList words;
    for (int i = first; i < ActionList.Count; ++i)
        words << QString::fromStdString(ActionEntryWord(ActionList.Entries[static_cast<size_t>(i)]));
    LaunchTunzo(words);
}
