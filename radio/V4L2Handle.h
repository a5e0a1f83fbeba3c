#pragma once
// What the receiver files share about the one open V4L2 device. Private to
// the radio library: the programs use V4L2Radio.h.

#include "V4L2Tuner.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

struct ReceiverHandle {
    int fd = -1;                  // -1: not open
    std::string path;             // the node it was opened from
    uint32_t tunerCapability = 0; // v4l2_tuner.capability: units and seek habits
    bool seeks = false;           // V4L2_CAP_HW_FREQ_SEEK
    std::vector<TunerBand> bands;
    bool hasMute = false;
    bool hasVolume = false;
    int32_t volumeMinimum = 0;
    int32_t volumeMaximum = 0;
    int32_t volumeStep = 1;
    bool away = false;            // the device went away, or never opened
    bool reportedAway = false;    // what the last presence check told
    std::string problem;          // why the last operation failed
};

// Guards the handle: the window's thread and a seek's worker share it.
std::mutex& ReceiverMutex();
ReceiverHandle& Receiver();

// With the lock held: the handle, opened on "Radio device" when it is not
// open (or names another node); nullptr with `problem` set when it cannot be.
ReceiverHandle* OpenedReceiver();
// With the lock held: an ioctl on the open device. A device that has gone
// away (ENODEV) closes the handle and marks it away; every failure leaves
// its reason in `problem`.
bool ReceiverIoctl(unsigned long request, void* argument, const char* what);
// Appends "v4l2 radio0 <change>" to the port trace.
void TraceReceiverChange(const std::string& change);
// "94.200": frequencies as the trace and the state files write them.
std::string ThreeDecimals(double mhz);
// "Radio device", or /dev/radio0 when it is not set.
std::string ConfiguredDevice();
// What a user is told when the device went away from under an open handle.
std::string ReceiverGoneText(const std::string& path);
