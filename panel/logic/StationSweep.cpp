#include "StationSweep.h"

#include "Frequency.h"
#include "PresetOrder.h"

#include <algorithm>
#include <cmath>

namespace {
// Frequencies are compared after rounding to 1 kHz, as a tune stores them.
double Kilohertz(double mhz)
{
    return static_cast<double>(RoundDigits(mhz, 3));
}
}  // namespace

bool KeepListening(const StationHeard& heard, int64_t elapsedMs)
{
    if (!heard.name.empty() || elapsedMs >= NameWaitMs)
        return false;
    return heard.hasPi || elapsedMs < PiWaitMs;
}

StationSweep::StationSweep(const SweepPlan& plan) : plan_(plan) {}

SweepAction StationSweep::Start()
{
    at_ = plan_.bandMinimum;
    return {SweepRequest::Tune, at_};
}

SweepAction StationSweep::Tuned(TuneState state)
{
    if (finished_)
        return {SweepRequest::Finished};
    if (tuningToStation_) {
        tuningToStation_ = false;
        listening_ = true;
        return {SweepRequest::Listen};
    }
    // A seek starts from the bottom of the band, where the first tune went.
    if (plan_.bySeek)
        return {SweepRequest::Seek};
    if (state > NotTuned) {
        if (!inRun_) {
            inRun_ = true;
            runStart_ = at_;
            runStereo_ = false;
        }
        runEnd_ = at_;
        runStereo_ = runStereo_ || state == TunedStereo;
        return Next();
    }
    if (inRun_) {
        inRun_ = false;
        resumeAt_ = at_;
        const double steps = std::round((runEnd_ - runStart_) / plan_.step);
        return StationAt(Kilohertz(runStart_ + std::round(steps / 2) * plan_.step), runStereo_);
    }
    return Next();
}

SweepAction StationSweep::Next()
{
    if (plan_.bySeek)
        return {SweepRequest::Seek};
    const double next = Kilohertz(at_ + plan_.step);
    if (next > plan_.bandMaximum) {
        // A station at the top of the band ends the run with the band.
        if (inRun_) {
            inRun_ = false;
            resumeAt_ = next;
            const double steps = std::round((runEnd_ - runStart_) / plan_.step);
            return StationAt(Kilohertz(runStart_ + std::round(steps / 2) * plan_.step), runStereo_);
        }
        return Finish();
    }
    at_ = next;
    return {SweepRequest::Tune, at_};
}

SweepAction StationSweep::StationAt(double mhz, bool stereo)
{
    listeningTo_ = SweptStation{mhz, stereo, ""};
    if (!plan_.listens) {
        found_.push_back(listeningTo_);
        return plan_.bySeek ? SweepAction{SweepRequest::Seek} : Next();
    }
    // The stepping has moved past the station's middle: back to it, where
    // its RDS is clearest.
    if (!plan_.bySeek && Kilohertz(mhz) != Kilohertz(at_)) {
        tuningToStation_ = true;
        return {SweepRequest::Tune, mhz};
    }
    listening_ = true;
    return {SweepRequest::Listen};
}

SweepAction StationSweep::Listening(const StationHeard& heard, int64_t elapsedMs)
{
    if (!listening_ || finished_)
        return {finished_ ? SweepRequest::Finished : SweepRequest::Listen};
    if (KeepListening(heard, elapsedMs))
        return {SweepRequest::Listen};
    listening_ = false;
    listeningTo_.name = heard.name;
    found_.push_back(listeningTo_);
    if (plan_.bySeek)
        return {SweepRequest::Seek};
    at_ = resumeAt_;
    return Next();
}

SweepAction StationSweep::Sought(const SeekResult& result, TuneState state)
{
    if (finished_)
        return {SweepRequest::Finished};
    if (result.outcome == SeekOutcome::Failed) {
        problem_ = result.problem;
        return Finish();
    }
    // Nothing more, or round past the top of the band to a station found
    // already: the band is done.
    const double mhz = Kilohertz(result.mhz);
    if (result.outcome == SeekOutcome::NothingFound || mhz <= Kilohertz(at_) || mhz > plan_.bandMaximum)
        return Finish();
    at_ = mhz;
    return StationAt(mhz, state == TunedStereo);
}

SweepAction StationSweep::Finish()
{
    finished_ = true;
    listening_ = false;
    return {SweepRequest::Finished};
}

int StationSweep::Percent() const
{
    const double width = plan_.bandMaximum - plan_.bandMinimum;
    if (finished_ || width <= 0.0)
        return 100;
    return std::clamp(static_cast<int>((at_ - plan_.bandMinimum) / width * 100.0), 0, 100);
}

std::string NameForWrittenSlot(const std::string& storedName, int n, const std::string& rdsName)
{
    if (!storedName.empty())
        return storedName;
    return rdsName.empty() ? "Preset " + std::to_string(n) : rdsName;
}

SlotPlan PlanPresetSlots(std::vector<SweptStation> chosen, const std::array<PresetSlot, PresetCount>& presets,
                         const SlotTarget& target)
{
    std::stable_sort(chosen.begin(), chosen.end(),
                     [](const SweptStation& a, const SweptStation& b) { return a.mhz < b.mhz; });
    std::vector<int> slots;
    if (target.bank) {
        for (int n = target.firstSlot; n < target.firstSlot + PresetsPerBank && n <= PresetCount; ++n)
            slots.push_back(n);
    } else {
        for (int n = 1; n <= PresetCount; ++n)
            if (presets[static_cast<size_t>(n - 1)].Frequency < LowestUsableFrequency)
                slots.push_back(n);
    }
    SlotPlan plan;
    for (size_t i = 0; i < chosen.size(); ++i) {
        if (i >= slots.size()) {
            plan.leftOut.push_back(chosen[i]);
            continue;
        }
        const int n = slots[i];
        plan.writes.push_back({n, PresetSlot{chosen[i].mhz, NameForWrittenSlot("", n, chosen[i].name), true}});
    }
    // A bank is replaced whole: what the stations do not fill is cleared.
    for (size_t i = chosen.size(); target.bank && i < slots.size(); ++i) {
        const PresetSlot& old = presets[static_cast<size_t>(slots[i] - 1)];
        if (old.Frequency != 0.0 || !old.StationName.empty())
            plan.writes.push_back({slots[i], PresetSlot{}});
    }
    return plan;
}
