#include "SerialRadio.h"

#include "TunerSettings.h"

namespace {
SerialRadioLink* link = nullptr;

void SerialTune(double)
{
    // The frame carries CurrentFrequency, which the dispatch has just set.
    if (link)
        link->Tune(TunerSettings.CurrentFrequency);
}

void SerialSoundOn()
{
    if (link)
        link->SoundOn();
}

void SerialSoundOff()
{
    if (link)
        link->SoundOff();
}

TuneState SerialStatus()
{
    return NotTuned;  // nothing is ever read from the line
}

void NoVolumeStep() {}
}  // namespace

void SetSerialRadioLink(SerialRadioLink* l)
{
    link = l;
}

SerialRadioLink* CurrentSerialRadioLink()
{
    return link;
}

// The adapter has no volume step: up only switches the sound on.
const CardOps SerialRadioOps = {"GemTek",      SerialTune,    SerialStatus, SerialSoundOff,
                                SerialSoundOn, SerialSoundOn, NoVolumeStep};
