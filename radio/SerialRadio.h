#pragma once
// The GemTek adapter is driven over a serial line instead of a port. The line
// belongs to the program's serial port component; it plugs itself in here.
// While nothing is plugged in, the adapter's operations send nothing.

#include "CardOps.h"

class SerialRadioLink {
public:
    virtual ~SerialRadioLink() = default;
    virtual void Tune(double mhz) = 0;  // tune frame, then the frequency text
    virtual void SoundOn() = 0;
    virtual void SoundOff() = 0;
};

// Not owned; nullptr unplugs.
void SetSerialRadioLink(SerialRadioLink* link);
SerialRadioLink* CurrentSerialRadioLink();
