#pragma once
// The card operations the programs call. Each routes, by the "Adapter"
// setting read at the call, to the protocol of that card family: RadioTrack
// for adapters 1-3, Aztech for 4, the serial line for 5; adapter 6 and any
// other number have no protocol and touch no port. Every operation blocks
// until its card sequence, sleeps included, is done.

#include "CardOps.h"

#include <functional>

namespace RadioDriver {

// True while the card is taken to be audible; the mute indicator shows it.
extern bool SoundOn;

// Set by a program that is ending, once it has said its last word to the
// card: from then on the operations below send nothing. Work still running
// when the end came (a tune that let events run, the rest of a list of
// actions) would otherwise undo the end's mute.
extern bool CardTrafficEnded;

// Installed by the host program: shows SoundOn. Empty: nothing happens.
// (A receiver's refusals go to ReportReceiverRefusal, V4L2Radio.h.)
extern std::function<void()> RefreshMuteIndicator;
// Installed by the host program: lets waiting window messages run, so that a
// command queued meanwhile completes before a tune touches the card. Empty by
// default, which keeps this library free of any GUI.
extern std::function<void()> ProcessMessages;

TuneState TunedStatus();
void Tune(double mhz);
void Mute();
void Unmute();
void VolumeUp();
void VolumeDown();

// The companion's tune: wraps x into the band first, processes no messages
// and refreshes nothing (the companion updates its tray icon itself).
void CompanionTune(double x);

// The operations table for an adapter number, or nullptr for none.
const CardOps* CardFor(int adapter);
// The receiver table of an adapter reached by a device (7, 8), or nullptr
// for the port and serial cards.
const ReceiverOps* ReceiverFor(int adapter);
// True for the cards driven on an I/O port, which need the port gate; the
// serial line and the receivers reached by a device node need none.
bool ReachedByPort(int adapter);

}  // namespace RadioDriver
