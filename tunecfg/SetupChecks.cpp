// The checks a save passes before anything is written. Only what the user
// changed is checked: a stored value the setup program would not accept, but
// which the user left alone, must not stop every other change from being
// saved.

#include "SetupValues.h"

#include "Actions.h"
#include "AdapterCatalogue.h"
#include "AudioFormat.h"
#include "RecordingName.h"
#include "Presets.h"
#include "RegistryText.h"
#include "SdrSettings.h"

#include <algorithm>
#include <cstdlib>
#include <cmath>
#include <filesystem>
#include <sstream>

namespace {

constexpr size_t WeekdayCount = 7;
constexpr size_t MonthCount = 12;
constexpr int LastHour = 23;
constexpr int LastMinute = 59;
constexpr int LastDayOfMonth = 31;
constexpr int EveryOne = -1;  // hours, minutes, day of month: no restriction
constexpr char LastWeekOfMonth = '5';
// Long enough for any name a person gives an event; a key name beyond it
// is more likely a paste gone wrong.
constexpr size_t MaxEventNameLength = 255;

bool IsMask(const std::string& mask, size_t length)
{
    return mask.size() == length && std::all_of(mask.begin(), mask.end(), [](char c) { return c == '0' || c == '1'; });
}

bool MarksNothing(const std::string& mask)
{
    return mask.find('1') == std::string::npos;
}

std::string StepProblem(const char* label, double step)
{
    if (std::isfinite(step) && step >= MinTuneStep && step <= MaxTuneStep)
        return {};
    std::ostringstream text;
    text << label << " must be from " << MinTuneStep << " to " << MaxTuneStep << " MHz.";
    return text.str();
}

std::string CardProblem(const SetupValues& v)
{
    const AdapterEntry* row = AdapterRow(v.Adapter);
    if (!row)
        return "Choose one of the radio cards in the list.";
    // A dongle is named by its index, which has no wrong value to choose here.
    if (v.Adapter == SdrAdapter)
        return {};
    if (v.Adapter == V4L2Adapter) {
        if (v.RadioDevice.empty() || v.RadioDevice.front() != '/')
            return "Choose the receiver's device, a full path such as /dev/radio0.";
        return {};
    }
    if (v.PortNumber < 1 || v.PortNumber > row->choiceCount)
        return "Choose one of the ports the " + std::string(row->name) + " card offers.";
    if (v.CardPort != static_cast<uint16_t>(row->choice(v.PortNumber).value))
        return "The port does not belong to the choice made for the " + std::string(row->name) + " card.";
    return {};
}

std::string FolderProblem(const std::string& folder)
{
    if (folder.empty())
        return {};
    if (folder.front() != '/')
        return "The program folder must be a full path starting with /, or empty for Tunzo's own folder.";
    if (folder.size() > 1 && folder.back() == '/')
        return "The program folder must not end with /.";
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec))
        return "The program folder " + folder + " does not exist.";
    return {};
}

// The dongle's own values, each checked where the user changed it.
template <class Note>
void CheckDongleValues(const SetupValues& stored, const SetupValues& v, Note note)
{
    if (v.SdrDevice != stored.SdrDevice && v.SdrDevice < 0)
        note("Choose one of the RTL-SDR dongles in the list.");
    if (v.SdrGain != stored.SdrGain && (v.SdrGain < SdrAutomaticGain || v.SdrGain > MaxSdrGainTenthsDb))
        note("The dongle's gain is automatic or from 0.1 to " +
             std::to_string(static_cast<int>(MaxSdrGainTenthsDb / SdrGainTenthsPerDb)) + " dB.");
    if (v.SdrFrequencyCorrection != stored.SdrFrequencyCorrection &&
        std::abs(v.SdrFrequencyCorrection) > MaxSdrFrequencyCorrectionPpm)
        note("The dongle's frequency correction is from -" + std::to_string(MaxSdrFrequencyCorrectionPpm) + " to " +
             std::to_string(MaxSdrFrequencyCorrectionPpm) + " ppm.");
    if (v.Deemphasis != stored.Deemphasis && v.Deemphasis != DeemphasisEuropeMicroseconds &&
        v.Deemphasis != DeemphasisAmericasMicroseconds)
        note("De-emphasis is 50 or 75 microseconds.");
}

void CheckValues(const SetupValues& stored, const SetupValues& v, int mixerDevices, std::vector<std::string>& problems)
{
    auto note = [&](const std::string& problem) {
        if (!problem.empty())
            problems.push_back(problem);
    };
    if (v.Adapter != stored.Adapter || v.PortNumber != stored.PortNumber || v.CardPort != stored.CardPort)
        note(CardProblem(v));
    if (v.TuneStep != stored.TuneStep)
        note(StepProblem("The tune step", v.TuneStep));
    if (v.FineTuneStep != stored.FineTuneStep)
        note(StepProblem("The fine tune step", v.FineTuneStep));
    if (v.PresetScanDelay != stored.PresetScanDelay &&
        (v.PresetScanDelay < MinPresetScanDelay || v.PresetScanDelay > MaxPresetScanDelay))
        note("The preset scan stays " + std::to_string(MinPresetScanDelay) + " to " +
             std::to_string(MaxPresetScanDelay) + " seconds on each preset.");
    for (int8_t SetupValues::*icons : {&SetupValues::IconsWhenShown, &SetupValues::IconsWhenMinimized})
        if (v.*icons != stored.*icons && (v.*icons < IconsTrayOnly || v.*icons > IconsBoth))
            note("Choose where the radio shows itself: tray icon, taskbar button or both.");
    if (v.ShutdownOptions != stored.ShutdownOptions && (v.ShutdownOptions < 0 || v.ShutdownOptions > MaxShutdownOption))
        note("Choose what the Power button does to the radio.");
    if (v.VolumeControl != stored.VolumeControl && v.VolumeControl != VolumeOnCard && v.VolumeControl != VolumeOnLineIn)
        note("Choose where the volume buttons act.");
    if (v.VolumeControl != stored.VolumeControl && v.VolumeControl == VolumeOnLineIn && mixerDevices < 1)
        note("There is no sound card mixer, so the volume buttons can only act on the radio card.");
    if (v.AuxVolumeControl != stored.AuxVolumeControl && (v.AuxVolumeControl < 0 || v.AuxVolumeControl >= mixerDevices))
        note("Choose one of the sound card's mixer controls.");
    if (v.ProgramFolder != stored.ProgramFolder)
        note(FolderProblem(v.ProgramFolder));
    CheckDongleValues(stored, v, note);
    if (v.AudioOutput != stored.AudioOutput && v.AudioOutput.empty())
        note("Name the sound output, or choose \"default\" for the desktop's sound.");
    if (v.AudioLatency != stored.AudioLatency && (v.AudioLatency < kMinLatencyMs || v.AudioLatency > kMaxLatencyMs))
        note("The sound's latency must be from " + std::to_string(kMinLatencyMs) + " to " +
             std::to_string(kMaxLatencyMs) + " ms.");
    if (v.RecordingFormat != stored.RecordingFormat && !RecordingFormatFromName(v.RecordingFormat))
        note("Choose FLAC, Ogg Vorbis or WAV for the recordings.");
    if (v.RecordingsFolder != stored.RecordingsFolder && !v.RecordingsFolder.empty() &&
        v.RecordingsFolder.front() != '/')
        note("The recordings folder must be a full path starting with /, or empty for the music folder.");
}

std::string NameProblem(const std::string& name, const std::vector<SetupEvent>& events, const SetupEvent* self)
{
    if (name.empty())
        return "Give the event a name.";
    if (name.size() > MaxEventNameLength)
        return "An event's name is at most " + std::to_string(MaxEventNameLength) + " characters long.";
    // The panel reads names with blanks and control characters cut from both
    // ends: a name that has them would not be found again, and one event key
    // that cannot be found switches every event off.
    if (static_cast<unsigned char>(name.front()) <= ' ' || static_cast<unsigned char>(name.back()) <= ' ')
        return "An event's name cannot begin or end with a blank.";
    if (std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < ' '; }))
        return "An event's name cannot hold control characters.";
    if (name.find('\\') != std::string::npos)
        return "An event's name cannot hold a backslash (\\).";
    for (const SetupEvent& other : events)
        if (&other != self && !other.removed && SameTextAscii(other.event.Name, name))
            return "There is already an event named \"" + other.event.Name + "\".";
    return {};
}

std::string UpperCaseAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// The preset number of "PRE:n": 1 to PresetCount, in the four characters the
// panel reads after the keyword.
bool IsPresetNumber(const std::string& digits)
{
    constexpr size_t MaxDigits = 4;
    if (digits.empty() || digits.size() > MaxDigits ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    const int preset = std::stoi(digits);
    return preset >= 1 && preset <= PresetCount;
}

// The minutes of "REC:m": none (until stopped) or the four digits the
// panel reads after the keyword.
bool IsMinutes(const std::string& digits)
{
    constexpr size_t MaxDigits = 4;
    return digits.size() <= MaxDigits &&
           std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string WordProblem(const std::string& word)
{
    const std::string upper = UpperCaseAscii(word);
    for (int code = 0; code < static_cast<int>(ActionVocabulary.size()); ++code) {
        const ActionWord& action = ActionVocabulary[static_cast<size_t>(code)];
        if (code == ActionWait)
            continue;
        if (action.ParameterKind == 0 && upper == action.Keyword)
            return {};
        if (action.ParameterKind == 0 || !upper.starts_with(action.Keyword))
            continue;
        const std::string parameter = word.substr(action.Keyword.size());
        if (code == ActionRecord)
            return IsMinutes(parameter) ? std::string()
                                        : "\"" + word + "\" needs the minutes to record (0 to 9999; 0 stops) after " +
                                              std::string(action.Keyword) + ", or nothing to record until stopped.";
        if (IsPresetNumber(parameter))
            return {};
        return "\"" + word + "\" needs a preset number from 1 to " + std::to_string(PresetCount) + " after " +
               std::string(action.Keyword) + ".";
    }
    const std::string_view wait = ActionVocabulary[ActionWait].Keyword;
    if (upper.starts_with(wait))
        return "Tunzo does not carry out " + std::string(wait) + ": leave \"" + word + "\" out.";
    return "\"" + word + "\" is not an action Tunzo knows.";
}

}  // namespace

std::string CheckActionText(const std::string& text)
{
    std::istringstream words(text);
    std::string word;
    int count = 0;
    while (words >> word) {
        if (const std::string problem = WordProblem(word); !problem.empty())
            return problem;
        ++count;
    }
    if (count == 0)
        return "Give the event at least one action.";
    if (count > PanelActionListCapacity)
        return "An event carries out at most " + std::to_string(PanelActionListCapacity) + " actions.";
    // The panel splits at single blanks only; a tab would join two words.
    if (text.find_first_of("\t\r\n") != std::string::npos)
        return "Separate the actions with blanks.";
    return {};
}

std::string CheckEvent(const ScheduledEvent& e, const std::optional<ScheduledEvent>& stored,
                       const std::vector<SetupEvent>& events, const SetupEvent* self)
{
    auto changed = [&](auto member) { return !stored || (*stored).*member != e.*member; };
    if (!stored || stored->Name != e.Name)
        if (std::string problem = NameProblem(e.Name, events, self); !problem.empty())
            return problem;
    if (changed(&ScheduledEvent::Hours) && (e.Hours < EveryOne || e.Hours > LastHour))
        return "The hour must be 0 to 23, or every hour.";
    if (changed(&ScheduledEvent::Minutes) && (e.Minutes < EveryOne || e.Minutes > LastMinute))
        return "The minute must be 0 to 59, or every minute.";
    if (changed(&ScheduledEvent::DaysOfMonth) &&
        (e.DaysOfMonth == 0 || e.DaysOfMonth < EveryOne || e.DaysOfMonth > LastDayOfMonth))
        return "The day of the month must be 1 to 31, or any day.";
    if (changed(&ScheduledEvent::Weekdays) || changed(&ScheduledEvent::EveryXDays)) {
        if (!IsMask(e.Weekdays, WeekdayCount))
            return "Mark each day of the week on or off.";
        if (MarksNothing(e.Weekdays) && e.EveryXDays != 1)
            return "Tick at least one day of the week, or every day.";
    }
    if (changed(&ScheduledEvent::Months)) {
        if (!IsMask(e.Months, MonthCount))
            return "Mark each month on or off.";
        if (MarksNothing(e.Months))
            return "Tick at least one month.";
    }
    if (changed(&ScheduledEvent::MonthlyDays) && e.MonthlyDays != NoMonthlyRule &&
        (e.MonthlyDays.empty() || e.MonthlyDays[0] < '1' || e.MonthlyDays[0] > LastWeekOfMonth))
        return "Choose a week of the month, or any week.";
    if (changed(&ScheduledEvent::Action))
        return CheckActionText(e.Action);
    return {};
}

std::vector<std::string> CheckSetup(const SetupState& setup, int mixerDevices)
{
    std::vector<std::string> problems;
    CheckValues(setup.stored, setup.values, mixerDevices, problems);
    const auto kept = std::count_if(setup.events.begin(), setup.events.end(), [](const SetupEvent& e) { return !e.removed; });
    if (kept > EventCapacity)
        problems.push_back("Tunzo carries out at most " + std::to_string(EventCapacity) + " scheduled events.");
    for (const SetupEvent& e : setup.events)
        if (!e.removed)
            if (std::string problem = CheckEvent(e.event, e.stored, setup.events, &e); !problem.empty())
                problems.push_back(e.event.Name + ": " + problem);
    return problems;
}
