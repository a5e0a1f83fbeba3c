#include "CardToolReceiver.h"

#include "AdapterCatalogue.h"
#include "CardToolFeed.h"
#include "Frequency.h"
#include "RadioDriver.h"
#include "TunerSettings.h"
#include "SdrDongles.h"
#include "V4L2Radio.h"

#include <cerrno>
#include <cstdlib>

namespace {
const ReceiverOps& Receiver()
{
    return *RadioDriver::ReceiverFor(TunerSettings.Adapter);
}

std::string StationText(double mhz)
{
    return FrequencyText(static_cast<double>(RoundDigits(mhz, 3)));
}

int Seek(bool upward, std::ostream& out, std::ostream& err)
{
    const SeekResult result = Receiver().seek(upward);
    switch (result.outcome) {
    case SeekOutcome::Found:
        out << StationText(result.mhz) << "\n";
        return 0;
    case SeekOutcome::NothingFound:
        out << "nothing found; the tuner stopped at " << StationText(result.mhz) << " MHz\n";
        return 1;
    case SeekOutcome::Failed:
        break;
    }
    err << "tunzo-card: " << result.problem << "\n";
    return 1;
}

// From the bottom of the band upwards, one hardware seek after another,
// until the tuner wraps around or finds nothing more; then back to where the
// radio was, as a scan of a port card does.
int ScanBySeeking(std::ostream& out, std::ostream& err, bool errIsTerminal)
{
    double before = TunerSettings.CurrentFrequency;
    bool muted = false;
    Receiver().setting(before, muted);  // where it really is, when it can tell
    const char* clear = errIsTerminal ? ClearProgressLine : "";
    RadioDriver::Tune(TunerSettings.BandMinimum);
    double last = TunerSettings.CurrentFrequency;
    int found = 0;
    for (;;) {
        if (errIsTerminal)
            err << "\rsearching up from " << StationText(last) << " MHz " << std::flush;
        const SeekResult result = Receiver().seek(true);
        if (result.outcome == SeekOutcome::Failed) {
            err << clear << "tunzo-card: " << result.problem << "\n";
            return 1;
        }
        if (result.outcome == SeekOutcome::NothingFound || result.mhz <= last || result.mhz > TunerSettings.BandMaximum)
            break;
        last = result.mhz;
        err << clear;
        out << StationText(result.mhz) << (RadioDriver::TunedStatus() == TunedStereo ? " stereo" : "")
            << StationNameSuffix() << "\n" << std::flush;
        ++found;
    }
    RadioDriver::Tune(before);
    if (muted)
        RadioDriver::Mute();
    err << clear << "scanned " << FrequencyText(TunerSettings.BandMinimum) << " to "
        << FrequencyText(TunerSettings.BandMaximum) << " MHz: " << found << (found == 1 ? " station" : " stations")
        << "; back on " << StationText(before) << " MHz\n";
    return 0;
}
}  // namespace

int ListReceiversCommand(std::ostream& out, std::ostream& err)
{
    const std::vector<ReceiverInfo> receivers = ListReceivers();
    for (const ReceiverInfo& r : receivers)
        out << r.path << "  " << r.card << "  driver " << r.driver << "  bus " << r.bus << "\n";
    if (receivers.empty()) {
        err << "tunzo-card: no V4L2 radio receiver found (is it plugged in, and are you in the video group?)\n";
        return 1;
    }
    return 0;
}

int ListDonglesCommand(std::ostream& out, std::ostream& err)
{
    const std::vector<DongleInfo> dongles = ListSdrDongles();
    for (const DongleInfo& d : dongles)
        out << d.index << "  " << d.name << "  serial " << (d.serial.empty() ? "unknown (in use?)" : d.serial) << "\n";
    if (dongles.empty()) {
        err << "tunzo-card: no RTL-SDR dongle found (is it plugged in?)\n";
        return 1;
    }
    return 0;
}

bool ParseDongleIndex(const std::string& text, int32_t& index)
{
    char* end = nullptr;
    errno = 0;
    const long n = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || n < 0 || n > MaxDongleIndex)
        return false;
    index = static_cast<int32_t>(n);
    return true;
}

int RunOnReceiver(const std::string& verb, bool upward, std::ostream& out, std::ostream& err, bool errIsTerminal,
                  const std::function<void()>& cardCommand)
{
    std::string problem;
    if (!Receiver().open(problem)) {
        err << "tunzo-card: " << problem << "\n";
        return 1;
    }
    if (verb == "seek")
        return Seek(upward, out, err);
    if (verb == "scan" && Receiver().seeks())
        return ScanBySeeking(out, err, errIsTerminal);
    bool refused = false;
    ReportReceiverRefusal = [&](const std::string& message) {
        err << "tunzo-card: " << message << "\n";
        refused = true;
    };
    cardCommand();
    ReportReceiverRefusal = nullptr;
    if (refused)
        return 1;
    // The device may have gone while the command ran.
    if (const std::string failure = Receiver().problem(); !failure.empty()) {
        err << "tunzo-card: " << failure << "\n";
        return 1;
    }
    return 0;
}
