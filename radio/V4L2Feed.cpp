// Adapter 7's feed: RDS read from the stick on a handle of the feed's own
// (block I/O, or the controls of a receiver that decodes RDS itself), and
// its sound from its own capture device, "Audio input", or, for a simulated
// stick, the station's tone.
#include "FeedSources.h"

#include "AudioCapture.h"
#include "AudioFormat.h"
#include "SimulatedRadioStick.h"
#include "ToneSource.h"
#include "V4L2CaptureDevice.h"
#include "V4L2Handle.h"
#include "V4L2Radio.h"

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
// Records taken by one read(): about a second of RDS.
constexpr size_t ReadRecords = 64;
// How often a receiver's RDS controls are asked: a name changes seldom, and
// a text segment takes a tenth of a second to arrive.
constexpr int ControlPollMs = 250;
// After a change of station, what the controls held stays the old station's
// for this many reads (a second).
constexpr int ControlSettleReads = 4;
// The simulated stick's sound comes in blocks of this length.
constexpr int ToneBlockMs = 20;

// What the device says of itself, from a handle of its own.
struct StickFacts {
    std::string path;
    std::string bus;
    uint32_t tunerCapability = 0;
    bool simulated = false;
};

bool HasBlockIo(uint32_t capability)
{
    return (capability & V4L2_TUNER_CAP_RDS) && (capability & V4L2_TUNER_CAP_RDS_BLOCK_IO);
}

bool HasRdsControls(uint32_t capability)
{
    return (capability & V4L2_TUNER_CAP_RDS) && (capability & V4L2_TUNER_CAP_RDS_CONTROLS);
}

// Opens the configured device for reading; -1 when it is not there or is no
// radio. That is no problem of the feed's: the receiver code tells the user
// why, and the panel starts the feed again when the device comes back.
int OpenFeedHandle(StickFacts& facts)
{
    V4L2Calls& calls = CurrentV4L2Calls();
    facts.path = ConfiguredDevice();
    const int fd = calls.open(facts.path, O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return -1;
    v4l2_capability cap{};
    v4l2_tuner tuner{};
    if (calls.ioctl(fd, VIDIOC_QUERYCAP, &cap) != 0 || calls.ioctl(fd, VIDIOC_G_TUNER, &tuner) != 0) {
        calls.close(fd);
        return -1;
    }
    const char* bus = reinterpret_cast<const char*>(cap.bus_info);
    facts.bus = std::string(bus, strnlen(bus, sizeof cap.bus_info));
    facts.tunerCapability = tuner.capability;
    facts.simulated = SimulatedStickIndex(facts.path) >= 0 && dynamic_cast<SimulatedRadioSticks*>(&calls);
    return fd;
}

// Where the stick's sound comes from; empty: nowhere.
std::string SoundInput(const FeedSettings& settings, const StickFacts& facts)
{
    if (!settings.audioInput.empty())
        return settings.audioInput;
    return facts.simulated ? std::string() : FindStickCaptureDevice(facts.path, facts.bus);
}

class V4L2Source : public FeedSource {
public:
    V4L2Source(FeedSink& sink, int fd, StickFacts facts) : sink_(sink), fd_(fd), facts_(std::move(facts)) {}

    ~V4L2Source() override
    {
        stopping_ = true;
        const uint64_t one = 1;
        if (wake_ >= 0 && ::write(wake_, &one, sizeof one) < 0) {
            // The threads also look at `stopping_` after every wait.
        }
        {
            std::lock_guard lock(waitMutex_);
            waitChanged_.notify_all();
        }
        for (std::thread* t : {&rdsThread_, &soundThread_})
            if (t->joinable())
                t->join();
        capture_.reset();
        CurrentV4L2Calls().close(fd_);
        if (wake_ >= 0)
            ::close(wake_);
    }

    void stationChanged() override
    {
        std::lock_guard lock(deliverMutex_);
        ++generation_;
    }

    bool start(const FeedSettings& settings, std::string& problem)
    {
        wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (wake_ < 0) {
            problem = std::string("The receiver's feed cannot start (") + std::strerror(errno) + ").";
            return false;
        }
        if (HasBlockIo(facts_.tunerCapability))
            rdsThread_ = std::thread([this] { readBlocks(); });
        else if (HasRdsControls(facts_.tunerCapability))
            rdsThread_ = std::thread([this] { readControls(); });
        const std::string input = SoundInput(settings, facts_);
        if (!input.empty()) {
            // The stick's own sound card may be held by the desktop's sound
            // server: the user can then name a device that reaches it.
            const std::string hint = settings.audioInput.empty()
                                         ? "; to hear the stick, set \"Audio input\" in tunecfg to the device "
                                           "that gives its sound"
                                         : "";
            capture_ = std::make_unique<AudioCapture>(
                input, [this](const float* frames, size_t count) { sink_.audio(frames, count); },
                [this, hint](const std::string& message) { fail(message + hint); });
            capture_->start();
        } else if (facts_.simulated) {
            soundThread_ = std::thread([this] { playSimulatedStick(); });
        }
        return true;
    }

private:
    // Told once: the RDS and the sound thread may both notice a device gone.
    void fail(const std::string& message)
    {
        if (!failed_.exchange(true) && !stopping_)
            sink_.failed(message);
    }

    void failOnError(int error)
    {
        if (error == ENODEV || error == EIO)
            fail(ReceiverGoneText(facts_.path));
        else
            fail("The receiver " + facts_.path + " stopped sending RDS (" + std::strerror(error) + ").");
    }

    uint64_t generation()
    {
        std::lock_guard lock(deliverMutex_);
        return generation_;
    }

    void readBlocks();
    void readControls();
    bool readControlValues(RdsControlValues& values);
    void playSimulatedStick();
    // Waits until `until` or the source stops; false once it stops.
    bool pause(std::chrono::steady_clock::time_point until)
    {
        std::unique_lock lock(waitMutex_);
        waitChanged_.wait_until(lock, until, [this] { return stopping_.load(); });
        return !stopping_;
    }

    FeedSink& sink_;
    const int fd_;
    const StickFacts facts_;
    int wake_ = -1;  // made readable to end a wait in poll()
    std::atomic<bool> stopping_{false};
    std::atomic<bool> failed_{false};
    std::mutex waitMutex_;
    std::condition_variable waitChanged_;
    // Held while blocks are handed on, so that a change of station either
    // comes before them (and they are dropped) or after them (and clears them).
    std::mutex deliverMutex_;
    uint64_t generation_ = 0;
    std::thread rdsThread_;
    std::thread soundThread_;
    std::unique_ptr<AudioCapture> capture_;
};

void V4L2Source::readBlocks()
{
    V4L2Calls& calls = CurrentV4L2Calls();
    std::vector<uint8_t> buffer(ReadRecords * kRdsRecordSize);
    while (!stopping_) {
        pollfd fds[2] = {{fd_, POLLIN | POLLRDNORM, 0}, {wake_, POLLIN, 0}};
        if (calls.poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            failOnError(errno);
            return;
        }
        if (stopping_)
            return;
        if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
            failOnError(ENODEV);
            return;
        }
        if (!(fds[0].revents & (POLLIN | POLLRDNORM)))
            continue;
        // Blocks read before a change of station but handed on after it
        // would bring the old name back.
        const uint64_t before = generation();
        const ssize_t got = calls.read(fd_, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EAGAIN || errno == EINTR)
                continue;
            failOnError(errno);
            return;
        }
        const size_t whole = static_cast<size_t>(got) - static_cast<size_t>(got) % kRdsRecordSize;
        std::lock_guard lock(deliverMutex_);
        if (generation_ == before && whole > 0)
            sink_.records(buffer.data(), whole);
    }
}

bool V4L2Source::readControlValues(RdsControlValues& values)
{
    V4L2Calls& calls = CurrentV4L2Calls();
    char name[kRdsPsLength + 1] = {};
    char text[kRdsTextLength + 1] = {};
    v4l2_ext_control strings[2] = {};
    strings[0].id = V4L2_CID_RDS_RX_PS_NAME;
    strings[0].size = sizeof name;
    strings[0].string = name;
    strings[1].id = V4L2_CID_RDS_RX_RADIO_TEXT;
    strings[1].size = sizeof text;
    strings[1].string = text;
    v4l2_ext_controls group{};
    group.which = V4L2_CTRL_WHICH_CUR_VAL;
    group.count = 2;
    group.controls = strings;
    v4l2_control pty{V4L2_CID_RDS_RX_PTY, 0};
    v4l2_control tp{V4L2_CID_RDS_RX_TRAFFIC_PROGRAM, 0};
    v4l2_control ta{V4L2_CID_RDS_RX_TRAFFIC_ANNOUNCEMENT, 0};
    if (calls.ioctl(fd_, VIDIOC_G_EXT_CTRLS, &group) != 0 || calls.ioctl(fd_, VIDIOC_G_CTRL, &pty) != 0 ||
        calls.ioctl(fd_, VIDIOC_G_CTRL, &tp) != 0 || calls.ioctl(fd_, VIDIOC_G_CTRL, &ta) != 0)
        return false;
    values.name = std::string(name, strnlen(name, sizeof name));
    values.text = std::string(text, strnlen(text, sizeof text));
    values.pty = static_cast<uint8_t>(pty.value);
    values.trafficProgramme = tp.value != 0;
    values.trafficAnnouncement = ta.value != 0;
    return true;
}

void V4L2Source::readControls()
{
    auto same = [](const RdsControlValues& a, const RdsControlValues& b) {
        return a.name == b.name && a.text == b.text && a.pty == b.pty && a.trafficProgramme == b.trafficProgramme &&
               a.trafficAnnouncement == b.trafficAnnouncement;
    };
    V4L2Calls& calls = CurrentV4L2Calls();
    RdsControlValues last;   // what the decoder was given
    RdsControlValues stale;  // what the device held at the last change of station
    int staleReads = 0;      // reads left in which that counts as the old station's
    uint64_t seen = generation();
    while (!stopping_) {
        RdsControlValues values;
        if (!readControlValues(values)) {
            failOnError(errno);
            return;
        }
        {
            std::lock_guard lock(deliverMutex_);
            // A device clears its controls some time after a tune; until then
            // they are the old station's. If they stay (the same station
            // again), they are the new one's after all.
            if (generation_ != seen) {
                seen = generation_;
                last = {};
                stale = values;
                staleReads = ControlSettleReads;
            }
            const bool oldStation = staleReads > 0 && same(values, stale);
            staleReads = staleReads > 0 ? staleReads - 1 : 0;
            if (!oldStation && !same(values, last)) {
                last = values;
                sink_.controls(values);
            }
        }
        // Waited through the calls: a stand-in for the kernel's device sets the pace.
        pollfd wake{wake_, POLLIN, 0};
        calls.poll(&wake, 1, ControlPollMs);
    }
}

// What the simulated stick plays, at the pace it plays it: its station's
// tone at its volume, silence when muted or between stations.
void V4L2Source::playSimulatedStick()
{
    auto* sticks = dynamic_cast<SimulatedRadioSticks*>(&CurrentV4L2Calls());
    if (!sticks)
        return;
    ToneSource tone;
    const size_t frames = FramesForMs(ToneBlockMs);
    std::vector<float> block(frames * kAudioChannels);
    const auto period = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double, std::milli>(ToneBlockMs / sticks->Speed()));
    auto next = std::chrono::steady_clock::now();
    do {
        SimulatedRadioSticks::Listening listening;
        if (!sticks->Listen(fd_, listening)) {
            fail(ReceiverGoneText(facts_.path));
            return;
        }
        tone.setTone(listening.station ? ToneForStation(listening.stationMHz, listening.stereo) : SilentTone());
        tone.setMuted(listening.muted);
        tone.fill(block.data(), frames);
        const float gain = static_cast<float>(listening.volume) / StickMaxVolume;
        for (float& sample : block)
            sample *= gain;
        sink_.audio(block.data(), frames);
        next += period;
    } while (pause(next));
}
}  // namespace

FeedAbilities V4L2FeedAbilities(const FeedSettings& settings)
{
    StickFacts facts;
    const int fd = OpenFeedHandle(facts);
    if (fd < 0)
        return {};
    CurrentV4L2Calls().close(fd);
    FeedAbilities abilities;
    abilities.rds = HasBlockIo(facts.tunerCapability) || HasRdsControls(facts.tunerCapability);
    abilities.samples = facts.simulated || !SoundInput(settings, facts).empty();
    // A stick without a sound card of its own (dsbr100, mr800, ma901) has a
    // cable to the line-in that "Audio input" names.
    abilities.lineIn = !facts.simulated && !settings.audioInput.empty() &&
                       FindStickCaptureDevice(facts.path, facts.bus).empty();
    return abilities;
}

std::unique_ptr<FeedSource> StartV4L2Feed(const FeedSettings& settings, FeedSink& sink, std::string& problem)
{
    StickFacts facts;
    const int fd = OpenFeedHandle(facts);
    if (fd < 0)
        return nullptr;
    auto source = std::make_unique<V4L2Source>(sink, fd, std::move(facts));
    if (!source->start(settings, problem))
        return nullptr;
    return source;
}
