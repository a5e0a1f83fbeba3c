#include "CardToolFeed.h"

#include "AdapterCatalogue.h"
#include "AudioFormat.h"
#include "Frequency.h"
#include "RadioDriver.h"
#include "ReceiverFeed.h"
#include "Recorder.h"
#include "RecordingName.h"
#include "Registry.h"
#include "SettingsStore.h"
#include "TunerSettings.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <optional>

namespace {
using Clock = std::chrono::steady_clock;
// A receiver's sound may start a little late (a capture device opening),
// and a sound card's clock may run slow against the computer's by a fraction
// of a percent; past this much longer than asked the recording ends with
// what came.
constexpr double RecordingGraceSeconds = 5.0;
constexpr double RecordingClockSlack = 0.02;
// The main key's value naming the capture device for a card whose sound
// leaves it by a cable (or to override a stick's own).
constexpr const char* AudioInputValue = "Audio input";

// "Audio input" as the settings store holds it, read here so that the tool
// needs nothing of the panel's settings.
std::string StoredAudioInput()
{
    try {
        TRegistry registry;
        if (!registry.OpenKey(MainKey, false))
            return {};
        std::string input = registry.ReadString(AudioInputValue);
        registry.CloseKey();
        return input;
    } catch (const std::exception&) {
        return {};  // another kind of value: as if none were set
    }
}

FeedSettings ToolFeedSettings()
{
    FeedSettings settings;
    settings.adapter = TunerSettings.Adapter;
    settings.audioInput = StoredAudioInput();
    return settings;
}

// The receiver opened as the other commands open it, so that a device that
// is not there is told in the same words. Port cards open nothing.
bool OpenReceiver(std::ostream& err)
{
    const ReceiverOps* receiver = RadioDriver::ReceiverFor(TunerSettings.Adapter);
    std::string problem;
    if (receiver && !receiver->open(problem)) {
        err << "tunzo-card: " << problem << "\n";
        return false;
    }
    return true;
}

std::string AdapterName()
{
    const AdapterEntry* row = AdapterRow(TunerSettings.Adapter);
    return row ? std::string(row->name) : std::string("card");
}

// What the feed's threads tell the command's thread.
struct Listening {
    std::mutex mutex;
    std::condition_variable changed;
    std::optional<std::string> failure;

    // The feed's failure ends the wait with the feed's own message.
    std::function<void(const std::string&)> failedCallback()
    {
        return [this](const std::string& message) {
            std::lock_guard lock(mutex);
            failure = message;
            changed.notify_all();
        };
    }
};

Clock::time_point After(double seconds)
{
    return Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}
}  // namespace

int RdsCommand(double seconds, std::ostream& out, std::ostream& err)
{
    if (!OpenReceiver(err))
        return 1;
    const FeedSettings settings = ToolFeedSettings();
    if (!ReceiverFeedAbilities(settings).rds) {
        err << "tunzo-card: the " << AdapterName() << " receives no RDS: there is nothing to show\n";
        return 2;
    }
    Listening listening;
    bool heard = false;
    FeedCallbacks callbacks;
    callbacks.rds = [&](uint32_t changed, const RdsState& state) {
        std::lock_guard lock(listening.mutex);
        for (const std::string& line : RdsChangeLines(changed, state, settings.standard))
            out << line << "\n";
        out << std::flush;
        heard = true;
    };
    callbacks.failed = listening.failedCallback();
    std::string problem;
    if (!StartReceiverFeed(settings, std::move(callbacks), problem)) {
        err << "tunzo-card: " << problem << "\n";
        return 1;
    }
    {
        std::unique_lock lock(listening.mutex);
        listening.changed.wait_until(lock, After(seconds), [&] { return listening.failure.has_value(); });
    }
    StopReceiverFeed();
    if (listening.failure) {
        err << "tunzo-card: " << *listening.failure << "\n";
        return 1;
    }
    if (!heard)
        err << "tunzo-card: nothing came by RDS: the station sends none, or its signal is too weak for it\n";
    return 0;
}

int RecordCommand(double seconds, const std::string& file, std::ostream& out, std::ostream& err)
{
    if (!OpenReceiver(err))
        return 1;
    const FeedSettings settings = ToolFeedSettings();
    if (!ReceiverFeedAbilities(settings).samples) {
        err << "tunzo-card: the " << AdapterName()
            << "'s sound does not come into the computer as samples: set \"Audio input\" in tunecfg to the "
               "sound card input it is plugged into\n";
        return 2;
    }
    double mhz = TunerSettings.CurrentFrequency;
    bool muted = false;
    if (const ReceiverOps* receiver = RadioDriver::ReceiverFor(TunerSettings.Adapter))
        receiver->setting(mhz, muted);  // where it really is, when it can tell
    Recorder recorder;
    std::string error;
    if (!recorder.startFile(file, StationLabel(std::string(), static_cast<double>(RoundDigits(mhz, 3)), "."), &error)) {
        err << "tunzo-card: " << error << "\n";
        return 1;
    }
    // Counted in frames, not by the clock: the file holds exactly the
    // length asked for, however the receiver's clock runs.
    const size_t wanted = static_cast<size_t>(std::llround(seconds * kAudioRate));
    size_t taken = 0;
    Listening listening;
    FeedCallbacks callbacks;
    callbacks.audio = [&](const float* frames, size_t count) {
        std::lock_guard lock(listening.mutex);
        const size_t use = std::min(count, wanted - taken);
        recorder.write(frames, use);
        taken += use;
        if (taken == wanted)
            listening.changed.notify_all();
    };
    callbacks.failed = listening.failedCallback();
    std::string problem;
    if (!StartReceiverFeed(settings, std::move(callbacks), problem)) {
        recorder.stop();
        err << "tunzo-card: " << problem << "\n";
        return 1;
    }
    {
        std::unique_lock lock(listening.mutex);
        listening.changed.wait_until(lock, After(seconds * (1 + RecordingClockSlack) + RecordingGraceSeconds),
                                     [&] { return taken == wanted || listening.failure.has_value(); });
    }
    StopReceiverFeed();
    recorder.stop();
    const RecorderStatus status = recorder.status();
    if (status.state == RecorderState::Failed) {
        err << "tunzo-card: " << status.message << "\n";
        return 1;
    }
    out << file << ": " << FrequencyText(static_cast<double>(RoundDigits(MsForFrames(taken) / 1000.0, 1)))
        << " s recorded\n";
    if (listening.failure) {
        err << "tunzo-card: " << *listening.failure << "\n";
        return 1;
    }
    if (taken < wanted) {
        err << "tunzo-card: the receiver's sound stopped coming; the file holds what came\n";
        return 1;
    }
    return 0;
}

namespace {
// What the feed said last, for a scan that waits for names.
struct NameWatchState {
    std::mutex mutex;
    std::condition_variable changed;
    bool active = false;
    bool hasPi = false;
    std::string name;
    bool failed = false;
};

NameWatchState& Names()
{
    static NameWatchState state;
    return state;
}

bool ParseSeconds(const std::string& text, double& seconds)
{
    char* end = nullptr;
    seconds = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && seconds > 0 && seconds <= MaxListenSeconds;
}
}  // namespace

StationNameWatch::StationNameWatch(std::ostream& err)
{
    const FeedSettings settings = ToolFeedSettings();
    if (!ReceiverFeedAbilities(settings).rds) {
        err << "tunzo-card: the " << AdapterName() << " receives no RDS: the stations are listed without names\n";
        return;
    }
    NameWatchState& names = Names();
    FeedCallbacks callbacks;
    callbacks.rds = [&names](uint32_t, const RdsState& state) {
        std::lock_guard lock(names.mutex);
        names.hasPi = state.hasPi;
        names.name = state.name;
        names.changed.notify_all();
    };
    callbacks.failed = [&names](const std::string&) {
        std::lock_guard lock(names.mutex);
        names.failed = true;
        names.changed.notify_all();
    };
    std::string problem;
    if (!StartReceiverFeed(settings, std::move(callbacks), problem)) {
        err << "tunzo-card: " << problem << "; the stations are listed without names\n";
        return;
    }
    std::lock_guard lock(names.mutex);
    names.active = true;
}

StationNameWatch::~StationNameWatch()
{
    if (!Names().active)
        return;
    StopReceiverFeed();
    std::lock_guard lock(Names().mutex);
    Names().active = false;
}

std::string StationNameSuffix()
{
    NameWatchState& names = Names();
    std::unique_lock lock(names.mutex);
    if (!names.active)
        return {};
    const Clock::time_point start = Clock::now();
    const Clock::time_point noPi = start + std::chrono::milliseconds(PiWaitMs);
    const Clock::time_point giveUp = start + std::chrono::milliseconds(NameWaitMs);
    // Woken at the PI deadline too, to give up on a station that sends no RDS.
    for (;;) {
        if (!names.name.empty())
            return "  " + names.name;
        const Clock::time_point now = Clock::now();
        if (names.failed || now >= giveUp || (now >= noPi && !names.hasPi))
            return {};
        names.changed.wait_until(lock, names.hasPi || now >= noPi ? giveUp : noPi);
    }
}

bool IsFeedCommand(const std::vector<std::string>& command)
{
    return !command.empty() &&
           (command[0] == "rds" || command[0] == "record" || (command[0] == "scan" && command.size() > 1));
}

bool ParseFeedCommand(const std::vector<std::string>& command, FeedRequest& request, std::string& problem)
{
    request.verb = command[0];
    if (request.verb == "scan") {
        request.names = command.size() == 2 && command[1] == "--names";
        if (!request.names)
            problem = "scan takes no operand but --names";
        return request.names;
    }
    const std::string secondsWords =
        " seconds, a number above 0 and at most " + std::to_string(static_cast<int>(MaxListenSeconds));
    if (request.verb == "rds") {
        if (command.size() > 2) {
            problem = "rds takes at most one operand: how many seconds to listen";
            return false;
        }
        if (command.size() == 2 && !ParseSeconds(command[1], request.seconds)) {
            problem = "rds listens for" + secondsWords + ", not '" + command[1] + "'";
            return false;
        }
        return true;
    }
    if (command.size() != 3) {
        problem = "record takes SECONDS and FILE, like: record 60 news.flac";
        return false;
    }
    if (!ParseSeconds(command[1], request.seconds)) {
        problem = "record takes" + secondsWords + ", not '" + command[1] + "'";
        return false;
    }
    request.file = command[2];
    if (!RecordingFormatFromPath(request.file)) {
        problem = "record: the file name must end in .flac, .ogg or .wav, not '" + request.file + "'";
        return false;
    }
    return true;
}

int RunFeedCommand(const FeedRequest& request, std::ostream& out, std::ostream& err)
{
    if (request.verb == "rds")
        return RdsCommand(request.seconds, out, err);
    return RecordCommand(request.seconds, request.file, out, err);
}
