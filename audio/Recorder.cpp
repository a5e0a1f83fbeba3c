#include "Recorder.h"

#include "AudioFormat.h"

#include <fcntl.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <vector>

namespace {
int SndfileFormat(RecordingFormat format)
{
    switch (format) {
    case RecordingFormat::Flac:
        return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    case RecordingFormat::OggVorbis:
        return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    case RecordingFormat::Wav:
        break;
    }
    return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
}

std::string TagDate(std::time_t when)
{
    std::tm local{};
    localtime_r(&when, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
}

// A file-size limit sends SIGXFSZ, which ends the program by default; with
// it ignored the write fails with EFBIG and the recording stops like on a
// full disk. A handler someone installed is left alone.
void KeepFileSizeLimitFromEndingTheProgram()
{
    struct sigaction current {};
    if (sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
        std::signal(SIGXFSZ, SIG_IGN);
}
}  // namespace

Recorder::Recorder() : queue_(FramesForMs(kRecorderQueueMs)) {}

Recorder::~Recorder()
{
    stop();
}

bool Recorder::start(const RecordingRequest& request, std::string* error)
{
    const std::time_t when = request.start ? request.start : std::time(nullptr);
    const std::string folder = request.folder.empty() ? DefaultRecordingsFolder() : request.folder;
    std::string path;
    const int fd =
        CreateRecordingFile(folder, RecordingBaseName(request.station, when), request.format, &path, error);
    if (fd < 0)
        return false;
    return open(fd, path, request.format, request.station, when, error);
}

bool Recorder::startFile(const std::string& path, const std::string& station, std::string* error)
{
    const auto format = RecordingFormatFromPath(path);
    if (!format) {
        *error = path + ": the name must end in .flac, .ogg or .wav";
        return false;
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        *error = "Cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    return open(fd, path, *format, station, std::time(nullptr), error);
}

bool Recorder::open(int fd, const std::string& path, RecordingFormat format, const std::string& station,
                    std::time_t when, std::string* error)
{
    stop();
    SF_INFO info{};
    info.samplerate = kAudioRate;
    info.channels = kAudioChannels;
    info.format = SndfileFormat(format);
    file_ = sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE);
    if (!file_) {
        *error = "Cannot write " + path + ": " + sf_strerror(nullptr);
        ::close(fd);
        ::unlink(path.c_str());
        return false;
    }
    // Tags go in before the first sample: Ogg and FLAC write them up front.
    sf_set_string(file_, SF_STR_TITLE, station.c_str());
    sf_set_string(file_, SF_STR_DATE, TagDate(when).c_str());
    sf_set_string(file_, SF_STR_SOFTWARE, "Tunzo");
    // WAV keeps its length in the header: rewrite it with every write so
    // that a killed program leaves a file with the right length. (Ogg and
    // FLAC need nothing: their streams are readable as far as they go, and
    // libsndfile's Ogg writer loses frames with it on.)
    if (format == RecordingFormat::Wav)
        sf_command(file_, SFC_SET_UPDATE_HEADER_AUTO, nullptr, SF_TRUE);
    KeepFileSizeLimitFromEndingTheProgram();
    {
        std::lock_guard lock(statusMutex_);
        status_ = RecorderStatus{RecorderState::Recording, path, {}, 0, 0};
    }
    queue_.clear();
    stopping_ = false;
    thread_ = std::thread([this] { run(); });
    accepting_ = true;
    return true;
}

void Recorder::write(const float* frames, size_t count)
{
    if (!accepting_)
        return;
    const size_t taken = queue_.write(frames, count);
    if (taken < count) {
        std::lock_guard lock(statusMutex_);
        status_.framesDropped += count - taken;
    }
}

void Recorder::waitForRoom(std::chrono::milliseconds timeout)
{
    queue_.waitUntilBelow(queue_.capacity() / 2, timeout);
}

void Recorder::stop()
{
    accepting_ = false;
    stopping_ = true;
    queue_.wake();
    if (thread_.joinable())
        thread_.join();
    std::lock_guard lock(statusMutex_);
    if (status_.state == RecorderState::Recording)
        status_.state = RecorderState::Idle;
}

RecorderStatus Recorder::status() const
{
    std::lock_guard lock(statusMutex_);
    return status_;
}

// Hands everything queued to the encoder; false when the disk took less,
// with the write's errno in `cause` (ENOSPC for a full disk, EFBIG for a
// file-size limit).
bool Recorder::drain(int* cause)
{
    std::vector<float> block(FramesForMs(kRecorderWriteIntervalMs) * kAudioChannels);
    for (;;) {
        const size_t got = queue_.read(block.data(), block.size() / kAudioChannels);
        if (got == 0)
            return true;
        errno = 0;
        const sf_count_t written = sf_writef_float(file_, block.data(), static_cast<sf_count_t>(got));
        *cause = errno;
        {
            std::lock_guard lock(statusMutex_);
            status_.framesWritten += static_cast<size_t>(std::max<sf_count_t>(written, 0));
        }
        if (written != static_cast<sf_count_t>(got))
            return false;
    }
}

void Recorder::fail(const std::string& message)
{
    RecorderStatus copy;
    {
        std::lock_guard lock(statusMutex_);
        status_.state = RecorderState::Failed;
        status_.message = message;
        copy = status_;
    }
    if (failed_)
        failed_(copy);
}

void Recorder::run()
{
    const size_t chunk = FramesForMs(kRecorderWriteIntervalMs);
    bool ok = true;
    int cause = 0;
    while (ok && !stopping_) {
        queue_.waitForFrames(chunk, std::chrono::milliseconds(kRecorderWriteIntervalMs));
        ok = drain(&cause);
    }
    if (ok)
        ok = drain(&cause);
    std::string reason;
    if (!ok) {
        reason = std::string("Recording stopped: ") +
                 (cause == ENOSPC || cause == EFBIG ? "the disk is full" : std::strerror(cause));
    }
    // Closing writes the final header over the part that was written, so a
    // stopped recording is a valid file up to its last whole block.
    sf_close(file_);
    file_ = nullptr;
    if (!ok)
        fail(reason);
}
