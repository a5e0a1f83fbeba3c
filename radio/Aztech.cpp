#include "Aztech.h"

#include "Frequency.h"
#include "PortAccess.h"
#include "TunerSettings.h"

#include <algorithm>
#include <cmath>

bool AztechStereo = true;
int AztechPrimitiveDelayMs = 0;

namespace {
uint16_t Port()
{
    return TunerSettings.CardPort;
}

// Volume level bits plus control bits, as a byte: the level may be any value
// the store held, so the sum wraps like the card's byte does.
uint8_t WithLevel(uint8_t control)
{
    return static_cast<uint8_t>(TunerSettings.CardVolume + control);
}

void Pace()
{
    if (AztechPrimitiveDelayMs > 0)
        SleepMs(AztechPrimitiveDelayMs);
}

void Start(uint16_t port)
{
    Pace();
    PortOut(port, WithLevel(0xC2)); /* serial on, data + clock high */
    PortOut(port, WithLevel(0x42)); /* data falls while clock high */
}

void Bit(uint16_t port, bool one)
{
    Pace();
    PortOut(port, WithLevel(one ? 0x82 : 0x02)); /* data, clock low */
    PortOut(port, WithLevel(one ? 0xC2 : 0x42)); /* clock rises: bit taken */
}

// The card's four levels, silent first. A level the store held outside them
// stays as it is.
int8_t NeighbourLevel(int8_t v, int direction)
{
    constexpr int8_t levels[] = {0, 1, 4, 5};
    for (int i = 0; i < 4; ++i)
        if (levels[i] == v)
            return levels[std::clamp(i + direction, 0, 3)];
    return v;
}

void Latch(uint16_t port)
{
    Pace();
    PortOut(port, WithLevel(0xC0)); /* serial off: word latched */
}
}  // namespace

uint16_t AztechWord(double f)
{
    const double x = (f + 10.7) * 20.0;
    return static_cast<uint16_t>(std::trunc(RoundDigits(x, 1)));
}

uint32_t AztechControlWord(uint16_t n, bool stereo)
{
    return 0xA40000u + (stereo ? 0x20000u : 0u) + 2u * n;
}

void AztechTune(double f)
{
    const uint16_t port = Port();
    const uint32_t word = AztechControlWord(AztechWord(f), AztechStereo);
    Start(port);
    for (int i = 0; i < 24; ++i)
        Bit(port, (word >> i) & 1);
    Latch(port);
}

TuneState AztechStatus()
{
    SleepMs(150);
    const uint8_t s = PortIn(Port()) & 3;
    // Bit 0 set: no station. Bit 1 set: mono.
    if (s == 0)
        return TunedStereo;
    if (s == 2)
        return Tuned;
    return NotTuned;
}

void AztechVolumeUp()
{
    int8_t& v = TunerSettings.CardVolume;
    if (v >= 5)
        return;
    v = NeighbourLevel(v, +1);
    PortOut(Port(), static_cast<uint8_t>(v)); /* volume level */
}

void AztechVolumeDown()
{
    int8_t& v = TunerSettings.CardVolume;
    if (v <= 0)
        return;
    v = NeighbourLevel(v, -1);
    PortOut(Port(), static_cast<uint8_t>(v)); /* volume level */
}

void AztechMute()
{
    PortOut(Port(), 0x00); /* level 0: silent */
}

void AztechUnmute()
{
    // The card plays at the second-lowest level until the next step or tune
    // writes the kept level again.
    PortOut(Port(), 0x01); /* level 1 */
}

const CardOps AztechOps = {"Aztech",     AztechTune,     AztechStatus,    AztechMute,
                           AztechUnmute, AztechVolumeUp, AztechVolumeDown};
