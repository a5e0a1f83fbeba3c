#include "SdrReceiver.h"
#include "SdrSession.h"

#include "BandScan.h"
#include "Frequency.h"
#include "PortBackend.h"
#include "ReceiverFeed.h"
#include "SdrDongles.h"
#include "TunerSettings.h"
#include "V4L2Radio.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>

namespace {
void ApplyGain(Session& s)
{
    if (!s.receiver)
        return;
    s.receiver->setMuted(s.muted);
    s.receiver->setGain(static_cast<float>(s.volume) / SdrVolumeSteps);
}

// Where the dongle sits for a station, and where the station then is in
// its samples; false when a recording does not hold the station.
bool Placement(const Session& s, double stationHz, double& centreHz, double& offsetHz)
{
    const std::optional<FixedBand> band = s.dongle->fixedBand();
    if (!band) {
        offsetHz = kDongleTuningOffsetHz;
        centreHz = stationHz - offsetHz;
        return true;
    }
    centreHz = band->centreHz;
    offsetHz = stationHz - band->centreHz;
    return std::fabs(offsetHz) + kChannelCutoffHz <= band->sampleRate / 2;
}

std::string OutsideRecording(const FixedBand& band, double stationHz)
{
    return "the IQ recording holds " + MHzText(band.centreHz - band.sampleRate / 2) + " to " +
           MHzText(band.centreHz + band.sampleRate / 2) + " MHz: it cannot take " + MHzText(stationHz) + " MHz.";
}

bool TuneStation(Session& s, double stationHz, std::string& refusal)
{
    double centreHz = 0;
    double offsetHz = 0;
    if (!Placement(s, stationHz, centreHz, offsetHz)) {
        refusal = OutsideRecording(*s.dongle->fixedBand(), stationHz);
        return false;
    }
    std::string problem;
    ++s.tunings;
    if (!s.dongle->tune(stationHz, centreHz, problem)) {
        Lost(s, problem);
        return false;
    }
    s.receiver->setOffset(offsetHz);
    s.stationHz = stationHz;
    s.state = ReceiverState{};
    std::vector<uint8_t> settle;
    return Read(s, SdrSettleSeconds, settle);
}

void Trace(const std::string& change)
{
    CurrentPortBackend().receiverChanged("sdr " + std::to_string(TunerSettings.SdrDevice) + " " + change);
}

// What differs from a dongle's power-on state is said in the trace.
void TraceChoices(const SdrChoices& choices)
{
    if (choices.gainTenthsDb != kAutomaticGain) {
        char gain[32];
        std::snprintf(gain, sizeof gain, "gain %.1f", choices.gainTenthsDb / SdrGainTenthsPerDb);
        Trace(gain);
    }
    if (choices.ppm != 0)
        Trace("ppm " + std::to_string(choices.ppm));
}

bool Open(Session& s, std::string& problem)
{
    if (s.dongle)
        return true;
    const SdrChoices choices = SdrChoicesOf(TunerSettings);
    s.dongle = OpenSdrDongle(choices.device, SdrDongleSettings(choices), problem);
    if (!s.dongle)
        return false;
    const ReceiverSettings settings = SdrReceiverSettings(choices, s.dongle->sampleRate());
    try {
        s.receiver = std::make_unique<FmReceiver>(settings);
    } catch (const std::invalid_argument&) {
        problem = "the IQ sample rate of " + std::to_string(std::lround(settings.inputRate)) +
                  " Hz cannot be received: record at 1024000 Hz, or say the rate in " + IqRateVariable;
        s.dongle.reset();
        return false;
    }
    s.opened = choices;
    s.problem.clear();
    TraceChoices(choices);
    ApplyGain(s);
    // A dongle that kept its station for another program is heard there again.
    const double remembered = s.stationHz > 0 ? s.stationHz : s.dongle->rememberedStationHz();
    std::string refusal;
    if (remembered > 0 && !TuneStation(s, remembered, refusal) && !s.dongle)
        problem = s.problem;
    return s.dongle != nullptr;
}

void SdrTune(double mhz)
{
    std::string refusal;
    {
        std::lock_guard lock(SessionMutex());
        Session& s = TheSession();
        std::string problem;
        if (!Open(s, problem)) {
            s.problem = problem;
            return;
        }
        const double stationHz = std::round(mhz * 1000.0) * (HzPerMHz / 1000.0);
        // As every other card's tune, this one switches the sound on.
        s.muted = false;
        ApplyGain(s);
        if (TuneStation(s, stationHz, refusal))
            Trace("frequency " + MHzText(stationHz));
        // A refused station leaves the recording on the one it played: the
        // window shows that one, as it does for a receiver that refuses.
        if (!refusal.empty() && s.stationHz > 0)
            TunerSettings.CurrentFrequency = static_cast<double>(RoundDigits(s.stationHz / HzPerMHz, 3));
    }
    if (!refusal.empty() && ReportReceiverRefusal)
        ReportReceiverRefusal(refusal);
}

TuneState SdrStatus()
{
    std::lock_guard lock(SessionMutex());
    Session& s = TheSession();
    std::string problem;
    if (!Open(s, problem)) {
        s.problem = problem;
        return NotTuned;
    }
    // While the reading thread runs, its last measure answers at once.
    const bool measured = s.reading ? s.stationHz > 0 : s.stationHz > 0 && Measure(s, SdrMeasureSeconds);
    if (!measured || !s.state.signal)
        return NotTuned;
    // The pilot says the station sends stereo; the blend to it takes longer
    // than a status waits, and follows the signal's quality as it plays.
    return s.state.pilot ? TunedStereo : Tuned;
}

void SetSound(bool muted, int volumeStep)
{
    std::lock_guard lock(SessionMutex());
    Session& s = TheSession();
    s.muted = muted;
    s.volume = std::clamp(s.volume + volumeStep, 0, SdrVolumeSteps);
    ApplyGain(s);
}

int ChannelOf(double hz)
{
    return static_cast<int>(std::lround(hz / SdrChannelSpacingHz));
}

// One look at the band around `centreHz`: every channel in it measured at
// once, filed by channel number.
bool Look(Session& s, double centreHz, std::map<int, SignalMeasure>& seen)
{
    const std::optional<FixedBand> band = s.dongle->fixedBand();
    if (band)
        centreHz = band->centreHz;
    std::string problem;
    std::vector<uint8_t> bytes;
    ++s.tunings;
    if (!s.dongle->tune(centreHz, centreHz, problem)) {
        Lost(s, problem);
        return false;
    }
    if (!Read(s, SdrSettleSeconds, bytes) || !Read(s, SdrLookSeconds, bytes))
        return false;
    for (const ChannelReading& r : ScanBand(bytes, s.dongle->sampleRate(), SdrChannelSpacingHz))
        seen[ChannelOf(centreHz + r.offsetHz)] = r.measure;
    return true;
}

// A channel is a station when its carrier stands over the noise and above
// both neighbours: a station spills into the channels beside it.
bool Peak(const std::map<int, SignalMeasure>& seen, int channel)
{
    const SignalMeasure& m = seen.at(channel);
    for (int side : {-1, +1})
        if (const auto next = seen.find(channel + side); next != seen.end() && next->second.powerDb > m.powerDb)
            return false;
    return IsStation(m);
}

// Each candidate is confirmed by the receiver itself, tuned to it.
bool Confirmed(Session& s, int channel)
{
    std::string refusal;
    return TuneStation(s, channel * SdrChannelSpacingHz, refusal) && Measure(s, SdrMeasureSeconds) && s.state.signal;
}

SeekResult Search(Session& s, bool upward)
{
    SeekResult result;
    if (!Open(s, result.problem))
        return result;
    const double startHz = s.stationHz > 0 ? s.stationHz : TunerSettings.BandMinimum * HzPerMHz;
    const int start = ChannelOf(startHz);
    const int step = upward ? 1 : -1;
    const int lowest = ChannelOf(TunerSettings.BandMinimum * HzPerMHz);
    const int highest = ChannelOf(TunerSettings.BandMaximum * HzPerMHz);
    // A recording shows all it holds in its first look; a dongle is moved
    // along the band look by look.
    const bool wholeInOneLook = s.dongle->fixedBand().has_value();
    std::map<int, SignalMeasure> seen;
    int next = start + step;  // the first channel not judged yet
    for (int look = 1; next >= lowest && next <= highest; ++look) {
        if (!Look(s, (start + step * SdrLookStepChannels * look) * SdrChannelSpacingHz, seen)) {
            result.problem = s.problem;
            return result;
        }
        // A channel is judged once both its neighbours have been seen.
        for (; next >= lowest && next <= highest && (wholeInOneLook || (seen.count(next) && seen.count(next + step)));
             next += step) {
            if (seen.count(next) && Peak(seen, next) && Confirmed(s, next)) {
                Trace("frequency " + MHzText(s.stationHz));
                return {SeekOutcome::Found, s.stationHz / HzPerMHz, ""};
            }
            if (!s.dongle) {
                result.problem = s.problem;
                return result;
            }
        }
        if (wholeInOneLook)
            break;
    }
    // Nothing found: back where the search started.
    std::string refusal;
    if (!TuneStation(s, startHz, refusal) && !s.dongle) {
        result.problem = s.problem;
        return result;
    }
    return {SeekOutcome::NothingFound, startHz / HzPerMHz, ""};
}

SeekResult SdrSeek(bool upward)
{
    // The search tunes by itself, not through the dispatch's tune: what the
    // station it leaves said goes at once, and nothing heard on the way
    // stays for the station it stops on.
    ReceiverFeedStationChanged();
    SeekResult result;
    {
        std::lock_guard lock(SessionMutex());
        result = Search(TheSession(), upward);
    }
    ReceiverFeedStationChanged();
    return result;
}

// Cheap while the dongle works; a dongle that went away is looked for again.
ReceiverPresence SdrCheck()
{
    std::lock_guard lock(SessionMutex());
    Session& s = TheSession();
    if (s.dongle)
        return ReceiverPresence::Present;
    if (s.problem.empty())
        return ReceiverPresence::Present;  // never opened: nothing to report
    std::string problem;
    if (Open(s, problem)) {
        s.away = false;
        return ReceiverPresence::CameBack;
    }
    const bool first = !s.away;
    s.away = true;
    return first ? ReceiverPresence::WentAway : ReceiverPresence::Away;
}

bool SdrOpen(std::string& problem)
{
    return OpenSdrReceiver(problem);
}

// The dongle only receives while a program reads it: there is no station
// it goes on playing for the next program to show.
bool SdrSetting(double&, bool&)
{
    return false;
}

bool SdrSeeks()
{
    return true;
}

void SdrMute() { SetSound(true, 0); }
void SdrUnmute() { SetSound(false, 0); }
void SdrVolumeUp() { SetSound(false, +1); }
void SdrVolumeDown() { SetSound(false, -1); }
}  // namespace

bool OpenSdrReceiver(std::string& problem)
{
    std::lock_guard lock(SessionMutex());
    Session& s = TheSession();
    // A reload after the setup program chose another dongle, gain,
    // correction or de-emphasis: opened afresh, on the station it plays.
    if (s.dongle && !(s.opened == SdrChoicesOf(TunerSettings))) {
        s.dongle.reset();
        s.receiver.reset();
        s.state = ReceiverState{};
    }
    return Open(s, problem);
}

void CloseSdrReceiver()
{
    std::lock_guard lock(SessionMutex());
    Session& s = TheSession();
    s.dongle.reset();
    s.receiver.reset();
    s.stationHz = 0;
    s.muted = false;
    s.volume = SdrVolumeSteps;
    s.away = false;
    s.problem.clear();
}

std::string SdrReceiverProblem()
{
    std::lock_guard lock(SessionMutex());
    return TheSession().problem;
}

bool SdrStationTuned()
{
    std::lock_guard lock(SessionMutex());
    return TheSession().stationHz > 0;
}

ReceiverState SdrReceiverState()
{
    std::lock_guard lock(SessionMutex());
    return TheSession().state;
}

const CardOps SdrRadioOps = {"RTL-SDR", SdrTune, SdrStatus, SdrMute, SdrUnmute, SdrVolumeUp, SdrVolumeDown};
const ReceiverOps SdrReceiverOps = {"RTL-SDR",      SdrOpen,  CloseSdrReceiver, SdrReceiverProblem,
                                    SdrCheck,       SdrSeeks, SdrSeek,
                                    SdrSetting};
