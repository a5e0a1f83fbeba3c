#pragma once
// Adapter 7: a receiver of the kernel's V4L2 radio API on /dev/radioN (USB
// FM sticks such as si470x, dsbr100, mr800, ma901, shark, raremono, and the
// ISA cards the kernel's own radio drivers have claimed). The device named
// by "Radio device" is opened on the first operation and kept open: several
// sticks power down on their last close. Every call reaches it through the
// V4L2 calls of this process (simulated sticks with TUNZO_CARD=simulated).
// The operations may be called from any thread.

#include "CardOps.h"
#include "V4L2Calls.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// The calls the receiver code makes; the first use builds them from the
// environment. Set replaces them (tests) and closes any open device.
V4L2Calls& CurrentV4L2Calls();
std::unique_ptr<V4L2Calls> SetV4L2Calls(std::unique_ptr<V4L2Calls> calls);

// Opens "Radio device" now, when it is not open yet; false with the reason,
// which names the device and says what to do.
bool OpenRadioDevice(std::string& problem);
void CloseRadioDevice();
// Why the last operation failed; empty after one that worked.
std::string RadioDeviceProblem();

// Told when an operation is refused for a reason the user can act on (a
// frequency outside what the device receives). Empty: nothing is shown.
extern std::function<void(const std::string& message)> ReportReceiverRefusal;

// The device's bands as it states them (after an open).
struct TunerBand;
std::vector<TunerBand> RadioDeviceBands();

// Whether the open device is still there, and whether a device that went
// away is back. Called on a timer: cheap when nothing changed.
ReceiverPresence CheckRadioDevice();

// The receivers a "list" shows: one per radio node with a tuner.
struct ReceiverInfo {
    std::string path;
    std::string card;
    std::string driver;
    std::string bus;
};
std::vector<ReceiverInfo> ListReceivers();

// udev's word that a radio node came or went, for a caller that waits on the
// descriptor (readable when there is news): the presence check then runs at
// once instead of on its next tick. -1 where there is no udev; the simulated
// sticks are noticed by their state file alone.
int OpenReceiverHotplugMonitor();
// Reads what the monitor holds; true when a radio node came or went.
bool ReceiverHotplugEvents();
void CloseReceiverHotplugMonitor();
// Reads the identity of one node; false with the reason when it is no radio.
bool QueryReceiver(const std::string& path, ReceiverInfo& info, std::string& problem);

// A hardware seek from the current frequency; blocks until the device stops
// (run it off the window's thread). The frequency is always read back.
// True when the open device seeks by itself.
bool RadioDeviceSeeks();
SeekResult SeekRadioDevice(bool upward);
// Where the open device is tuned and whether it is muted.
bool ReadRadioDeviceSetting(double& mhz, bool& muted);

// The "v4l2 radio0 frequency 94.200" trace line's device name: "radio0".
std::string ReceiverTraceName(const std::string& path);

