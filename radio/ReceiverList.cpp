// Which V4L2 radio receivers this machine has, for the setup program's list
// and the card tool's "list".
#include "V4L2Radio.h"

#include "PortBackend.h"
#include "SimulatedRadioStick.h"

#include <algorithm>
#include <cstring>
#include <libudev.h>

namespace {
// The radio nodes udev knows ("/dev/radio0", ...), in name order; the kernel
// calls every radio node of the video4linux subsystem radioN.
std::vector<std::string> RadioNodes()
{
    std::vector<std::string> nodes;
    udev* context = udev_new();
    if (!context)
        return nodes;
    udev_enumerate* enumerate = udev_enumerate_new(context);
    udev_enumerate_add_match_subsystem(enumerate, "video4linux");
    udev_enumerate_add_match_sysname(enumerate, "radio*");
    udev_enumerate_scan_devices(enumerate);
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate))
    {
        udev_device* device = udev_device_new_from_syspath(context, udev_list_entry_get_name(entry));
        if (!device)
            continue;
        if (const char* node = udev_device_get_devnode(device))
            nodes.emplace_back(node);
        udev_device_unref(device);
    }
    udev_enumerate_unref(enumerate);
    udev_unref(context);
    std::sort(nodes.begin(), nodes.end());
    return nodes;
}
udev* monitorContext = nullptr;
udev_monitor* monitor = nullptr;

bool IsRadioNode(udev_device* device)
{
    const char* name = udev_device_get_sysname(device);
    return name && std::strncmp(name, "radio", std::strlen("radio")) == 0;
}
}  // namespace

int OpenReceiverHotplugMonitor()
{
    if (monitor)
        return udev_monitor_get_fd(monitor);
    if (SimulatedCardSelected() || !(monitorContext = udev_new()))
        return -1;
    // "udev", not "kernel": the event comes once udev's rules have given the
    // node its group, so that opening it then succeeds.
    monitor = udev_monitor_new_from_netlink(monitorContext, "udev");
    if (!monitor || udev_monitor_filter_add_match_subsystem_devtype(monitor, "video4linux", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor) < 0) {
        CloseReceiverHotplugMonitor();
        return -1;
    }
    return udev_monitor_get_fd(monitor);
}

bool ReceiverHotplugEvents()
{
    bool radio = false;
    while (monitor) {
        udev_device* device = udev_monitor_receive_device(monitor);
        if (!device)
            break;
        radio = radio || IsRadioNode(device);
        udev_device_unref(device);
    }
    return radio;
}

void CloseReceiverHotplugMonitor()
{
    if (monitor)
        udev_monitor_unref(monitor);
    if (monitorContext)
        udev_unref(monitorContext);
    monitor = nullptr;
    monitorContext = nullptr;
}

std::vector<ReceiverInfo> ListReceivers()
{
    std::vector<std::string> nodes;
    if (SimulatedCardSelected()) {
        for (int i = 0; i < StickCount; ++i)
            nodes.push_back(SimulatedStickPath(i));
    } else {
        nodes = RadioNodes();
    }
    std::vector<ReceiverInfo> receivers;
    for (const std::string& node : nodes) {
        ReceiverInfo info;
        std::string problem;
        // A node without a tuner, or one this user may not open, is no
        // receiver this program can use.
        if (QueryReceiver(node, info, problem))
            receivers.push_back(info);
    }
    return receivers;
}
