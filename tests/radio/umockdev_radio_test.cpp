// The receiver code's real open, ioctl and close calls against an emulated
// /dev/radio0: umockdev's preloaded library (the test runs under
// umockdev-wrapper) hands each ioctl to the handler below, which answers as
// a small si470x would. What the seam tests cannot show, this does: that the
// requests, the structures and their fields reach a driver as the kernel's
// header defines them, and that udev lists the node.

#include "AdapterCatalogue.h"
#include "RadioDriver.h"
#include "TunerSettings.h"
#include "V4L2Radio.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <linux/videodev2.h>
#include <mutex>
#include <poll.h>
#include <umockdev.h>

using ::testing::ElementsAre;

namespace {
constexpr uint32_t UnitsPerMHz = 16000;  // the emulated tuner counts 62.5 Hz

// What the emulated driver holds; its handler runs on umockdev's thread.
struct EmulatedRadio {
    std::mutex mutex;
    uint32_t frequency = 87500 * 16;
    int32_t muted = 1;
    std::vector<unsigned long> requests;
};

template <class Field>
Field* Resolve(UMockdevIoctlClient* client)
{
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    UMockdevIoctlData* data = umockdev_ioctl_data_resolve(arg, 0, sizeof(Field), nullptr);
    return data ? reinterpret_cast<Field*>(data->data) : nullptr;
}

gboolean HandleIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer user)
{
    auto& radio = *static_cast<EmulatedRadio*>(user);
    std::lock_guard lock(radio.mutex);
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    radio.requests.push_back(request);
    int error = 0;
    switch (request) {
    case VIDIOC_QUERYCAP: {
        v4l2_capability cap{};
        std::memcpy(cap.driver, "si470x", 7);
        std::memcpy(cap.card, "Emulated stick", 15);
        std::memcpy(cap.bus_info, "usb-emulated", 13);
        cap.capabilities = V4L2_CAP_RADIO | V4L2_CAP_TUNER;
        *Resolve<v4l2_capability>(client) = cap;
        break;
    }
    case VIDIOC_G_TUNER: {
        auto* tuner = Resolve<v4l2_tuner>(client);
        tuner->capability = V4L2_TUNER_CAP_LOW;
        tuner->rangelow = 76 * UnitsPerMHz;
        tuner->rangehigh = 108 * UnitsPerMHz;
        tuner->signal = radio.frequency == 94200 * 16 ? 65535 : 0;
        tuner->rxsubchans = V4L2_TUNER_SUB_MONO;
        break;
    }
    case VIDIOC_S_FREQUENCY:
        radio.frequency = Resolve<v4l2_frequency>(client)->frequency;
        break;
    case VIDIOC_G_FREQUENCY:
        Resolve<v4l2_frequency>(client)->frequency = radio.frequency;
        break;
    case VIDIOC_QUERYCTRL: {
        auto* control = Resolve<v4l2_queryctrl>(client);
        if (control->id == V4L2_CID_AUDIO_MUTE) {
            control->maximum = 1;
            control->step = 1;
        } else {
            error = EINVAL;  // no volume control: the line in takes the steps
        }
        break;
    }
    case VIDIOC_G_CTRL:
        Resolve<v4l2_control>(client)->value = radio.muted;
        break;
    case VIDIOC_S_CTRL:
        radio.muted = Resolve<v4l2_control>(client)->value;
        break;
    default:
        error = ENOTTY;
    }
    umockdev_ioctl_client_complete(client, error ? -1 : 0, error);
    return TRUE;
}

class EmulatedDeviceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* preload = std::getenv("LD_PRELOAD");
        if (!preload || !std::strstr(preload, "umockdev-preload"))
            GTEST_SKIP() << "run under umockdev-wrapper";
        testbed = umockdev_testbed_new();
        GError* error = nullptr;
        // The node as udev describes it; "N:" makes the /dev file.
        ASSERT_TRUE(umockdev_testbed_add_from_string(testbed,
                                                     "P: /devices/pci0000:00/usb1/1-1/radio0\n"
                                                     "N: radio0\n"
                                                     "E: SUBSYSTEM=video4linux\n"
                                                     "E: DEVNAME=/dev/radio0\n"
                                                     "A: name=Emulated stick\n"
                                                     "A: dev=81:0\n",
                                                     &error))
            << (error ? error->message : "");
        handler = umockdev_ioctl_base_new();
        g_signal_connect(handler, "handle-ioctl", G_CALLBACK(HandleIoctl), &radio);
        ASSERT_TRUE(umockdev_testbed_attach_ioctl(testbed, "/dev/radio0", handler, &error))
            << (error ? error->message : "");
        SetV4L2Calls(std::make_unique<SystemV4L2Calls>());
        TunerSettings = TTunerSettings{};
        AssignInitialValues(TunerSettings);
        SetBandLimits(TunerSettings);
        TunerSettings.Adapter = static_cast<int8_t>(V4L2Adapter);
    }
    void TearDown() override
    {
        SetV4L2Calls(nullptr);
        if (handler)
            g_object_unref(handler);
        if (testbed)
            g_object_unref(testbed);
    }
    EmulatedRadio radio;
    UMockdevTestbed* testbed = nullptr;
    UMockdevIoctlBase* handler = nullptr;
};
}  // namespace

TEST_F(EmulatedDeviceTest, TheRealCallsTuneMuteAndReadTheEmulatedStick)
{
    RadioDriver::Tune(94.2);
    EXPECT_EQ(RadioDriver::TunedStatus(), Tuned);
    RadioDriver::Mute();
    std::lock_guard lock(radio.mutex);
    EXPECT_EQ(radio.frequency, 94200u * 16u);  // 62.5 Hz units
    EXPECT_EQ(radio.muted, 1);
    EXPECT_DOUBLE_EQ(TunerSettings.CurrentFrequency, 94.2);
    EXPECT_THAT(radio.requests,
                ElementsAre(static_cast<unsigned long>(VIDIOC_QUERYCAP), static_cast<unsigned long>(VIDIOC_G_TUNER),
                            static_cast<unsigned long>(VIDIOC_QUERYCTRL), static_cast<unsigned long>(VIDIOC_QUERYCTRL),
                            static_cast<unsigned long>(VIDIOC_S_FREQUENCY),
                            static_cast<unsigned long>(VIDIOC_G_FREQUENCY), static_cast<unsigned long>(VIDIOC_G_CTRL),
                            static_cast<unsigned long>(VIDIOC_S_CTRL), static_cast<unsigned long>(VIDIOC_G_TUNER),
                            static_cast<unsigned long>(VIDIOC_G_CTRL), static_cast<unsigned long>(VIDIOC_S_CTRL)));
}

TEST_F(EmulatedDeviceTest, UdevListsTheEmulatedNodeWithWhatItsDriverSays)
{
    const std::vector<ReceiverInfo> receivers = ListReceivers();
    ASSERT_EQ(receivers.size(), 1u);
    EXPECT_EQ(receivers[0].path, "/dev/radio0");
    EXPECT_EQ(receivers[0].card, "Emulated stick");
    EXPECT_EQ(receivers[0].driver, "si470x");
    EXPECT_EQ(receivers[0].bus, "usb-emulated");
}

TEST_F(EmulatedDeviceTest, TheHotplugMonitorTellsWhenTheNodeGoes)
{
    const int fd = OpenReceiverHotplugMonitor();
    ASSERT_GE(fd, 0);
    EXPECT_FALSE(ReceiverHotplugEvents());
    umockdev_testbed_uevent(testbed, "/sys/devices/pci0000:00/usb1/1-1/radio0", "remove");
    pollfd ready{fd, POLLIN, 0};
    EXPECT_EQ(poll(&ready, 1, 5000), 1);  // an answer, not a pause: it comes at once
    EXPECT_TRUE(ReceiverHotplugEvents());
    CloseReceiverHotplugMonitor();
}
