#include "V4L2Radio.h"

#include "PortBackend.h"
#include "SimulatedRadioStick.h"
#include "TunerSettings.h"
#include "V4L2Handle.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/videodev2.h>

std::function<void(const std::string& message)> ReportReceiverRefusal;

namespace {
std::unique_ptr<V4L2Calls>& CallsSlot()
{
    static std::unique_ptr<V4L2Calls> calls;
    return calls;
}

std::unique_ptr<V4L2Calls> MakeV4L2CallsFromEnvironment()
{
    if (SimulatedCardSelected())
        return MakeSimulatedRadioSticksFromEnvironment();
    return std::make_unique<SystemV4L2Calls>();
}

// A driver may fill a name field to its last byte, without an end.
template <size_t N>
std::string FieldText(const uint8_t (&field)[N])
{
    const char* text = reinterpret_cast<const char*>(field);
    return std::string(text, strnlen(text, N));
}

const char* ChooseAnother = "choose another \"Radio device\" in the setup program (tunecfg)";

// What to tell a person whose device did not open, by the system's reason.
std::string OpenProblemText(const std::string& path, int error)
{
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return "There is no receiver at " + path + ": plug it in, or " + ChooseAnother + ".";
    case EACCES:
    case EPERM:
        return "You may not use the receiver " + path +
               ": add yourself to the group that owns it (on Debian: sudo adduser $USER video), then log out and "
               "in again.";
    case EBUSY:
        return "The receiver " + path + " is busy: another program is using it. Close that program and try again.";
    case EISDIR:
        return path + " is a folder, not a radio device: " + ChooseAnother + ".";
    default:
        return "The receiver " + path + " cannot be opened (" + std::strerror(error) + ").";
    }
}

}  // namespace

std::string ReceiverGoneText(const std::string& path)
{
    return "The receiver " + path + " is gone (unplugged or switched off): plug it in again and Tunzo tunes it.";
}

namespace {

void CloseHandle(ReceiverHandle& h)
{
    if (h.fd >= 0)
        CurrentV4L2Calls().close(h.fd);
    h.fd = -1;
}

uint32_t DeviceCapabilities(const v4l2_capability& cap)
{
    return (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
}

// The bands the tuner lists, FM ones only; a tuner that lists none takes its
// whole range.
std::vector<TunerBand> ReadBands(V4L2Calls& calls, int fd, const v4l2_tuner& tuner)
{
    std::vector<TunerBand> bands;
    if (tuner.capability & V4L2_TUNER_CAP_FREQ_BANDS) {
        for (uint32_t index = 0;; ++index) {
            v4l2_frequency_band band{};
            band.tuner = 0;
            band.type = V4L2_TUNER_RADIO;
            band.index = index;
            if (calls.ioctl(fd, VIDIOC_ENUM_FREQ_BANDS, &band) != 0)
                break;
            if (band.modulation & V4L2_BAND_MODULATION_FM)
                bands.push_back({TunerUnitsToMHz(band.rangelow, band.capability),
                                 TunerUnitsToMHz(band.rangehigh, band.capability)});
        }
    }
    if (bands.empty())
        bands.push_back({TunerUnitsToMHz(tuner.rangelow, tuner.capability),
                         TunerUnitsToMHz(tuner.rangehigh, tuner.capability)});
    return MergedBands(bands);
}

// A control the device offers and has not switched off.
bool QueryControl(V4L2Calls& calls, int fd, uint32_t id, v4l2_queryctrl& control)
{
    control = {};
    control.id = id;
    return calls.ioctl(fd, VIDIOC_QUERYCTRL, &control) == 0 && !(control.flags & V4L2_CTRL_FLAG_DISABLED);
}

// Opens `path` and learns what the device can do; false with the reason.
bool OpenHandle(const std::string& path, ReceiverHandle& h)
{
    V4L2Calls& calls = CurrentV4L2Calls();
    // Blocking mode: some drivers refuse a seek on a non-blocking handle. A
    // FIFO opened for reading and writing does not wait for a partner.
    const int fd = calls.open(path, O_RDWR);
    if (fd < 0) {
        h.problem = OpenProblemText(path, errno);
        return false;
    }
    v4l2_capability cap{};
    v4l2_tuner tuner{};
    if (calls.ioctl(fd, VIDIOC_QUERYCAP, &cap) != 0) {
        const int error = errno;
        h.problem = error == ENODEV ? OpenProblemText(path, error)
                                    : path + " is not a radio device (it does not answer as a V4L2 device): " +
                                          ChooseAnother + ".";
        calls.close(fd);
        return false;
    }
    const uint32_t caps = DeviceCapabilities(cap);
    if (!(caps & V4L2_CAP_RADIO) || !(caps & V4L2_CAP_TUNER) || calls.ioctl(fd, VIDIOC_G_TUNER, &tuner) != 0) {
        h.problem = path + " (" + FieldText(cap.card) + ") is no radio receiver with a tuner: " +
                    ChooseAnother + ".";
        calls.close(fd);
        return false;
    }
    h.fd = fd;
    h.path = path;
    h.tunerCapability = tuner.capability;
    h.seeks = (caps & V4L2_CAP_HW_FREQ_SEEK) != 0;
    h.bands = ReadBands(calls, fd, tuner);
    v4l2_queryctrl control{};
    h.hasMute = QueryControl(calls, fd, V4L2_CID_AUDIO_MUTE, control);
    h.hasVolume = QueryControl(calls, fd, V4L2_CID_AUDIO_VOLUME, control);
    if (h.hasVolume) {
        h.volumeMinimum = control.minimum;
        h.volumeMaximum = control.maximum;
        h.volumeStep = control.step;
    }
    h.problem.clear();
    return true;
}

}  // namespace

std::string ConfiguredDevice()
{
    return TunerSettings.RadioDevice.empty() ? std::string(DefaultRadioDevice) : TunerSettings.RadioDevice;
}

V4L2Calls& CurrentV4L2Calls()
{
    std::unique_ptr<V4L2Calls>& slot = CallsSlot();
    if (!slot)
        slot = MakeV4L2CallsFromEnvironment();
    return *slot;
}

std::unique_ptr<V4L2Calls> SetV4L2Calls(std::unique_ptr<V4L2Calls> calls)
{
    CloseRadioDevice();
    std::unique_ptr<V4L2Calls> previous = std::move(CallsSlot());
    CallsSlot() = std::move(calls);
    return previous;
}

std::mutex& ReceiverMutex()
{
    static std::mutex mutex;
    return mutex;
}

ReceiverHandle& Receiver()
{
    static ReceiverHandle handle;
    return handle;
}

ReceiverHandle* OpenedReceiver()
{
    ReceiverHandle& h = Receiver();
    const std::string path = ConfiguredDevice();
    if (h.fd >= 0 && h.path == path)
        return &h;
    CloseHandle(h);
    if (!OpenHandle(path, h)) {
        h.path = path;
        h.away = true;
        return nullptr;
    }
    h.away = false;
    return &h;
}

bool ReceiverIoctl(unsigned long request, void* argument, const char* what)
{
    ReceiverHandle& h = Receiver();
    if (CurrentV4L2Calls().ioctl(h.fd, request, argument) == 0)
        return true;
    const int error = errno;
    if (error == ENODEV) {
        CloseHandle(h);
        h.away = true;
        h.problem = ReceiverGoneText(h.path);
    } else {
        h.problem = "The receiver " + h.path + " refused to " + what + " (" + std::strerror(error) + ").";
    }
    errno = error;
    return false;
}

void TraceReceiverChange(const std::string& change)
{
    CurrentPortBackend().receiverChanged("v4l2 " + ReceiverTraceName(Receiver().path) + " " + change);
}

std::string ThreeDecimals(double mhz)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", mhz);
    return text;
}

std::string ReceiverTraceName(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool OpenRadioDevice(std::string& problem)
{
    std::lock_guard lock(ReceiverMutex());
    const bool open = OpenedReceiver() != nullptr;
    problem = Receiver().problem;
    return open;
}

void CloseRadioDevice()
{
    std::lock_guard lock(ReceiverMutex());
    CloseHandle(Receiver());
    Receiver() = ReceiverHandle{};
}

std::string RadioDeviceProblem()
{
    std::lock_guard lock(ReceiverMutex());
    return Receiver().problem;
}

std::vector<TunerBand> RadioDeviceBands()
{
    std::lock_guard lock(ReceiverMutex());
    return Receiver().bands;
}

bool RadioDeviceSeeks()
{
    std::lock_guard lock(ReceiverMutex());
    const ReceiverHandle* h = OpenedReceiver();
    return h && h->seeks;
}

ReceiverPresence CheckRadioDevice()
{
    std::lock_guard lock(ReceiverMutex());
    ReceiverHandle& h = Receiver();
    if (h.fd >= 0 && h.path == ConfiguredDevice()) {
        // The cheapest call every driver answers; a device that has gone
        // answers ENODEV on the handle that outlived it.
        v4l2_tuner tuner{};
        ReceiverIoctl(VIDIOC_G_TUNER, &tuner, "report its tuner");
    } else {
        OpenedReceiver();
    }
    // Told as a change since the last check, whichever call noticed it.
    const bool wasAway = h.reportedAway;
    h.reportedAway = h.away;
    if (h.away)
        return wasAway ? ReceiverPresence::Away : ReceiverPresence::WentAway;
    return wasAway ? ReceiverPresence::CameBack : ReceiverPresence::Present;
}

bool QueryReceiver(const std::string& path, ReceiverInfo& info, std::string& problem)
{
    ReceiverHandle probe;
    if (!OpenHandle(path, probe)) {
        problem = probe.problem;
        return false;
    }
    v4l2_capability cap{};
    CurrentV4L2Calls().ioctl(probe.fd, VIDIOC_QUERYCAP, &cap);
    CurrentV4L2Calls().close(probe.fd);
    info.path = path;
    info.card = FieldText(cap.card);
    info.driver = FieldText(cap.driver);
    info.bus = FieldText(cap.bus_info);
    return true;
}
