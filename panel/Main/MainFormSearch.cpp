// Station search: the two Scan buttons step the card through the band by the
// fine step until it reports a station, inside the click, letting waiting
// events run so that the rest of the panel stays alive meanwhile.

#include "MainForm.h"

#include "PopBtn.h"
#include "RadioDriver.h"
#include "Search.h"

#include <QLabel>
#include <QPointer>

#include <optional>

void TMainForm::WireSearch()
{
    cmd_scanup->OnClick = [this](QObject* sender) { cmd_scanupClick(sender); };
    cmd_scandown->OnClick = [this](QObject* sender) { cmd_scanupClick(sender); };
}

void TMainForm::cmd_scanupClick(QObject* sender)
{
    // The display names no preset while the search moves off it.
    MarkChannelMenu(0);
    ShowStationCaption(0);
    // A click that arrives while a search runs (through its event
    // processing) is the request to stop it, never a second search.
    if (SearchRunning) {
        SearchRunning = false;
        SearchStopRequested = true;
        return;
    }
    const bool down = sender == cmd_scandown;
    if (StartHardwareSeek(down))
        return;
    SearchRunning = true;
    SearchStopRequested = false;
    const double step = down ? -TunerSettings.FineTuneStep : TunerSettings.FineTuneStep;
    lbl_status->setText(down ? "<" : ">");
    lbl_station->setToolTip("Scanning for station");
    RadioDriver::SoundOn = true;
    RadioDriver::TunedStatus();  // the card's answer is not used; the read settles it
    RefreshMuteIndicator();
    SearchStart = TunerSettings.CurrentFrequency;

    // Leave the station the search starts on: on while the card reports one.
    while (SearchRunning) {
        const std::optional<TuneState> state = SearchStep(step);
        if (!state)
            return;
        if (SearchRunning)
            SearchRunning = *state > NotTuned;
    }
    // Then on to the next station, at most once round the band.
    SearchRunning = true;
    while (SearchRunning) {
        const std::optional<TuneState> state = SearchStep(step);
        if (!state)
            return;
        if (SearchRunning)
            SearchRunning = *state < Tuned;
        if (SweptBackToStart(TunerSettings.CurrentFrequency, SearchStart) || SearchStopRequested)
            SearchRunning = false;
    }
    ShowTuneState();
    RecogniseStation();
}

std::optional<TuneState> TMainForm::SearchStep(double step)
{
    // Everything may run nested in the event processing below, the end of
    // the program included: a form that went away or is ending is left at
    // once (no state), without touching it again.
    const QPointer<TMainForm> alive(this);
    TunerSettings.CurrentFrequency = NextSearchFrequency(TunerSettings.CurrentFrequency, step, TunerSettings);
    RadioDriver::Tune(TunerSettings.CurrentFrequency);
    if (!alive || ending_)
        return std::nullopt;
    ShowFrequency();
    SetSliderPosition();
    QApplication::processEvents();
    if (!alive || ending_)
        return std::nullopt;
    const TuneState state = RadioDriver::TunedStatus();
    QApplication::processEvents();
    if (!alive || ending_)
        return std::nullopt;
    return state;
}
