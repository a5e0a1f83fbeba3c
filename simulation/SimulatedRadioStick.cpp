// The simulated sticks' answers to the V4L2 calls.
#include "SimulatedRadioStick.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <linux/videodev2.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {
constexpr uint32_t UnitsPerMHz = 16000;  // 62.5 Hz: V4L2_TUNER_CAP_LOW
constexpr double ChannelMHz = 0.05;      // the si470x's finest spacing
constexpr double StationReachMHz = 0.1;  // the signal falls to nothing within this
constexpr int32_t StationRssi = 45;      // dBuV at a station's own frequency
constexpr int32_t SeekRssiThreshold = 25;  // the si470x's default seek threshold
constexpr int32_t StereoRssi = 20;       // below this the stick falls back to mono
constexpr int32_t RssiToSignal = 257;    // si470x: signal = RSSI * 0x0101

struct Band {
    double low;
    double high;
};
constexpr Band StickBands[] = {{87.5, 108.0}, {76.0, 108.0}, {76.0, 90.0}};
constexpr Band WholeRange = {76.0, 108.0};

constexpr uint32_t TunerCapability = V4L2_TUNER_CAP_LOW | V4L2_TUNER_CAP_STEREO | V4L2_TUNER_CAP_RDS |
                                     V4L2_TUNER_CAP_RDS_BLOCK_IO | V4L2_TUNER_CAP_HWSEEK_BOUNDED |
                                     V4L2_TUNER_CAP_HWSEEK_WRAP | V4L2_TUNER_CAP_FREQ_BANDS;
constexpr uint32_t DeviceCaps =
    V4L2_CAP_TUNER | V4L2_CAP_RADIO | V4L2_CAP_HW_FREQ_SEEK | V4L2_CAP_RDS_CAPTURE | V4L2_CAP_READWRITE;

template <size_t N>
void CopyText(uint8_t (&field)[N], const std::string& text)
{
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(text.size(), N - 1));
}

// The band a seek runs in: the Europe/US band, unless the stick is tuned
// below it (then the wide Japanese one).
Band SeekBand(double mhz)
{
    return mhz >= StickBands[0].low ? StickBands[0] : StickBands[1];
}

// The driver's rounding: whole channels up from the bottom of the range.
double OnChannel(double mhz)
{
    mhz = std::clamp(mhz, WholeRange.low, WholeRange.high);
    return WholeRange.low + std::floor((mhz - WholeRange.low) / ChannelMHz + 1e-6) * ChannelMHz;
}

int Fail(int error)
{
    errno = error;
    return -1;
}
}  // namespace

SimulatedRadioSticks::SimulatedRadioSticks(Options options) : options_(std::move(options)) {}

SimulatedRadioSticks::~SimulatedRadioSticks()
{
    for (const auto& [fd, handle] : handles_)
        ::close(fd);
}

int32_t SimulatedRadioSticks::Signal(double mhz) const
{
    double nearest = StationReachMHz;
    for (const SimulatedStation& station : options_.stations)
        nearest = std::min(nearest, std::fabs(station.mhz - mhz));
    const double rssi = StationRssi * (1.0 - nearest / StationReachMHz);
    return static_cast<int32_t>(std::lround(rssi)) * RssiToSignal;
}

bool SimulatedRadioSticks::Stereo(double mhz) const
{
    const std::optional<SimulatedStation> station = StationAt(options_.stations, mhz);
    return station && station->stereo && Signal(mhz) >= StereoRssi * RssiToSignal;
}

int SimulatedRadioSticks::open(const std::string& path, int flags)
{
    const int index = SimulatedStickIndex(path);
    if (index < 0)
        return system_.open(path, flags);
    std::lock_guard lock(mutex_);
    const StickState s = Update(index, [](StickState&) {});
    if (!s.present)
        return Fail(ENOENT);
    // A real descriptor, so that its number is the process's own and poll
    // works on it; nothing ever makes it readable.
    const int fd = eventfd(0, EFD_CLOEXEC);
    if (fd < 0)
        return -1;
    handles_[fd] = {index, s.generation, StickRdsStream{}};
    return fd;
}

int SimulatedRadioSticks::close(int fd)
{
    {
        std::lock_guard lock(mutex_);
        handles_.erase(fd);
    }
    return system_.close(fd);
}

int SimulatedRadioSticks::ioctl(int fd, unsigned long request, void* argument)
{
    std::unique_lock lock(mutex_);
    const auto found = handles_.find(fd);
    if (found == handles_.end()) {
        lock.unlock();
        return system_.ioctl(fd, request, argument);
    }
    const int stick = found->second.stick;
    const StickState s = Update(stick, [](StickState&) {});
    if (!s.present || s.generation != found->second.generation)
        return Fail(ENODEV);
    if (request == VIDIOC_S_HW_FREQ_SEEK) {
        const auto* seek = static_cast<const v4l2_hw_freq_seek*>(argument);
        if (seek->tuner != 0 || seek->type != V4L2_TUNER_RADIO)
            return Fail(EINVAL);
        // The seek takes its time; other calls, of other threads too, go on.
        lock.unlock();
        return Seek(stick, seek->seek_upward != 0, seek->wrap_around != 0);
    }
    return StickIoctl(stick, request, argument);
}

int SimulatedRadioSticks::StickIoctl(int index, unsigned long request, void* argument)
{
    const StickState s = Update(index, [](StickState&) {});
    switch (request) {
    case VIDIOC_QUERYCAP: {
        auto* cap = static_cast<v4l2_capability*>(argument);
        *cap = {};
        CopyText(cap->driver, "si470x");
        CopyText(cap->card, "Simulated FM stick");
        CopyText(cap->bus_info, "usb-0000:00:14.0-" + std::to_string(index + 1));
        cap->device_caps = DeviceCaps;
        cap->capabilities = DeviceCaps | V4L2_CAP_DEVICE_CAPS;
        return 0;
    }
    case VIDIOC_G_TUNER: {
        auto* tuner = static_cast<v4l2_tuner*>(argument);
        if (tuner->index != 0)
            return Fail(EINVAL);
        *tuner = {};
        CopyText(tuner->name, "FM");
        tuner->type = V4L2_TUNER_RADIO;
        tuner->capability = TunerCapability;
        tuner->rangelow = static_cast<uint32_t>(WholeRange.low * UnitsPerMHz);
        tuner->rangehigh = static_cast<uint32_t>(WholeRange.high * UnitsPerMHz);
        tuner->rxsubchans = Stereo(s.frequency) ? V4L2_TUNER_SUB_STEREO : V4L2_TUNER_SUB_MONO;
        tuner->audmode = V4L2_TUNER_MODE_STEREO;
        tuner->signal = Signal(s.frequency);
        return 0;
    }
    case VIDIOC_ENUM_FREQ_BANDS: {
        auto* band = static_cast<v4l2_frequency_band*>(argument);
        if (band->tuner != 0 || band->index >= std::size(StickBands))
            return Fail(EINVAL);
        const Band& b = StickBands[band->index];
        const uint32_t index = band->index;
        *band = {};
        band->index = index;
        band->type = V4L2_TUNER_RADIO;
        band->capability = TunerCapability;
        band->rangelow = static_cast<uint32_t>(b.low * UnitsPerMHz);
        band->rangehigh = static_cast<uint32_t>(b.high * UnitsPerMHz);
        band->modulation = V4L2_BAND_MODULATION_FM;
        return 0;
    }
    case VIDIOC_G_FREQUENCY: {
        auto* frequency = static_cast<v4l2_frequency*>(argument);
        if (frequency->tuner != 0)
            return Fail(EINVAL);
        frequency->type = V4L2_TUNER_RADIO;
        frequency->frequency = static_cast<uint32_t>(std::lround(s.frequency * UnitsPerMHz));
        return 0;
    }
    case VIDIOC_S_FREQUENCY: {
        const auto* frequency = static_cast<const v4l2_frequency*>(argument);
        if (frequency->tuner != 0 || frequency->type != V4L2_TUNER_RADIO)
            return Fail(EINVAL);
        const double mhz = OnChannel(static_cast<double>(frequency->frequency) / UnitsPerMHz);
        Update(index, [mhz](StickState& state) { state.frequency = mhz; });
        tunes_[index] = {mhz, Now()};
        return 0;
    }
    case VIDIOC_QUERYCTRL: {
        auto* control = static_cast<v4l2_queryctrl*>(argument);
        const uint32_t id = control->id;
        if (id != V4L2_CID_AUDIO_MUTE && id != V4L2_CID_AUDIO_VOLUME)
            return Fail(EINVAL);
        *control = {};
        control->id = id;
        const bool mute = id == V4L2_CID_AUDIO_MUTE;
        control->type = mute ? V4L2_CTRL_TYPE_BOOLEAN : V4L2_CTRL_TYPE_INTEGER;
        CopyText(control->name, mute ? "Mute" : "Volume");
        control->maximum = mute ? 1 : StickMaxVolume;
        control->step = 1;
        control->default_value = mute ? 1 : StickMaxVolume;
        return 0;
    }
    case VIDIOC_G_CTRL: {
        auto* control = static_cast<v4l2_control*>(argument);
        if (control->id == V4L2_CID_AUDIO_MUTE)
            control->value = s.muted ? 1 : 0;
        else if (control->id == V4L2_CID_AUDIO_VOLUME)
            control->value = s.volume;
        else
            return Fail(EINVAL);
        return 0;
    }
    case VIDIOC_S_CTRL: {
        auto* control = static_cast<v4l2_control*>(argument);
        if (control->id == V4L2_CID_AUDIO_MUTE) {
            const bool muted = control->value != 0;
            Update(index, [muted](StickState& state) { state.muted = muted; });
        } else if (control->id == V4L2_CID_AUDIO_VOLUME) {
            // The control framework clamps an integer into its range.
            control->value = std::clamp(control->value, 0, StickMaxVolume);
            const int volume = control->value;
            Update(index, [volume](StickState& state) { state.volume = volume; });
        } else {
            return Fail(EINVAL);
        }
        return 0;
    }
    case VIDIOC_S_TUNER:
        return static_cast<const v4l2_tuner*>(argument)->index == 0 ? 0 : Fail(EINVAL);
    default:
        return Fail(ENOTTY);
    }
}

int SimulatedRadioSticks::Seek(int index, bool upward, bool wrap)
{
    {
        std::lock_guard lock(mutex_);
        seeking_.insert(index);
    }
    const int result = SeekChannels(index, upward, wrap);
    const int error = errno;
    std::lock_guard lock(mutex_);
    seeking_.erase(index);
    errno = error;
    return result;
}

int SimulatedRadioSticks::SeekChannels(int index, bool upward, bool wrap)
{
    const double start = State(index).frequency;
    const Band band = SeekBand(start);
    const int channels = static_cast<int>(std::lround((band.high - band.low) / ChannelMHz));
    double mhz = start;
    bool wrapped = false;
    for (int step = 0; step <= channels; ++step) {
        if (options_.pause)
            options_.pause(StickSeekChannelPauseMs);
        double next = mhz + (upward ? ChannelMHz : -ChannelMHz);
        if (next > band.high + 1e-6 || next < band.low - 1e-6) {
            if (!wrap)
                break;  // stops at the band's end, and says nothing of it
            next = upward ? band.low : band.high;
            wrapped = true;
        }
        mhz = OnChannel(next);
        if (wrapped && std::fabs(mhz - start) < ChannelMHz / 2)
            break;  // round once, back where it started
        if (Signal(mhz) >= SeekRssiThreshold * RssiToSignal)
            break;
        if (!State(index).present)  // unplugged mid-seek
            return Fail(ENODEV);
    }
    std::lock_guard lock(mutex_);
    StickState s = Update(index, [mhz](StickState& state) {
        if (state.present)
            state.frequency = mhz;
    });
    tunes_[index] = {mhz, Now()};
    return s.present ? 0 : Fail(ENODEV);
}
