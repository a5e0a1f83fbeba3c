#include "RadioTrack.h"

#include "Frequency.h"
#include "PortAccess.h"
#include "TunerSettings.h"

#include <cmath>

namespace {
uint16_t Port()
{
    return TunerSettings.CardPort;
}

// The tuner reads its data line on the rising clock edge; writing each level
// twice is the only hold time the card gets.
void SendBit(uint16_t port, bool one)
{
    const uint8_t low = one ? 0x05 : 0x01;   /* serial on, data, clock low */
    const uint8_t high = one ? 0x07 : 0x03;  /* serial on, data, clock high */
    PortOut(port, low);
    PortOut(port, low);
    PortOut(port, high);
    PortOut(port, high);
}
}  // namespace

uint32_t RadioTrackWord(double f3)
{
    // Round to nearest with ties to even, the FPU's default mode.
    return static_cast<uint32_t>(std::nearbyint(f3 * 40.0 + 10486188.0));
}

void RadioTrackTune(double mhz)
{
    const double f3 = static_cast<double>(RoundDigits(mhz, 3));
    TunerSettings.CurrentFrequency = f3;
    const uint16_t port = Port();
    const uint32_t word = RadioTrackWord(f3);
    for (int i = 0; i < 24; ++i)
        SendBit(port, (word >> i) & 1);
    PortOut(port, 0x00); /* end of word, audio off */
    SleepMs(5);
    PortOut(port, 0xC8); /* volume steady + audio on */
}

TuneState RadioTrackStatus()
{
    const uint16_t port = Port();
    PortOut(port, 0xF8); /* ask for the tuned line */
    SleepMs(140);
    const uint8_t b = PortIn(port);
    SleepMs(90);
    PortOut(port, 0xE8); /* status done */
    return b != 0xFF ? Tuned : NotTuned;
}

void RadioTrackVolumeUp()
{
    const uint16_t port = Port();
    PortOut(port, 0x88); /* volume up pulse + audio on */
    SleepMs(20);
    PortOut(port, 0xC8); /* volume steady + audio on */
}

void RadioTrackVolumeDown()
{
    const uint16_t port = Port();
    PortOut(port, 0x48); /* volume down pulse + audio on */
    SleepMs(20);
    PortOut(port, 0xC8); /* volume steady + audio on */
}

void RadioTrackMute()
{
    const uint16_t port = Port();
    PortOut(port, 0x00); /* volume steady + audio off */
    SleepMs(10);
    PortOut(port, 0x00);
}

void RadioTrackUnmute()
{
    const uint16_t port = Port();
    PortOut(port, 0x00); /* volume steady + audio off */
    PortOut(port, 0xC8); /* volume steady + audio on */
}

const CardOps RadioTrackOps = {"RadioTrack",       RadioTrackTune,     RadioTrackStatus,    RadioTrackMute,
                               RadioTrackUnmute,   RadioTrackVolumeUp, RadioTrackVolumeDown};
