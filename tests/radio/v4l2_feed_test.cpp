// Adapter 7's feed on the simulated stick, through the same V4L2 calls
// (poll, read, ioctl) a real stick is reached by: what the station says
// arrives, a change of station clears it at once and never lets the old
// name back, spoilt blocks never show a mixed name, and a stick pulled out
// mid-stream is reported without a crash.

#include "ReceiverFeed.h"
#include "ReceiverFixture.h"
#include "V4L2CaptureDevice.h"

#include <condition_variable>
#include <filesystem>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <mutex>

using ::testing::HasSubstr;

namespace {
const std::vector<SimulatedStation> NamedStations = {
    {88.4, true, "JAZZ", "Blue in Green"}, {94.2, false}, {103.3, true, "TEN FM", "News at ten"}};
// Seconds of the stick's RDS pass in a few real milliseconds. Not faster:
// blocks a stick received just before a change of station and that are read
// just after it are the old station's, and a busy machine's pause of a few
// milliseconds must not hold a whole name of them.
constexpr double FastStick = 20.0;
// A bound for a wait on the feed that only a fault reaches.
constexpr auto FaultWait = std::chrono::seconds(10);

// What the feed's threads told, for the test's thread to wait on.
struct Heard {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<RdsState> states;
    std::string failure;
    size_t audioFrames = 0;

    template <class Predicate>
    bool WaitFor(Predicate done)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, FaultWait, [&] { return done(*this); });
    }
    FeedCallbacks Callbacks()
    {
        FeedCallbacks callbacks;
        callbacks.rds = [this](uint32_t, const RdsState& state) {
            std::lock_guard lock(mutex);
            states.push_back(state);
            changed.notify_all();
        };
        callbacks.audio = [this](const float*, size_t count) {
            std::lock_guard lock(mutex);
            audioFrames += count;
            changed.notify_all();
        };
        callbacks.failed = [this](const std::string& message) {
            std::lock_guard lock(mutex);
            failure = message;
            changed.notify_all();
        };
        return callbacks;
    }
};

class V4L2FeedTest : public ReceiverTest {
protected:
    void UseSticks(double speed, std::function<double()> clock = {}, double rdsErrors = 0)
    {
        SimulatedRadioSticks::Options options;
        options.stations = NamedStations;
        options.stateDirectory = folder;
        options.speed = speed;
        options.clock = std::move(clock);
        options.rdsErrors = rdsErrors;
        auto owned = std::make_unique<SimulatedRadioSticks>(options);
        sticks = owned.get();
        SetV4L2Calls(std::move(owned));
    }
    void TearDown() override
    {
        StopReceiverFeed();
        ReceiverTest::TearDown();
    }

    Heard heard;  // outlives the feed, which TearDown stops even after a failed assertion
};

FeedSettings StickFeed()
{
    FeedSettings settings;
    settings.adapter = V4L2Adapter;
    return settings;
}

bool Shows(const Heard& heard, const std::string& name, const std::string& text)
{
    return !heard.states.empty() && heard.states.back().name == name && heard.states.back().text == text;
}

TEST_F(V4L2FeedTest, EveryChangeOfStationClearsAtOnceAndTheOldNameNeverComesBack)
{
    UseSticks(FastStick);
    RadioDriver::Tune(88.4);
    std::string problem;
    ASSERT_TRUE(StartReceiverFeed(StickFeed(), heard.Callbacks(), problem)) << problem;
    ASSERT_TRUE(heard.WaitFor([](const Heard& h) { return Shows(h, "JAZZ", "Blue in Green"); }));

    struct Step {
        const char* what;
        std::function<void()> change;
        std::string oldName, newName, newText;
    };
    const Step steps[] = {
        {"tune", [] { RadioDriver::Tune(103.3); }, "JAZZ", "TEN FM", "News at ten"},
        {"seek", [] { SeekRadioDevice(true); }, "TEN FM", "JAZZ", "Blue in Green"},  // wraps round
    };
    for (const Step& step : steps) {
        size_t from = 0;
        {
            std::lock_guard lock(heard.mutex);
            from = heard.states.size();
        }
        step.change();
        {
            std::lock_guard lock(heard.mutex);
            ASSERT_GT(heard.states.size(), from) << step.what << ": nothing was cleared";
            EXPECT_EQ(heard.states[from].name, "") << step.what << ": the change did not clear the name at once";
        }
        ASSERT_TRUE(heard.WaitFor([&](const Heard& h) { return Shows(h, step.newName, step.newText); }))
            << step.what;
        std::lock_guard lock(heard.mutex);
        for (size_t i = from; i < heard.states.size(); ++i)
            EXPECT_NE(heard.states[i].name, step.oldName) << step.what << ": the old station's name came back";
    }
}

// The stick's own handle, read as the feed reads it, on the stick's clock.
TEST_F(V4L2FeedTest, SpoiltBlocksNeverShowAMixedName)
{
    for (double errors : {0.1, 0.3}) {
        double now = 0;
        UseSticks(1.0, [&now] { return now; }, errors);
        V4L2Calls& calls = CurrentV4L2Calls();
        const int fd = calls.open("/dev/radio0", O_RDONLY | O_NONBLOCK);
        ASSERT_GE(fd, 0);
        RdsDecoder decoder;
        std::vector<std::string> shown;
        for (double mhz : {88.4, 103.3, 88.4}) {
            RadioDriver::Tune(mhz);
            decoder.reset();
            for (int tick = 0; tick < 300; ++tick) {  // 30 s of the stick's time
                now += 0.1;
                pollfd fds{fd, POLLIN, 0};
                ASSERT_EQ(calls.poll(&fds, 1, 0), 1) << "RDS must be waiting after a tenth of a second";
                uint8_t bytes[kRdsRecordSize * 16];
                const ssize_t got = calls.read(fd, bytes, sizeof bytes);
                ASSERT_GT(got, 0);
                ASSERT_EQ(got % kRdsRecordSize, 0) << "a read hands over whole records";
                if (decoder.addRecords(bytes, static_cast<size_t>(got)) & RdsChangedName)
                    shown.push_back(decoder.state().name);
            }
            EXPECT_EQ(decoder.state().name, mhz == 88.4 ? "JAZZ" : "TEN FM") << errors;
        }
        for (const std::string& name : shown)
            EXPECT_TRUE(name.empty() || name == "JAZZ" || name == "TEN FM") << errors << ": shown '" << name << "'";
        calls.close(fd);
        CloseRadioDevice();
    }
}

TEST_F(V4L2FeedTest, AStickPulledOutMidStreamIsReportedAndTheFeedStops)
{
    UseSticks(FastStick);
    RadioDriver::Tune(103.3);
    std::string problem;
    ASSERT_TRUE(StartReceiverFeed(StickFeed(), heard.Callbacks(), problem)) << problem;
    ASSERT_TRUE(heard.WaitFor([](const Heard& h) { return Shows(h, "TEN FM", "News at ten") && h.audioFrames > 0; }));
    SetPresent(false);
    ASSERT_TRUE(heard.WaitFor([](const Heard& h) { return !h.failure.empty(); }));
    EXPECT_THAT(heard.failure, HasSubstr("/dev/radio0 is gone"));
    StopReceiverFeed();
    EXPECT_EQ(CheckRadioDevice(), ReceiverPresence::WentAway) << "the panel's own check still sees it go";
}

// A receiver that decodes RDS itself and shows it in its controls: the test
// sets what they hold and lets the feed read them a given number of times.
class ControlsRadio : public V4L2Calls {
public:
    void Show(const std::string& name)
    {
        std::lock_guard lock(mutex);
        this->name = name;
    }
    // Lets the feed read the controls `count` more times, and waits until it
    // has handed on what it read.
    void Advance(int count)
    {
        std::unique_lock lock(mutex);
        granted += count;
        turn.notify_all();
        // Each read is followed by a wait: the one after the last granted read.
        turn.wait(lock, [&] { return waits > granted; });
    }

    int open(const std::string&, int) override { return Fd; }
    int close(int) override { return 0; }
    ssize_t read(int, void*, size_t) override
    {
        errno = EINVAL;  // no block I/O
        return -1;
    }
    // The feed's wait between two reads: over when the test grants a read,
    // or when the feed is stopped (its wake descriptor becomes readable).
    int poll(pollfd* fds, nfds_t count, int) override
    {
        std::unique_lock lock(mutex);
        const int mine = ++waits;
        turn.notify_all();
        while (granted < mine) {
            if (::poll(fds, count, 0) > 0)
                return 1;
            turn.wait_for(lock, std::chrono::milliseconds(1));
        }
        return 0;
    }
    int ioctl(int, unsigned long request, void* argument) override
    {
        std::lock_guard lock(mutex);
        switch (request) {
        case VIDIOC_QUERYCAP:
            static_cast<v4l2_capability*>(argument)->capabilities = V4L2_CAP_RADIO | V4L2_CAP_TUNER;
            return 0;
        case VIDIOC_G_TUNER:
            static_cast<v4l2_tuner*>(argument)->capability =
                V4L2_TUNER_CAP_LOW | V4L2_TUNER_CAP_RDS | V4L2_TUNER_CAP_RDS_CONTROLS;
            return 0;
        case VIDIOC_G_EXT_CTRLS: {
            auto* group = static_cast<v4l2_ext_controls*>(argument);
            for (uint32_t i = 0; i < group->count; ++i) {
                v4l2_ext_control& c = group->controls[i];
                std::snprintf(c.string, c.size, "%s", c.id == V4L2_CID_RDS_RX_PS_NAME ? name.c_str() : "");
            }
            return 0;
        }
        case VIDIOC_G_CTRL:
            static_cast<v4l2_control*>(argument)->value = 0;
            return 0;
        default:
            errno = ENOTTY;
            return -1;
        }
    }

private:
    static constexpr int Fd = 42;
    std::mutex mutex;
    std::condition_variable turn;
    std::string name;
    int waits = 0;    // waits the feed has begun, each after a read handed on
    int granted = 0;  // waits the test has let end
};

TEST_F(V4L2FeedTest, ControlsHeldOverAChangeOfStationAreTheOldOnesUntilTheySettle)
{
    auto owned = std::make_unique<ControlsRadio>();
    ControlsRadio& radio = *owned;
    SetV4L2Calls(std::move(owned));
    radio.Show("JAZZ");
    std::string problem;
    ASSERT_TRUE(StartReceiverFeed(StickFeed(), heard.Callbacks(), problem)) << problem;
    radio.Advance(0);  // the first read, made at the start, is handed on
    {
        std::lock_guard lock(heard.mutex);
        ASSERT_TRUE(Shows(heard, "JAZZ", ""));
    }

    struct Step {
        const char* what;
        bool changeStation;
        std::string deviceShows;
        int reads;  // the feed's reads of the controls before looking
        std::string shown;
    };
    const Step steps[] = {
        {"tuned away, the device still holds the old name", true, "JAZZ", 2, ""},
        {"the new station's name", false, "TEN FM", 2, "TEN FM"},
        {"the same station again: the name stays on the device", true, "TEN FM", 8, "TEN FM"},
    };
    for (const Step& step : steps) {
        radio.Show(step.deviceShows);
        if (step.changeStation)
            ReceiverFeedStationChanged();
        radio.Advance(step.reads);
        std::lock_guard lock(heard.mutex);
        ASSERT_FALSE(heard.states.empty());
        EXPECT_EQ(heard.states.back().name, step.shown) << step.what;
    }
}

TEST(StickCaptureDevice, TheSoundCardOnTheRadiosOwnUsbPortIsChosen)
{
    const std::string cards = " 0 [PCH            ]: HDA-Intel - HDA Intel PCH\n"
                              "                      HDA Intel PCH at 0xf7f10000 irq 32\n"
                              " 1 [Radio_1        ]: USB-Audio - FM Radio\n"
                              "                      Silicon Labs FM Radio at usb-0000:00:14.0-1.2, full speed\n"
                              " 2 [Radio          ]: USB-Audio - FM Radio\n"
                              "                      Silicon Labs FM Radio at usb-0000:00:14.0-1, full speed\n";
    const struct {
        std::string bus;
        std::string pcm;
    } rows[] = {
        {"usb-0000:00:14.0-1", "plughw:CARD=Radio,DEV=0"},  // not the stick on port 1.2 listed first
        {"usb-0000:00:14.0-1.2", "plughw:CARD=Radio_1,DEV=0"},
        {"usb-0000:00:14.0-3", ""},
        {"", ""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(CaptureDeviceFromCardList(row.bus, cards), row.pcm) << row.bus;
}

// A sysfs tree of our own: the radio and two sound cards, one on the same
// USB device, one on the port beside it.
TEST_F(V4L2FeedTest, WithoutALongNameTheSoundCardSharingTheRadiosUsbDeviceIsChosen)
{
    namespace fs = std::filesystem;
    const fs::path sys = folder + "/sys";
    const fs::path usb = sys / "devices/pci0000:00/usb1";
    const struct {
        fs::path classEntry;
        fs::path interface;
    } links[] = {
        {sys / "class/video4linux/radio0", usb / "1-1/1-1:1.2"},
        {sys / "class/sound/card0", usb / "1-2/1-2:1.0"},
        {sys / "class/sound/card1", usb / "1-1/1-1:1.0"},
    };
    for (const auto& link : links) {
        fs::create_directories(link.classEntry);
        fs::create_directories(link.interface);
        fs::create_symlink(link.interface, link.classEntry / "device");
    }
    std::ofstream(sys / "class/sound/card0/id") << "Beside\n";
    std::ofstream(sys / "class/sound/card1/id") << "Radio\n";
    fs::create_directories(folder + "/dev");
    std::ofstream(folder + "/dev/radio0") << "";
    EXPECT_EQ(CaptureDeviceFromSysfs(folder + "/dev/radio0", sys), "plughw:CARD=Radio,DEV=0");
    fs::remove(usb / "1-1/1-1:1.0");  // the stick without a sound card of its own
    EXPECT_EQ(CaptureDeviceFromSysfs(folder + "/dev/radio0", sys), "");
}
}  // namespace
