#pragma once
// The GemTek adapter is driven over a serial line instead of a port: four-byte
// command frames (0x1d '#' command '#') switch its sound on and off, and a tune
// frame is followed by the frequency as text. The line belongs to a serial
// port component, which plugs itself in here while it is open; while nothing
// is plugged in, the adapter's operations send nothing.

#include "CardOps.h"

#include <exception>
#include <string>

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

// What CloseSerialRadio gives the last frame to leave the line before it
// closes, after the writer has handed it to the line (which it waits for, at
// most SerialWriteWaitLimitMs).
inline constexpr int SerialCloseDelayMs = 50;
inline constexpr int SerialWriteWaitLimitMs = 1000;

// Opens "COM<n>" for "Port number" n (of the catalogue's GemTek row) and
// switches the sound on. With the simulated card, and no TUNZO_SERIAL_COM<n>,
// the line leads to a simulated GemTek. Raises the serial port component's
// ECommsError when the line cannot be opened (then nothing is sent), and
// std::invalid_argument, naming the value, for a "Port number" that is no
// COM port of the GemTek.
void OpenSerialRadio();
// Switches the sound off, waits SerialCloseDelayMs and closes the line.
// Nothing when the line is not open.
void CloseSerialRadio();

// The line without the frames, for a caller that leaves the radio as it is
// (the card tool): open as OpenSerialRadio, and close once what was sent has
// left.
void OpenSerialRadioLine();
void CloseSerialRadioLine();
bool SerialRadioLineOpen();

// "COM1" for 1; std::invalid_argument for a value the GemTek's row lacks.
std::string SerialRadioPortName(int portNumber);

// What to tell a person about a failed open: the error's text, with the
// system's reason when there is one.
std::string SerialRadioErrorText(const std::exception& error);
