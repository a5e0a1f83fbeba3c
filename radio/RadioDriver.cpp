#include "RadioDriver.h"

#include "AdapterCatalogue.h"
#include "AuxVolume.h"
#include "Aztech.h"
#include "RadioTrack.h"
#include "SerialRadio.h"
#include "Frequency.h"
#include "ReceiverFeed.h"
#include "TunerSettings.h"

namespace RadioDriver {

bool SoundOn = true;
bool CardTrafficEnded = false;
std::function<void()> RefreshMuteIndicator;
std::function<void()> ProcessMessages;

namespace {
void Call(const std::function<void()>& hook)
{
    if (hook)
        hook();
}

// The card of "Adapter", unless the program has said its last word to it.
const CardOps* Card(int adapter)
{
    return CardTrafficEnded ? nullptr : CardFor(adapter);
}

// Unmute and the second volume-down step test
// "Adapter below 4" where the others test "1 to 3"; loading never leaves an
// adapter below 1, but the record may hold one before the first load.
const CardOps* CardForBelowFour(int adapter)
{
    if (CardTrafficEnded)
        return nullptr;
    return adapter < AztechAdapter ? &RadioTrackOps : CardFor(adapter);
}

bool VolumeOnAuxDevice()
{
    return TunerSettings.VolumeControl > VolumeOnCard;
}
}  // namespace

const CardOps* CardFor(int adapter)
{
    switch (adapter) {
    case RadioTrackAdapter:
    case RevealAdapter:
    case SF16FMPAdapter:
        return &RadioTrackOps;
    case AztechAdapter:
        return &AztechOps;
    case SerialLineAdapter:
        return &SerialRadioOps;
    case V4L2Adapter:
        return &V4L2RadioOps;
    case SdrAdapter:
        return &SdrRadioOps;
    default:
        return nullptr;
    }
}

const ReceiverOps* ReceiverFor(int adapter)
{
    switch (adapter) {
    case V4L2Adapter:
        return &V4L2ReceiverOps;
    case SdrAdapter:
        return &SdrReceiverOps;
    default:
        return nullptr;
    }
}

TuneState TunedStatus()
{
    // A status read writes to the card too.
    const CardOps* card = Card(TunerSettings.Adapter);
    return card ? card->status() : NotTuned;
}

void Tune(double mhz)
{
    TunerSettings.CurrentFrequency = static_cast<double>(RoundDigits(mhz, 3));
    Call(ProcessMessages);
    // Read after the messages ran: a command that tuned meanwhile has its
    // frequency sent again, so the card and CurrentFrequency agree; an end
    // that came meanwhile leaves the card as the end left it.
    if (const CardOps* card = Card(TunerSettings.Adapter))
        card->tune(TunerSettings.CurrentFrequency);
    // Whatever the old station said must not be shown under the new one.
    ReceiverFeedStationChanged();
    SoundOn = true;
    Call(RefreshMuteIndicator);
}

void Mute()
{
    SoundOn = false;
    if (const CardOps* card = Card(TunerSettings.Adapter))
        card->mute();
    // The callers refresh the indicator.
}

void Unmute()
{
    if (const CardOps* card = CardForBelowFour(TunerSettings.Adapter))
        card->unmute();
    SoundOn = true;
    Call(RefreshMuteIndicator);
}

void VolumeUp()
{
    SoundOn = true;
    const int adapter = TunerSettings.Adapter;
    if (adapter == SerialLineAdapter) {
        // The GemTek has no volume step; up only switches the sound on,
        // whatever "Volume control" says.
        if (!CardTrafficEnded)
            SerialRadioOps.unmute();
        Call(RefreshMuteIndicator);
        return;
    }
    if (VolumeOnAuxDevice()) {
        AuxVolumeStep(-10);
    } else if (const CardOps* card = Card(adapter)) {
        card->volumeUp();
    }
    Call(RefreshMuteIndicator);
}

void VolumeDown()
{
    const int adapter = TunerSettings.Adapter;
    if (VolumeOnAuxDevice()) {
        AuxVolumeStep(+10);
    } else {
        // Two card steps per user step: one pulse is too fine to hear. A
        // receiver's volume control has steps a person hears: one is one.
        if (const CardOps* card = Card(adapter))
            card->volumeDown();
        if (const CardOps* card = CardForBelowFour(adapter); card && !ReceiverFor(adapter))
            card->volumeDown();
    }
    // Refreshed before SoundOn is set: after a mute the indicator keeps
    // showing muted until its next refresh.
    Call(RefreshMuteIndicator);
    SoundOn = true;
}

void CompanionTune(double x)
{
    if (x > TunerSettings.BandMaximum)
        x = TunerSettings.BandMinimum;
    if (x < TunerSettings.BandMinimum)
        x = TunerSettings.BandMaximum;
    TunerSettings.CurrentFrequency = static_cast<double>(RoundDigits(x, 3));
    const int adapter = TunerSettings.Adapter;
    if (CardTrafficEnded)
        return;
    if (adapter < AztechAdapter)
        RadioTrackTune(x);
    else if (adapter == AztechAdapter)
        AztechTune(TunerSettings.CurrentFrequency);
    else if (adapter == V4L2Adapter)
        V4L2RadioOps.tune(TunerSettings.CurrentFrequency);
    else if (adapter == SdrAdapter)
        SdrRadioOps.tune(TunerSettings.CurrentFrequency);
    SoundOn = true;
}

bool ReachedByPort(int adapter)
{
    return adapter != SerialLineAdapter && !ReceiverFor(adapter);
}

}  // namespace RadioDriver
