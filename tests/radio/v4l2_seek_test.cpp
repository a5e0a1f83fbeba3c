// Hardware seek and volume with the habits of the kernel's drivers, each
// played by a scripted device behind the V4L2 calls.

#include "AuxMixer.h"
#include "AdapterCatalogue.h"
#include "RadioFixture.h"
#include "V4L2Radio.h"
#include "V4L2Tuner.h"

#include <cerrno>
#include <linux/videodev2.h>

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

namespace {
constexpr int ScriptedFd = 42;
constexpr uint32_t Low = V4L2_TUNER_CAP_LOW;

// One radio node answering as a driver does; seek answers by wrap flag.
class ScriptedRadio : public V4L2Calls {
public:
    uint32_t tunerCapability = Low | V4L2_TUNER_CAP_HWSEEK_BOUNDED | V4L2_TUNER_CAP_HWSEEK_WRAP;
    int seekErrorWithWrap = 0;
    int seekErrorWithoutWrap = 0;
    double landsOn = 100.7;         // where a seek leaves the tuner
    int32_t signalAfterSeek = 65535;
    bool hasVolume = true;
    bool seeks = true;  // V4L2_CAP_HW_FREQ_SEEK
    double mhz = 100.0;
    int32_t signal = 0;
    int32_t volume = 50;
    std::vector<uint32_t> wrapFlagsSent;

    int open(const std::string&, int) override { return ScriptedFd; }
    int close(int) override { return 0; }
    ssize_t read(int, void*, size_t) override { return Fail(EAGAIN); }
    int poll(pollfd*, nfds_t, int) override { return 0; }
    int ioctl(int, unsigned long request, void* argument) override
    {
        switch (request) {
        case VIDIOC_QUERYCAP: {
            auto* cap = static_cast<v4l2_capability*>(argument);
            cap->capabilities = V4L2_CAP_RADIO | V4L2_CAP_TUNER | (seeks ? V4L2_CAP_HW_FREQ_SEEK : 0);
            return 0;
        }
        case VIDIOC_G_TUNER: {
            auto* tuner = static_cast<v4l2_tuner*>(argument);
            tuner->capability = tunerCapability;
            tuner->rangelow = MHzToTunerUnits(87.5, tunerCapability);
            tuner->rangehigh = MHzToTunerUnits(108.0, tunerCapability);
            tuner->signal = signal;
            tuner->rxsubchans = V4L2_TUNER_SUB_MONO;
            return 0;
        }
        case VIDIOC_G_FREQUENCY:
            static_cast<v4l2_frequency*>(argument)->frequency = MHzToTunerUnits(mhz, tunerCapability);
            return 0;
        case VIDIOC_S_FREQUENCY:
            mhz = TunerUnitsToMHz(static_cast<v4l2_frequency*>(argument)->frequency, tunerCapability);
            return 0;
        case VIDIOC_S_HW_FREQ_SEEK: {
            const uint32_t wrap = static_cast<v4l2_hw_freq_seek*>(argument)->wrap_around;
            wrapFlagsSent.push_back(wrap);
            const int error = wrap ? seekErrorWithWrap : seekErrorWithoutWrap;
            if (error == EINVAL || error == EBUSY)
                return Fail(error);  // refused: the tuner stays put
            mhz = landsOn;
            signal = signalAfterSeek;
            return error ? Fail(error) : 0;
        }
        case VIDIOC_QUERYCTRL: {
            auto* control = static_cast<v4l2_queryctrl*>(argument);
            if (control->id != V4L2_CID_AUDIO_VOLUME || !hasVolume)
                return Fail(EINVAL);
            control->minimum = 0;
            control->maximum = 65535;
            control->step = 655;
            return 0;
        }
        case VIDIOC_G_CTRL:
            static_cast<v4l2_control*>(argument)->value = volume;
            return 0;
        case VIDIOC_S_CTRL:
            volume = static_cast<v4l2_control*>(argument)->value;
            return 0;
        default:
            return Fail(ENOTTY);
        }
    }

private:
    static int Fail(int error)
    {
        errno = error;
        return -1;
    }
};

class SeekTest : public RadioTest {
protected:
    void SetUp() override
    {
        RadioTest::SetUp();
        auto owned = std::make_unique<ScriptedRadio>();
        radio = owned.get();
        SetV4L2Calls(std::move(owned));
        TunerSettings.Adapter = static_cast<int8_t>(V4L2Adapter);
    }
    void TearDown() override
    {
        SetV4L2Calls(nullptr);
        RadioTest::TearDown();
    }
    ScriptedRadio* radio = nullptr;
};
}  // namespace

TEST_F(SeekTest, EachDriversSeekHabitEndsInTheRightOutcome)
{
    constexpr uint32_t Bounded = V4L2_TUNER_CAP_HWSEEK_BOUNDED;
    constexpr uint32_t Wrap = V4L2_TUNER_CAP_HWSEEK_WRAP;
    struct Row {
        const char* habit;
        uint32_t seekCapability;
        int withWrap;
        int withoutWrap;
        int32_t signalAfter;
        SeekOutcome outcome;
        std::vector<uint32_t> flags;
    };
    const Row rows[] = {
        {"finds a station", Bounded | Wrap, 0, 0, 65535, SeekOutcome::Found, {1}},
        {"refuses wrap-around though it claims it", Bounded | Wrap, EINVAL, 0, 65535, SeekOutcome::Found, {1, 0}},
        {"takes only wrap-around", Wrap, 0, EINVAL, 65535, SeekOutcome::Found, {1}},
        {"takes only a bounded seek", Bounded, EINVAL, 0, 65535, SeekOutcome::Found, {0}},
        {"reports success without a station", Bounded | Wrap, 0, 0, 0, SeekOutcome::NothingFound, {1}},
        {"says ENODATA", Bounded | Wrap, ENODATA, 0, 0, SeekOutcome::NothingFound, {1}},
        {"says EAGAIN", Bounded | Wrap, EAGAIN, 0, 0, SeekOutcome::NothingFound, {1}},
        {"is busy", Bounded | Wrap, EBUSY, 0, 0, SeekOutcome::Failed, {1}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.habit);
        CloseRadioDevice();
        radio->tunerCapability = Low | row.seekCapability;
        radio->seekErrorWithWrap = row.withWrap;
        radio->seekErrorWithoutWrap = row.withoutWrap;
        radio->signalAfterSeek = row.signalAfter;
        radio->mhz = 100.0;
        radio->wrapFlagsSent.clear();
        const SeekResult result = RadioDriver::ReceiverFor(V4L2Adapter)->seek(true);
        EXPECT_EQ(result.outcome, row.outcome);
        EXPECT_THAT(radio->wrapFlagsSent, ElementsAreArray(row.flags));
        // Read back whatever happened: where the tuner is now.
        EXPECT_DOUBLE_EQ(result.mhz, row.withWrap == EBUSY ? 100.0 : 100.7);
        if (row.outcome == SeekOutcome::Failed) {
            EXPECT_THAT(result.problem, HasSubstr("/dev/radio0"));
        }
    }
}

TEST_F(SeekTest, ADeviceWithoutHardwareSeekIsNeverAskedToSeek)
{
    radio->seeks = false;
    EXPECT_FALSE(RadioDriver::ReceiverFor(V4L2Adapter)->seeks());
    const SeekResult result = RadioDriver::ReceiverFor(V4L2Adapter)->seek(true);
    EXPECT_EQ(result.outcome, SeekOutcome::Failed);
    EXPECT_THAT(result.problem, HasSubstr("cannot search by itself"));
    EXPECT_TRUE(radio->wrapFlagsSent.empty());
}

TEST_F(SeekTest, VolumeUsesTheControlsOwnStepAndADeviceWithoutOneUsesTheLineIn)
{
    auto mixer = std::make_unique<FakeAuxMixer>(std::vector<uint32_t>{0x80008000});
    FakeAuxMixer* lineIn = mixer.get();
    SetAuxMixer(std::move(mixer));
    TunerSettings.AuxVolumeControl = 0;

    RadioDriver::VolumeUp();
    EXPECT_EQ(radio->volume, 50 + 655);
    RadioDriver::VolumeDown();
    EXPECT_EQ(radio->volume, 50);  // one step down for one step up
    RadioDriver::VolumeDown();
    EXPECT_EQ(radio->volume, 0);   // kept within the control's range
    EXPECT_EQ(lineIn->setCalls, 0);

    CloseRadioDevice();
    radio->hasVolume = false;
    RadioDriver::VolumeUp();
    EXPECT_EQ(radio->volume, 0);
    EXPECT_EQ(lineIn->setCalls, 1);
    EXPECT_EQ(lineIn->volumes[0], 0x8A008A00u);  // ten louder on the line in
    SetAuxMixer(nullptr);
}
