#include "SdrDongles.h"

#include "IqFile.h"
#include "PortBackend.h"
#include "SimulatedDongle.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <rtl-sdr.h>
#include <stdexcept>

namespace {
// libusb's answers that librtlsdr hands on from its open.
constexpr int UsbAccessDenied = -3;
constexpr int UsbNoDevice = -4;
constexpr int UsbBusy = -6;
constexpr int UsbStringLength = 256;

std::string DeviceName(uint32_t index)
{
    return "SDR device " + std::to_string(index);
}

class RtlSdrDongle : public SdrDongle {
public:
    RtlSdrDongle(rtlsdr_dev_t* device, uint32_t index, double rate) : device_(device), index_(index), rate_(rate) {}
    ~RtlSdrDongle() override { rtlsdr_close(device_); }
    RtlSdrDongle(const RtlSdrDongle&) = delete;
    RtlSdrDongle& operator=(const RtlSdrDongle&) = delete;

    bool tune(double, double centreHz, std::string& problem) override
    {
        if (rtlsdr_set_center_freq(device_, static_cast<uint32_t>(std::lround(centreHz))) < 0) {
            problem = DeviceName(index_) + " did not take the frequency: was it unplugged?";
            return false;
        }
        // Samples already in the USB buffers belong to the old frequency.
        rtlsdr_reset_buffer(device_);
        return true;
    }

    bool read(std::span<uint8_t> bytes, std::string& problem) override
    {
        size_t done = 0;
        while (done < bytes.size()) {
            int got = 0;
            const int result =
                rtlsdr_read_sync(device_, bytes.data() + done, static_cast<int>(bytes.size() - done), &got);
            if (result < 0 || got <= 0) {
                problem = DeviceName(index_) + " stopped delivering samples: it was unplugged or failed";
                return false;
            }
            done += static_cast<size_t>(got);
        }
        return true;
    }

    double sampleRate() const override { return rate_; }
    bool pacedByItself() const override { return true; }

private:
    rtlsdr_dev_t* device_;
    uint32_t index_;
    double rate_;
};

std::unique_ptr<SdrDongle> OpenRtlSdr(uint32_t index, const DongleSettings& settings, std::string& problem)
{
    const uint32_t count = rtlsdr_get_device_count();
    if (index >= count) {
        problem = DeviceName(index) + " is not plugged in (" + std::to_string(count) +
                  (count == 1 ? " RTL-SDR dongle is" : " RTL-SDR dongles are") +
                  " present): plug it in, or choose another \"SDR device\"";
        return nullptr;
    }
    rtlsdr_dev_t* device = nullptr;
    if (const int error = rtlsdr_open(&device, index); error < 0 || !device) {
        problem = DongleOpenProblem(index, error);
        return nullptr;
    }
    const bool automatic = settings.gainTenthsDb == kAutomaticGain;
    if (rtlsdr_set_sample_rate(device, static_cast<uint32_t>(settings.sampleRate)) < 0 ||
        rtlsdr_set_tuner_gain_mode(device, automatic ? 0 : 1) < 0 ||
        (!automatic && rtlsdr_set_tuner_gain(device, settings.gainTenthsDb) < 0)) {
        rtlsdr_close(device);
        problem = DeviceName(index) + " refused its sample rate or gain";
        return nullptr;
    }
    // A correction of 0 is refused by librtlsdr as "no change"; it is the default anyway.
    if (settings.ppm != 0)
        rtlsdr_set_freq_correction(device, settings.ppm);
    return std::make_unique<RtlSdrDongle>(device, index, settings.sampleRate);
}

// A recording of rtl_sdr's bytes, played as the dongle that made it, from
// its start again at its end.
class IqReplayDongle : public SdrDongle {
public:
    IqReplayDongle(const std::string& path, FixedBand band) : reader_(path), band_(band) {}

    bool tune(double, double, std::string&) override { return true; }
    bool read(std::span<uint8_t> bytes, std::string& problem) override
    {
        if (reader_.read(bytes))
            return true;
        problem = "the IQ recording could not be read any further";
        return false;
    }
    double sampleRate() const override { return band_.sampleRate; }
    std::optional<FixedBand> fixedBand() const override { return band_; }

private:
    IqFileReader reader_;
    FixedBand band_;
};

bool ReadHz(const char* variable, double fallback, double& hz, std::string& problem)
{
    hz = fallback;
    const char* text = std::getenv(variable);
    if (!text || !*text)
        return true;
    char* end = nullptr;
    hz = std::strtod(text, &end);
    if (*end == '\0' && std::isfinite(hz) && hz > 0)
        return true;
    problem = std::string(variable) + " takes a frequency in Hz, like 1024000, not '" + text + "'";
    return false;
}

std::unique_ptr<SdrDongle> OpenIqReplay(const std::string& path, std::string& problem)
{
    FixedBand band;
    if (!ReadHz(IqRateVariable, DongleSettings{}.sampleRate, band.sampleRate, problem) ||
        !ReadHz(IqCentreVariable, DefaultIqCentreHz, band.centreHz, problem))
        return nullptr;
    try {
        return std::make_unique<IqReplayDongle>(path, band);
    } catch (const std::runtime_error& e) {
        problem = e.what();
        return nullptr;
    }
}
}  // namespace

std::string DongleOpenProblem(uint32_t index, int error)
{
    const std::string name = DeviceName(index);
    switch (error) {
    case UsbBusy:
        return name + " is in use: another program (rtl_fm, rtl_tcp, an SDR program) has it open, or the "
                      "kernel's DVB driver holds it. Close the other program; if none runs, unload the driver "
                      "(sudo modprobe -r dvb_usb_rtl28xxu) and keep it off by blacklisting it (a line "
                      "\"blacklist dvb_usb_rtl28xxu\" in /etc/modprobe.d/).";
    case UsbAccessDenied:
        return name + " may not be opened by this user: install the rtl-sdr package's udev rules (or add yourself "
                      "to the plugdev group) and plug the dongle in again.";
    case UsbNoDevice:
        return name + " went away while it was being opened: plug it in again.";
    default:
        return name + " could not be opened (librtlsdr error " + std::to_string(error) + ")";
    }
}

std::unique_ptr<SdrDongle> OpenSdrDongle(uint32_t index, const DongleSettings& settings, std::string& problem)
{
    if (const char* path = std::getenv(IqFileVariable); path && *path)
        return OpenIqReplay(path, problem);
    if (SimulatedCardSelected()) {
        if (index < SimulatedDongleCount)
            return OpenSimulatedDongle(settings, problem);
        problem = DeviceName(index) + " is not plugged in: the simulated machine has SDR device 0 only";
        return nullptr;
    }
    return OpenRtlSdr(index, settings, problem);
}

std::vector<DongleInfo> ListSdrDongles()
{
    std::vector<DongleInfo> dongles;
    if (SimulatedCardSelected()) {
        dongles.push_back({0, SimulatedDongleName, SimulatedDongleSerial});
        return dongles;
    }
    const uint32_t count = rtlsdr_get_device_count();
    for (uint32_t i = 0; i < count; ++i) {
        char vendor[UsbStringLength] = {};
        char product[UsbStringLength] = {};
        char serial[UsbStringLength] = {};
        DongleInfo info{i, rtlsdr_get_device_name(i), ""};
        // Fails while another program holds the dongle: the name still tells it apart.
        if (rtlsdr_get_device_usb_strings(i, vendor, product, serial) == 0)
            info.serial = serial;
        dongles.push_back(info);
    }
    return dongles;
}
