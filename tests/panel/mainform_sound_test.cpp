// The panel's sound through real ALSA (the file plugin over the null device,
// which needs no sound card) and real files: what reaches "Audio output",
// what a recording holds, and the panel's marks while it runs. The receiver
// families that deliver samples are stood in for by a feed thread pushing a
// simulated station's tone, as a receiver's feed does.

#include "PanelFixture.h"

#include "AudioAnalysis.h"
#include "DriftCorrector.h"
#include "InstanceLock.h"
#include "RuntimeDirectory.h"
#include "ToneSource.h"

#include <QLabel>
#include <QProcess>

#include <sys/resource.h>

#include <fstream>
#include <thread>

namespace {

constexpr size_t kChunkFrames = 480;  // 10 ms, as a receiver hands them over
// The null device has no clock: a long latency keeps a loaded machine from
// starving the player, whose waits are the only time there is.
constexpr int kTestLatencyMs = 1000;
constexpr int kRunMs = 1500;
const QDateTime kStart(QDate(2026, 12, 8), QTime(21, 30));

double Tolerance(double hz)
{
    return 0.5 + hz * kMaxDriftCorrection;
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class SoundPanelTest : public PanelTest {
protected:
    void SetUp() override
    {
        PanelTest::SetUp();
        setenv("HOME", dir.c_str(), 1);
        setenv("XDG_MUSIC_DIR", (dir + "/music").c_str(), 1);
        out = dir + "/out.wav";
    }
    void TearDown() override
    {
        PanelTest::TearDown();
        unsetenv("XDG_MUSIC_DIR");
    }
    // A panel on a card played through its line-in, the station on preset 1.
    TMainForm& StartPlaying(const std::string& output, std::vector<std::string> arguments = {},
                            const char* format = "FLAC")
    {
        Stored([&](TTunerSettings& s) {
            s.CurrentFrequency = 94.2;
            s.TuneToLastStation = true;
        });
        {
            // As the setup program writes them.
            TRegistry reg;
            EXPECT_TRUE(reg.OpenKey(MainKey, true));
            reg.WriteString(ValueName::AudioOutput, output);
            reg.WriteBool(ValueName::PlayThrough, true);
            reg.WriteInteger(ValueName::AudioLatency, kTestLatencyMs);
            reg.WriteString(ValueName::RecordingFormat, format);
        }
        SavePreset(1, "Jazz FM", true, 94.2);
        SavePreset(2, "Ten FM", true, 103.3);
        TMainForm& f = Start(std::move(arguments));
        f.WallClock = [this] { return clock; };
        // The test's thread stands in for the line-in's capture: "Audio input"
        // stays empty, so that no real capture feeds the form beside it.
        f.FeedAbilitiesOf = [](const FeedSettings&) { return FeedAbilities{false, true, true}; };
        f.StartFeed();  // as every start and settings reload does
        return f;
    }
    // What the feed's thread hands over: `ms` of the station's tone.
    void Feed(StationTone tone, int ms = kRunMs)
    {
        std::thread feed([&] {
            ToneSource source(tone);
            std::vector<float> chunk(kChunkFrames * kAudioChannels);
            for (size_t done = 0; done < FramesForMs(ms); done += kChunkFrames) {
                if (form->player_)
                    form->player_->waitForRoom(std::chrono::milliseconds(kTestLatencyMs));
                source.fill(chunk.data(), kChunkFrames);
                form->FeedAudio(chunk.data(), kChunkFrames);
            }
        });
        feed.join();
    }
    // The one file in the recordings folder named after `base`.
    std::string Recording(const std::string& base)
    {
        return dir + "/music/Tunzo/" + base + ".flac";
    }
    // The text of the message the panel shows without waiting, once it is up.
    QString ShownMessage()
    {
        QString text;
        (void)QTest::qWaitFor([&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
                    text = box->text();
            return !text.isEmpty();
        }, 5000);
        return text;
    }
    std::string out;
    QDateTime clock = kStart;
};

}  // namespace

struct OutputRow {
    const char* what;
    double mhz;
    bool stereo;
    bool muted;
};

TEST_F(SoundPanelTest, TheStationsToneReachesAudioOutputInItsChannelsAndNothingWhenMuted)
{
    const OutputRow rows[] = {
        {"mono: the same tone on both", 94.2, false, false},
        {"stereo: the right channel's own tone", 103.3, true, false},
        {"muted by the M key", 94.2, false, true},
    };
    for (const OutputRow& row : rows) {
        SCOPED_TRACE(row.what);
        std::filesystem::remove(out);
        TMainForm& f = StartPlaying("file:FILE=" + out + ",FORMAT=wav");
        ASSERT_TRUE(f.player_) << "no player for a line-in played through";
        if (row.muted)
            Press(Qt::Key_M);
        Feed(ToneForStation(row.mhz, row.stereo));
        f.close();  // the output is complete once the player has stopped
        const SoundFileContents played = ReadSoundFile(out);
        ASSERT_TRUE(played.ok) << played.error;
        if (row.muted) {
            EXPECT_LT(RmsDbfs(played.frames, kLeft), -60.0);
            EXPECT_LT(RmsDbfs(played.frames, kRight), -60.0);
            continue;
        }
        const StationTone tone = ToneForStation(row.mhz, row.stereo);
        const std::vector<float> sound = TrimSilence(played.frames);
        EXPECT_NEAR(ToneFrequency(sound, kLeft), tone.leftHz, Tolerance(tone.leftHz));
        EXPECT_NEAR(ToneFrequency(sound, kRight), tone.rightHz, Tolerance(tone.rightHz));
        form.reset();
    }
}

TEST_F(SoundPanelTest, KeyRRecordsAcrossStationsAndHidingWithTheMarkAndTimeShownAndNeverOverAnExistingFile)
{
    TMainForm& f = StartPlaying("null");
    const std::string base = RecordingBaseName("Jazz FM", kStart.toSecsSinceEpoch());
    std::filesystem::create_directories(dir + "/music/Tunzo");
    std::ofstream(Recording(base)) << "kept";

    Press(Qt::Key_R);
    ASSERT_TRUE(f.Recording());
    EXPECT_TRUE(f.lbl_rec->isVisible());
    EXPECT_EQ(f.item_record->text(), "Stop &recording");
    clock = kStart.addSecs(65);
    f.RecordingTick();  // the recording's one-second timer
    EXPECT_TRUE(f.windowTitle().endsWith(" - REC 01:05")) << f.windowTitle().toStdString();
    EXPECT_TRUE(f.windowTitle().contains("Jazz FM"));

    // A new station does not end it.
    Press(Qt::Key_2);
    EXPECT_TRUE(f.Recording());
    EXPECT_TRUE(f.windowTitle().contains("Ten FM - REC 01:05")) << f.windowTitle().toStdString();
    // Nor does hiding the window; the tray's item stops it.
    f.showMinimized();
    QApplication::processEvents();
    Feed(ToneForStation(94.2, false));
    ASSERT_TRUE(f.Recording());
    f.Record2->trigger();
    EXPECT_FALSE(f.Recording());
    EXPECT_TRUE(f.lbl_rec->isHidden());
    EXPECT_FALSE(f.windowTitle().contains("REC")) << f.windowTitle().toStdString();

    EXPECT_EQ(ReadAll(Recording(base)), "kept");
    const SoundFileContents kept = ReadSoundFile(Recording(base + " (2)"));
    ASSERT_TRUE(kept.ok) << kept.error;
    EXPECT_EQ(kept.title, "Jazz FM");
    EXPECT_NEAR(ToneFrequency(kept.frames, kLeft), 942.0, Tolerance(942.0));
    EXPECT_NEAR(static_cast<double>(kept.frames.size() / kAudioChannels), FramesForMs(kRunMs), kChunkFrames);
}

TEST_F(SoundPanelTest, AFullDiskStopsTheRecordingWithAMessageAndAFileThatPlays)
{
    TMainForm& f = StartPlaying("null", {}, "WAV");
    Press(Qt::Key_R);
    ASSERT_TRUE(f.Recording());
    const std::string path = f.recorder_->status().path;
    // A file-size limit stands in for the full disk: the same failed write.
    constexpr rlim_t kRoomBytes = 100000;  // a third of a second of WAV
    rlimit before{};
    getrlimit(RLIMIT_FSIZE, &before);
    rlimit full = before;
    full.rlim_cur = kRoomBytes;
    setrlimit(RLIMIT_FSIZE, &full);
    Feed(ToneForStation(94.2, false));
    const bool stopped = QTest::qWaitFor([&] { return !f.Recording(); }, 5000);
    setrlimit(RLIMIT_FSIZE, &before);
    ASSERT_TRUE(stopped) << "the recording went on with nowhere to go";
    const QString shown = ShownMessage();
    EXPECT_TRUE(shown.contains(QString::fromStdString(path))) << shown.toStdString();
    EXPECT_TRUE(f.lbl_rec->isHidden());
    const SoundFileContents kept = ReadSoundFile(path);
    ASSERT_TRUE(kept.ok) << kept.error;
    EXPECT_GT(kept.frames.size(), FramesForMs(100) * kAudioChannels);
    EXPECT_NEAR(ToneFrequency(kept.frames, kLeft), 942.0, Tolerance(942.0));
}

TEST_F(SoundPanelTest, ASecondStartsRecWordRecordsForItsMinutesAndRecZeroStops)
{
    InstanceLock instance;  // this process is the running program
    ASSERT_EQ(instance.Acquire(RuntimeDirectory()), InstanceLock::Outcome::Acquired);
    TMainForm& f = StartPlaying("null");
    auto secondStart = [](const char* word) {
        QProcess tunzo;
        tunzo.start(TUNZO_PROGRAM, {word});
        EXPECT_TRUE(tunzo.waitForFinished(10000));
        EXPECT_EQ(tunzo.exitCode(), 0) << tunzo.readAllStandardError().toStdString();
    };

    secondStart("REC:1");
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.Recording(); }, 5000));
    clock = kStart.addSecs(59);
    f.RecordingTick();
    EXPECT_TRUE(f.Recording()) << "stopped before its minute";
    clock = kStart.addSecs(60);
    f.RecordingTick();
    EXPECT_FALSE(f.Recording()) << "still recording after its minute";

    secondStart("rec:");
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.Recording(); }, 5000));
    clock = kStart.addDays(1);
    f.RecordingTick();
    EXPECT_TRUE(f.Recording()) << "a recording without minutes runs until stopped";
    secondStart("REC:0");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !f.Recording(); }, 5000));
}

TEST_F(SoundPanelTest, AnOutputThatCannotBeOpenedIsReportedAndThePanelPlaysOn)
{
    StartPlaying("tunzo_no_such_output");
    const QString shown = ShownMessage();
    EXPECT_TRUE(shown.contains("tunzo_no_such_output")) << shown.toStdString();
    EXPECT_TRUE(shown.contains("Audio output")) << shown.toStdString();
    Feed(ToneForStation(94.2, false), 100);  // the feed's frames are taken, never waited on
    Press(Qt::Key_M);
    EXPECT_FALSE(RadioDriver::SoundOn) << "the panel stopped answering";
}
