#pragma once
// tunzo-card's commands on a V4L2 receiver (adapter 7): the card commands
// through the dispatch, and the receiver's own: list, seek, and a scan by
// hardware seek.

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

// "/dev/radio0  Simulated FM stick  driver si470x  bus usb-0000:00:14.0-1",
// one line per receiver; exit 1 when there is none.
int ListReceiversCommand(std::ostream& out, std::ostream& err);

// "0  Generic RTL2832U OEM  serial 00000001", one line per SDR dongle; exit 1
// when there is none.
int ListDonglesCommand(std::ostream& out, std::ostream& err);

// "--device N" for a dongle: its index, 0 to MaxDongleIndex.
inline constexpr int32_t MaxDongleIndex = 255;
// Takes a terminal's progress line back to its start and clears it.
inline constexpr const char* ClearProgressLine = "\r\033[K";
bool ParseDongleIndex(const std::string& text, int32_t& index);

// Runs `verb` on the receiver "Radio device" or "SDR device" names; `cardCommand` runs the
// commands every card has (tune, mute, status, a stepping scan). Answers the
// exit code: 0 done, 1 a device that cannot be used or a seek that found
// nothing.
// The progress of a scan goes to `err` only when `errIsTerminal`.
int RunOnReceiver(const std::string& verb, bool upward, std::ostream& out, std::ostream& err, bool errIsTerminal,
                  const std::function<void()>& cardCommand);
