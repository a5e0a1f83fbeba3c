// The card operations of adapter 7 on the open V4L2 device, and its
// hardware seek.
#include "V4L2Radio.h"

#include "AuxVolume.h"
#include "Frequency.h"
#include "ReceiverFeed.h"
#include "TunerSettings.h"
#include "V4L2Handle.h"

#include <cerrno>
#include <cstring>
#include <linux/videodev2.h>

namespace {
// Line-in steps for a device without a volume control, as the other cards'
// "Volume control" path takes them (negative is louder).
constexpr int32_t LineInVolumeUpStep = -10;
constexpr int32_t LineInVolumeDownStep = 10;

bool ReadControl(uint32_t id, int32_t& value)
{
    v4l2_control control{id, 0};
    if (!ReceiverIoctl(VIDIOC_G_CTRL, &control, "report a control"))
        return false;
    value = control.value;
    return true;
}

bool WriteControl(uint32_t id, int32_t value)
{
    v4l2_control control{id, value};
    return ReceiverIoctl(VIDIOC_S_CTRL, &control, "take a control");
}

// With the lock held. Sticks power up muted, and the other cards' tune and
// volume steps switch the audio on, so these do too; only a change is sent.
void SwitchAudio(bool on)
{
    const ReceiverHandle& h = Receiver();
    int32_t muted = 0;
    if (!h.hasMute || !ReadControl(V4L2_CID_AUDIO_MUTE, muted) || (muted == 0) == on)
        return;
    if (WriteControl(V4L2_CID_AUDIO_MUTE, on ? 0 : 1))
        TraceReceiverChange(on ? "mute 0" : "mute 1");
}

// With the lock held: where the tuner is, as the driver rounded it.
bool ReadFrequency(double& mhz)
{
    v4l2_frequency frequency{};
    frequency.tuner = 0;
    frequency.type = V4L2_TUNER_RADIO;
    if (!ReceiverIoctl(VIDIOC_G_FREQUENCY, &frequency, "report its frequency"))
        return false;
    mhz = TunerUnitsToMHz(frequency.frequency, Receiver().tunerCapability);
    return true;
}

void V4L2Tune(double mhz)
{
    std::string refusal;
    {
        std::lock_guard lock(ReceiverMutex());
        ReceiverHandle* h = OpenedReceiver();
        if (!h)
            return;
        if (!BandsTake(h->bands, mhz)) {
            refusal = h->path + " receives " + BandsText(h->bands) + ": it cannot take " + FrequencyText(mhz) +
                      " MHz.";
            double tuned = 0.0;
            if (ReadFrequency(tuned))
                TunerSettings.CurrentFrequency = static_cast<double>(RoundDigits(tuned, 3));
            h->problem = refusal;
        } else {
            v4l2_frequency frequency{};
            frequency.tuner = 0;
            frequency.type = V4L2_TUNER_RADIO;
            frequency.frequency = MHzToTunerUnits(mhz, h->tunerCapability);
            double tuned = mhz;
            if (ReceiverIoctl(VIDIOC_S_FREQUENCY, &frequency, "tune") && ReadFrequency(tuned)) {
                // The display shows where the tuner really is.
                TunerSettings.CurrentFrequency = static_cast<double>(RoundDigits(tuned, 3));
                TraceReceiverChange("frequency " + ThreeDecimals(tuned));
                SwitchAudio(true);
                h->problem.clear();
            }
        }
    }
    if (!refusal.empty() && ReportReceiverRefusal)
        ReportReceiverRefusal(refusal);
}

TuneState V4L2Status()
{
    std::lock_guard lock(ReceiverMutex());
    if (!OpenedReceiver())
        return NotTuned;
    v4l2_tuner tuner{};
    if (!ReceiverIoctl(VIDIOC_G_TUNER, &tuner, "report its signal"))
        return NotTuned;
    return TuneStateFromSignal(tuner.signal, tuner.rxsubchans);
}

void V4L2Mute()
{
    std::lock_guard lock(ReceiverMutex());
    if (OpenedReceiver())
        SwitchAudio(false);
}

void V4L2Unmute()
{
    std::lock_guard lock(ReceiverMutex());
    if (OpenedReceiver())
        SwitchAudio(true);
}

void StepVolume(int direction)
{
    {
        std::lock_guard lock(ReceiverMutex());
        ReceiverHandle* h = OpenedReceiver();
        if (!h)
            return;
        int32_t volume = 0;
        if (h->hasVolume) {
            if (ReadControl(V4L2_CID_AUDIO_VOLUME, volume)) {
                const int32_t next =
                    SteppedControlValue(volume, h->volumeMinimum, h->volumeMaximum, h->volumeStep, direction);
                if (next != volume && WriteControl(V4L2_CID_AUDIO_VOLUME, next))
                    TraceReceiverChange("volume " + std::to_string(next));
            }
            SwitchAudio(true);
            return;
        }
        SwitchAudio(true);
    }
    AuxVolumeStep(direction > 0 ? LineInVolumeUpStep : LineInVolumeDownStep);
}

void V4L2VolumeUp()
{
    StepVolume(+1);
}

void V4L2VolumeDown()
{
    StepVolume(-1);
}

// The wrap flag the tuner's capabilities allow: some drivers refuse a seek
// with wrap-around, others one without.
uint32_t WrapFlagFor(uint32_t tunerCapability)
{
    return (tunerCapability & V4L2_TUNER_CAP_HWSEEK_WRAP) ? 1 : 0;
}

bool WrapFlagAllowed(uint32_t tunerCapability, uint32_t wrap)
{
    return wrap ? (tunerCapability & V4L2_TUNER_CAP_HWSEEK_WRAP) != 0
                : (tunerCapability & V4L2_TUNER_CAP_HWSEEK_BOUNDED) != 0;
}

// The seek ioctl itself, without the lock: it blocks until the device stops.
int IssueSeek(int fd, bool upward, uint32_t wrap)
{
    v4l2_hw_freq_seek seek{};
    seek.tuner = 0;
    seek.type = V4L2_TUNER_RADIO;
    seek.seek_upward = upward ? 1 : 0;
    seek.wrap_around = wrap;
    return CurrentV4L2Calls().ioctl(fd, VIDIOC_S_HW_FREQ_SEEK, &seek) == 0 ? 0 : errno;
}

// A driver whose capabilities claim one habit and which refuses it gets the
// other one, when it claims that too. The error of the last seek, or 0.
int SeekBothWays(int fd, bool upward, uint32_t capability)
{
    const uint32_t wrap = WrapFlagFor(capability);
    const int error = IssueSeek(fd, upward, wrap);
    if (error == EINVAL && WrapFlagAllowed(capability, wrap ? 0 : 1))
        return IssueSeek(fd, upward, wrap ? 0 : 1);
    return error;
}
}  // namespace

SeekResult SeekRadioDevice(bool upward)
{
    SeekResult result;
    int fd = -1;
    uint32_t capability = 0;
    {
        std::lock_guard lock(ReceiverMutex());
        ReceiverHandle* h = OpenedReceiver();
        if (!h) {
            result.problem = Receiver().problem;
            return result;
        }
        if (!h->seeks) {
            result.problem = "The receiver " + h->path + " cannot search by itself: step through the band instead.";
            return result;
        }
        fd = h->fd;
        capability = h->tunerCapability;
        TraceReceiverChange(upward ? "seek up" : "seek down");
    }
    // The tuner leaves the station at once; what it passes on the way is no
    // station's name either.
    ReceiverFeedStationChanged();
    const int error = SeekBothWays(fd, upward, capability);
    ReceiverFeedStationChanged();

    std::lock_guard lock(ReceiverMutex());
    ReceiverHandle& h = Receiver();
    if (error == ENODEV) {
        // Noted as the other calls note it: the handle closes.
        v4l2_tuner tuner{};
        ReceiverIoctl(VIDIOC_G_TUNER, &tuner, "seek");
    }
    if (h.fd != fd) {
        result.problem = h.problem;
        return result;
    }
    // Where the seek stopped, found or not: si470x reports success for a
    // seek that found nothing, so the signal decides.
    if (!ReadFrequency(result.mhz)) {
        result.problem = h.problem;
        return result;
    }
    if (error == EBUSY || (error != 0 && error != ENODATA && error != EAGAIN)) {
        result.problem = "The receiver " + h.path + " could not search (" + std::strerror(error) + ").";
        h.problem = result.problem;
        return result;
    }
    v4l2_tuner tuner{};
    const bool heard = error == 0 && ReceiverIoctl(VIDIOC_G_TUNER, &tuner, "report its signal") &&
                       TuneStateFromSignal(tuner.signal, tuner.rxsubchans) != NotTuned;
    result.outcome = heard ? SeekOutcome::Found : SeekOutcome::NothingFound;
    h.problem.clear();
    return result;
}

bool ReadRadioDeviceSetting(double& mhz, bool& muted)
{
    std::lock_guard lock(ReceiverMutex());
    const ReceiverHandle* h = OpenedReceiver();
    if (!h || !ReadFrequency(mhz))
        return false;
    int32_t mute = 0;
    muted = h->hasMute && ReadControl(V4L2_CID_AUDIO_MUTE, mute) && mute != 0;
    return true;
}

const CardOps V4L2RadioOps = {"V4L2",     V4L2Tune,     V4L2Status,    V4L2Mute,
                              V4L2Unmute, V4L2VolumeUp, V4L2VolumeDown};

const ReceiverOps V4L2ReceiverOps = {"V4L2",          OpenRadioDevice,  CloseRadioDevice, RadioDeviceProblem,
                                     CheckRadioDevice, RadioDeviceSeeks, SeekRadioDevice,
                                     ReadRadioDeviceSetting};
