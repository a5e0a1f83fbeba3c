#pragma once
// Where a USB FM stick's sound comes in: most sticks are a radio and a USB
// audio device in one, and ALSA's card for it is named after the same USB
// port the radio's bus_info names ("usb-0000:00:14.0-1"). Found by the
// card's long name, or else by the USB device both hang from in sysfs.

#include <string>

// The capture PCM of the card whose long name (the second line of each
// entry of /proc/asound/cards) names `busInfo`; empty when none does.
// "plughw:CARD=Radio,DEV=0": by the card's id, which survives a replug.
std::string CaptureDeviceFromCardList(const std::string& busInfo, const std::string& cardList);

// The capture PCM of the sound card that shares a USB device with the radio
// node `radioNode` (/dev/radio0) under the sysfs tree at `sysRoot`; empty
// when none does.
std::string CaptureDeviceFromSysfs(const std::string& radioNode, const std::string& sysRoot);

// Either way, on this machine; empty when the stick has no sound card of
// its own (its sound leaves it by a cable).
std::string FindStickCaptureDevice(const std::string& radioNode, const std::string& busInfo);
