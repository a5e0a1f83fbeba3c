#include "CompanionDriver.h"

#include "AdapterCatalogue.h"
#include "AuxVolume.h"
#include "Aztech.h"
#include "RadioDriver.h"
#include "TunerSettings.h"

namespace RadioDriver {

namespace {
// "Below 4" takes in an adapter number below 1 too, which a record never
// loaded may hold.
const CardOps* CompanionCardFor(int adapter)
{
    if (adapter < AztechAdapter)
        return &RadioTrackOps;
    if (adapter == AztechAdapter)
        return &AztechOps;
    // A receiver reached by its device node needs no route of its own.
    if (adapter == V4L2Adapter)
        return &V4L2RadioOps;
    return nullptr;
}
}  // namespace

void UseCompanionTimings()
{
    AztechPrimitiveDelayMs = CompanionAztechPrimitiveDelayMs;
}

void CompanionMute()
{
    if (const CardOps* card = CompanionCardFor(TunerSettings.Adapter))
        card->mute();
    SoundOn = false;
}

void CompanionUnmute()
{
    if (const CardOps* card = CompanionCardFor(TunerSettings.Adapter))
        card->unmute();
    SoundOn = true;
}

void CompanionVolumeStep(int32_t step)
{
    // Unlike the panel, any value but 0 means the line in, a negative one too.
    if (TunerSettings.VolumeControl != VolumeOnCard) {
        AuxVolumeStep(step);
        return;
    }
    const CardOps* card = CompanionCardFor(TunerSettings.Adapter);
    if (!card)
        return;
    if (step >= 1)
        card->volumeDown();
    else
        card->volumeUp();
}

}  // namespace RadioDriver
