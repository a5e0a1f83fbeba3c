// Recordings as a user finds them afterwards: named after the station and
// the time in the right folder, tagged, never over an existing file, and
// still readable after a full disk or a kill -9.

#include "AudioAnalysis.h"
#include "AudioFormat.h"
#include "AudioTestDir.h"
#include "Recorder.h"
#include "ToneSource.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <vector>

namespace {
constexpr double kMhz = 94.2;
constexpr double kHzTolerance = 0.5;
// 2026-12-08 19:30 local time, whatever the zone: built from local fields.
std::time_t FixedTime()
{
    std::tm local{};
    local.tm_year = 2026 - 1900;
    local.tm_mon = 11;
    local.tm_mday = 8;
    local.tm_hour = 19;
    local.tm_min = 30;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

void RecordTone(Recorder& recorder, double seconds)
{
    ToneSource source(ToneForStation(kMhz, false));
    const size_t frames = static_cast<size_t>(seconds * kAudioRate);
    std::vector<float> block(frames * kAudioChannels);
    source.fill(block.data(), frames);
    recorder.write(block.data(), frames);
}

struct FormatRow {
    RecordingFormat format;
    const char* name;
    rlim_t fullAfterBytes;  // a "disk" that holds 1.5-4 s of the tone
};
const FormatRow kFormatRows[] = {
    {RecordingFormat::Flac, "JAZZ 2026-12-08 19-30.flac", 64 * 1024},
    {RecordingFormat::OggVorbis, "JAZZ 2026-12-08 19-30.ogg", 12 * 1024},
    {RecordingFormat::Wav, "JAZZ 2026-12-08 19-30.wav", 300 * 1024},
};

class RecorderFormatTest : public ::testing::TestWithParam<FormatRow> {
protected:
    AudioTestDir dir;
};

TEST_P(RecorderFormatTest, FileIsNamedTaggedAndHoldsTheTone)
{
    const std::string folder = dir.file("not/there/yet");
    Recorder recorder;
    std::string error;
    ASSERT_TRUE(recorder.start({folder, "JAZZ", GetParam().format, FixedTime()}, &error)) << error;
    RecordTone(recorder, 2.0);
    recorder.stop();
    EXPECT_EQ(recorder.status().path, folder + "/" + GetParam().name);
    const SoundFileContents file = ReadSoundFile(recorder.status().path);
    ASSERT_TRUE(file.ok) << file.error;
    EXPECT_EQ(file.rate, kAudioRate);
    EXPECT_EQ(file.title, "JAZZ");
    EXPECT_EQ(file.date, "2026-12-08 19:30");
    EXPECT_NEAR(static_cast<double>(file.frames.size()) / kAudioChannels / kAudioRate, 2.0, 0.05);
    EXPECT_NEAR(ToneFrequency(file.frames, kLeft), kMhz * kToneHzPerMHz, kHzTolerance);
}

// The name is taken even when the file appears between two recordings in
// the same minute: the old one keeps its contents.
TEST_P(RecorderFormatTest, ExistingFileIsNeverOverwritten)
{
    const std::string taken = dir.file(GetParam().name);
    std::ofstream(taken) << "keep me";
    Recorder recorder;
    std::string error;
    ASSERT_TRUE(recorder.start({dir.path(), "JAZZ", GetParam().format, FixedTime()}, &error)) << error;
    RecordTone(recorder, 0.5);
    recorder.stop();
    EXPECT_NE(recorder.status().path, taken);
    EXPECT_NE(recorder.status().path.find("JAZZ 2026-12-08 19-30 (2)."), std::string::npos);
    std::ifstream kept(taken);
    std::string contents;
    std::getline(kept, contents);
    EXPECT_EQ(contents, "keep me");
    EXPECT_FALSE(recorder.startFile(taken, "JAZZ", &error));
}

INSTANTIATE_TEST_SUITE_P(Formats, RecorderFormatTest, ::testing::ValuesIn(kFormatRows),
                         [](const auto& info) { return std::string(RecordingExtension(info.param.format) + 1); });

// A recording in a child process, which the parent ends the hard way.
struct ChildRecording {
    pid_t pid = -1;
    int readFd = -1;
};

// Starts a child that records the tone and writes one line to the pipe when
// it has handed `seconds` of it to the encoder (or has failed), then waits.
ChildRecording StartChildRecording(const std::string& folder, RecordingFormat format, double seconds,
                                   rlim_t fileSizeLimit)
{
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    const pid_t pid = fork();
    if (pid != 0) {
        close(fds[1]);
        return {pid, fds[0]};
    }
    close(fds[0]);
    if (fileSizeLimit != RLIM_INFINITY) {
        const rlimit limit{fileSizeLimit, fileSizeLimit};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    Recorder recorder;
    std::promise<std::string> stopped;
    recorder.setFailureCallback([&](const RecorderStatus& status) { stopped.set_value(status.message); });
    std::string error;
    if (!recorder.start({folder, "JAZZ", format, FixedTime()}, &error))
        _exit(2);
    RecordTone(recorder, seconds);
    auto failure = stopped.get_future();
    std::string line = "written\n";
    const size_t wanted = static_cast<size_t>(seconds * kAudioRate);
    while (recorder.status().framesWritten < wanted) {
        if (failure.wait_for(std::chrono::milliseconds(20)) == std::future_status::ready) {
            line = failure.get() + "\n";
            break;
        }
    }
    if (write(fds[1], line.data(), line.size()) < 0)
        _exit(3);
    pause();
    _exit(0);
}

std::string ReadLine(int fd)
{
    std::string line;
    char c;
    while (read(fd, &c, 1) == 1 && c != '\n')
        line += c;
    return line;
}

std::string OnlyFileIn(const std::string& folder)
{
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        return entry.path().string();
    return {};
}

// The length a WAV file's own header gives its samples: what decoders that
// trust the header (most of them, unlike libsndfile) will play.
double WavHeaderSeconds(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    char id[4];
    uint32_t size = 0;
    in.seekg(12);  // past "RIFF", its size and "WAVE"
    while (in.read(id, 4) && in.read(reinterpret_cast<char*>(&size), 4)) {
        if (std::string(id, 4) == "data")
            return static_cast<double>(size) / (kAudioChannels * sizeof(int16_t)) / kAudioRate;
        in.seekg(size + (size & 1), std::ios::cur);
    }
    return 0;
}

class RecorderCrashTest : public ::testing::TestWithParam<FormatRow> {
protected:
    AudioTestDir dir;
};

// Killed while recording: decoders read the file up to within 2 s.
TEST_P(RecorderCrashTest, KillLeavesAReadableFile)
{
    constexpr double kSeconds = 6.0;
    constexpr double kMayLoseSeconds = 2.0;
    const std::string folder = dir.file("rec");
    ChildRecording child = StartChildRecording(folder, GetParam().format, kSeconds, RLIM_INFINITY);
    ASSERT_GT(child.pid, 0);
    EXPECT_EQ(ReadLine(child.readFd), "written");
    kill(child.pid, SIGKILL);
    int status = 0;
    waitpid(child.pid, &status, 0);
    close(child.readFd);
    ASSERT_TRUE(WIFSIGNALED(status));

    const std::string path = OnlyFileIn(folder);
    const SoundFileContents file = ReadSoundFile(path);
    ASSERT_TRUE(file.ok) << file.error;
    EXPECT_GE(static_cast<double>(file.frames.size()) / kAudioChannels / kAudioRate, kSeconds - kMayLoseSeconds);
    if (GetParam().format == RecordingFormat::Wav) {
        EXPECT_GE(WavHeaderSeconds(path), kSeconds - kMayLoseSeconds);
    }
    EXPECT_NEAR(ToneFrequency(file.frames, kLeft), kMhz * kToneHzPerMHz, kHzTolerance);
}

// A file-size limit (a full disk to the recorder): the recording stops with
// a message, the program goes on, and the file is valid up to that point.
TEST_P(RecorderCrashTest, FullDiskStopsWithAMessageAndAValidFile)
{
    constexpr double kSeconds = 8.0;  // twice what the limit holds, within the queue
    const rlim_t limit = GetParam().fullAfterBytes;
    const std::string folder = dir.file("rec");
    ChildRecording child = StartChildRecording(folder, GetParam().format, kSeconds, limit);
    ASSERT_GT(child.pid, 0);
    EXPECT_EQ(ReadLine(child.readFd), "Recording stopped: the disk is full");
    kill(child.pid, SIGKILL);
    int status = 0;
    waitpid(child.pid, &status, 0);
    close(child.readFd);
    EXPECT_EQ(WTERMSIG(status), SIGKILL) << "the limit ended the child itself";

    const std::string path = OnlyFileIn(folder);
    EXPECT_LE(std::filesystem::file_size(path), limit);
    const SoundFileContents file = ReadSoundFile(path);
    ASSERT_TRUE(file.ok) << file.error;
    EXPECT_GT(file.frames.size(), static_cast<size_t>(kAudioRate));
    EXPECT_NEAR(ToneFrequency(file.frames, kLeft), kMhz * kToneHzPerMHz, kHzTolerance);
}

INSTANTIATE_TEST_SUITE_P(Formats, RecorderCrashTest, ::testing::ValuesIn(kFormatRows),
                         [](const auto& info) { return std::string(RecordingExtension(info.param.format) + 1); });

struct FolderRow {
    const char* what;
    const char* musicEnv;      // XDG_MUSIC_DIR, or null
    const char* userDirsLine;  // in ~/.config/user-dirs.dirs, or null
    const char* expected;      // under $HOME
};

TEST(RecordingsFolder, MusicFolderFromEnvironmentUserDirsOrHome)
{
    const FolderRow rows[] = {
        {"environment", "/srv/music", "XDG_MUSIC_DIR=\"$HOME/Musik\"", "/srv/music/Tunzo"},
        {"user-dirs", nullptr, "XDG_MUSIC_DIR=\"$HOME/Musik\"", "~/Musik/Tunzo"},
        {"home", nullptr, nullptr, "~/Music/Tunzo"},
    };
    for (const FolderRow& row : rows) {
        AudioTestDir dir;
        if (row.musicEnv)
            setenv("XDG_MUSIC_DIR", row.musicEnv, 1);
        if (row.userDirsLine) {
            std::filesystem::create_directories(dir.file(".config"));
            std::ofstream(dir.file(".config/user-dirs.dirs")) << "# written by xdg-user-dirs-update\n"
                                                              << row.userDirsLine << "\n";
        }
        std::string expected = row.expected;
        if (expected.rfind("~", 0) == 0)
            expected = dir.path() + expected.substr(1);
        EXPECT_EQ(DefaultRecordingsFolder(), expected) << row.what;
    }
}

TEST(RecordingsFolder, StationWithoutNameIsNamedByFrequency)
{
    EXPECT_EQ(RecordingBaseName(StationLabel("", 94.2), FixedTime()), "94.2 MHz 2026-12-08 19-30");
    EXPECT_EQ(RecordingBaseName(StationLabel("AC/DC FM", 94.2), FixedTime()), "AC-DC FM 2026-12-08 19-30");
}
}  // namespace
