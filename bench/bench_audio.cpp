// What the audio path costs, beside its goals:
// - playing: CPU time to move a stretch of a receiver's sound from a capture
//   PCM to an output PCM, against alsaloop (alsa-utils) moving the same
//   sound between the same PCMs (goal: at most 1.0x);
// - latency: the most the path held with a producer clock 0.5 % fast, slow
//   or true, against the "Audio latency" setting (simulated clocks: there is
//   no sound card to time against);
// - recording: CPU time to encode the same minute of sound to FLAC, against
//   the flac command (goal: at most 1.1x).
// Peers that are not installed are named and skipped; nothing is installed.
// The capture PCM is a file plugin reading a FIFO the benchmark writes, so
// both programs get the sound at the pace they take it; their CPU time is
// read when the last of it has gone in.

#include "AudioCapture.h"
#include "AudioPlayer.h"
#include "AudioRing.h"
#include "DriftCorrector.h"
#include "Recorder.h"
#include "ToneSource.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {
constexpr int kPlaySeconds = 120;
constexpr int kEncodeSeconds = 60;
constexpr double kPlayGoal = 1.0;
constexpr double kEncodeGoal = 1.1;
constexpr int kLatencyMs = kDefaultLatencyMs;
constexpr const char* kCapturePcm = "tunzo_bench_in";
constexpr const char* kOutputPcm = "null";

// Programme-like sound: two stations' tones with noise 40 dB down, so FLAC
// has something to work at (a bare sine compresses to almost nothing).
std::vector<float> Programme(int seconds)
{
    ToneSource a(ToneForStation(94.2, true)), b(ToneForStation(101.7, false));
    const size_t frames = static_cast<size_t>(seconds) * kAudioRate;
    std::vector<float> out(frames * kAudioChannels), other(frames * kAudioChannels);
    a.fill(out.data(), frames);
    b.fill(other.data(), frames);
    std::mt19937 random(1);
    std::normal_distribution<float> noise(0.0f, 0.01f);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = 0.5f * (out[i] + other[i]) + noise(random);
    return out;
}

std::vector<short> ToS16(const std::vector<float>& frames)
{
    std::vector<short> out(frames.size());
    std::transform(frames.begin(), frames.end(), out.begin(),
                   [](float s) { return static_cast<short>(std::lrint(std::clamp(s, -1.0f, 1.0f) * 32767)); });
    return out;
}

bool Installed(const char* program)
{
    const std::string command = std::string("command -v ") + program + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

// CPU seconds a running process has used so far.
double ProcessCpu(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string skip;
    for (int i = 0; i < 11; ++i)
        fields >> skip;
    long user = 0, system = 0;
    fields >> user >> system;
    return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Runs `argv` with the FIFO as its capture PCM's input, writes the sound into
// the FIFO, and returns the CPU the program used until all of it was read.
double CpuToMove(const std::string& fifo, const std::vector<short>& sound, std::vector<std::string> argv)
{
    const pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> args;
        for (std::string& a : argv)
            args.push_back(a.data());
        args.push_back(nullptr);
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
        execvp(args[0], args.data());
        _exit(127);
    }
    const int fd = open(fifo.c_str(), O_WRONLY);
    const char* bytes = reinterpret_cast<const char*>(sound.data());
    size_t left = sound.size() * sizeof(short);
    while (left > 0) {
        const ssize_t n = write(fd, bytes, left);
        if (n <= 0)
            break;
        bytes += n;
        left -= static_cast<size_t>(n);
    }
    const double cpu = ProcessCpu(pid);
    close(fd);
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    return cpu;
}

// The playing path alone, as a child: capture PCM to output PCM.
int PlayForever()
{
    AudioPlayer player({kOutputPcm, kLatencyMs});
    player.start();
    AudioCapture capture(kCapturePcm, [&](const float* frames, size_t count) {
        player.waitForRoom(std::chrono::milliseconds(kLatencyMs));
        player.push(frames, count);
    });
    capture.start();
    pause();
    return 0;
}

void BenchPlaying(const std::string& self, const std::string& dir)
{
    const std::string fifo = dir + "/capture.fifo";
    mkfifo(fifo.c_str(), 0600);
    std::ofstream(dir + "/.asoundrc") << "pcm." << kCapturePcm << " { type file slave.pcm null file \"/dev/null\" "
                                      << "infile \"" << fifo << "\" format raw }\n";
    setenv("HOME", dir.c_str(), 1);
    const std::vector<short> sound = ToS16(Programme(kPlaySeconds));
    const double perMinute = 60.0 / kPlaySeconds;
    const double ours = CpuToMove(fifo, sound, {self, "--play"}) * perMinute;
    std::printf("Playing, CPU per minute of sound (capture PCM -> %s, %d ms):\n", kOutputPcm, kLatencyMs);
    std::printf("  tunzo audio path (libsamplerate sinc fastest) %8.3f s\n", ours);
    if (!Installed("alsaloop")) {
        std::printf("  alsaloop                    not installed (alsa-utils): no comparison\n");
        return;
    }
    const std::vector<std::string> common = {"alsaloop", "-C", kCapturePcm, "-P", kOutputPcm, "-f", "S16_LE",
                                             "-c", "2", "-r", "48000", "-t", std::to_string(kLatencyMs * 1000)};
    std::vector<std::string> resampling = common;
    resampling.insert(resampling.end(), {"-S", "4", "-A", "2"});
    const double plain = CpuToMove(fifo, sound, common) * perMinute;
    const double steered = CpuToMove(fifo, sound, resampling) * perMinute;
    std::printf("  alsaloop (its own sync)                       %8.3f s   ratio %.2fx\n", plain,
                plain > 0 ? ours / plain : 0);
    std::printf("  alsaloop -S 4 -A 2 (libsamplerate sinc)       %8.3f s   ratio %.2fx   goal <= %.1fx\n", steered,
                steered > 0 ? ours / steered : 0, kPlayGoal);
}

void BenchLatency()
{
    std::printf("Latency, setting %d ms (queue and converter on simulated clocks, plus the device's half):\n",
                kLatencyMs);
    const size_t period = FramesForMs(kLatencyMs / 8);
    for (double speed : {1.005, 1.0, 0.995}) {
        AudioRing queue(FramesForMs(kQueueCapacityMs));
        DriftCorrector corrector(FramesForMs(kLatencyMs / kQueueTargetShare),
                                 FramesForMs(kLatencyMs / kQueueMaxShare));
        ToneSource source(ToneForStation(94.2, false));
        std::vector<float> in(period * 2 * kAudioChannels), out(period * kAudioChannels);
        double owed = 0;
        size_t most = 0;
        for (int step = 0; step < 60 * kAudioRate / static_cast<int>(period); ++step) {
            owed += static_cast<double>(period) * speed;
            const size_t now = static_cast<size_t>(owed);
            owed -= static_cast<double>(now);
            source.fill(in.data(), now);
            queue.write(in.data(), now);
            corrector.render(queue, out.data(), period);
            most = std::max(most, queue.queued() + corrector.heldFrames());
        }
        const double total = MsForFrames(most) + kLatencyMs / kDeviceShare;
        std::printf("  producer clock %+.1f %%     most %6.1f ms   goal <= %d ms   underruns %zu, drops %zu\n",
                    (speed - 1) * 100, total, kLatencyMs, corrector.stats().underruns, corrector.stats().overruns);
    }
}

double ChildCpu(const rusage& usage)
{
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

void BenchEncoding(const std::string& dir)
{
    const std::vector<float> sound = Programme(kEncodeSeconds);
    const size_t frames = sound.size() / kAudioChannels;
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    Recorder recorder;
    std::string error;
    recorder.startFile(dir + "/ours.flac", "bench", &error);
    constexpr size_t kBlock = 4800;
    for (size_t done = 0; done < frames; done += kBlock) {
        recorder.waitForRoom(std::chrono::seconds(1));
        recorder.write(sound.data() + done * kAudioChannels, std::min(kBlock, frames - done));
    }
    recorder.stop();
    getrusage(RUSAGE_SELF, &after);
    const double ours = ChildCpu(after) - ChildCpu(before);
    std::printf("Recording, CPU to encode %d s to FLAC:\n", kEncodeSeconds);
    std::printf("  tunzo recorder              %8.3f s   (%zu of %zu frames written)\n", ours,
                recorder.status().framesWritten, frames);
    if (!Installed("flac")) {
        std::printf("  flac                        not installed: no comparison\n");
        return;
    }
    const std::string wav = dir + "/in.wav";
    Recorder plain;
    plain.startFile(wav, "bench", &error);
    for (size_t done = 0; done < frames; done += kBlock) {
        plain.waitForRoom(std::chrono::seconds(1));
        plain.write(sound.data() + done * kAudioChannels, std::min(kBlock, frames - done));
    }
    plain.stop();
    const pid_t pid = fork();
    if (pid == 0) {
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDERR_FILENO);
        execlp("flac", "flac", "-s", "-f", "-o", (dir + "/peer.flac").c_str(), wav.c_str(), nullptr);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double peer = ChildCpu(usage);
    std::printf("  flac                        %8.3f s   ratio %.2fx   goal <= %.1fx\n", peer,
                peer > 0 ? ours / peer : 0, kEncodeGoal);
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::string(argv[1]) == "--play")
        return PlayForever();
    char pattern[] = "/tmp/tunzo-bench-audio-XXXXXX";
    const std::string dir = mkdtemp(pattern);
    BenchPlaying(std::filesystem::canonical("/proc/self/exe").string(), dir);
    BenchLatency();
    BenchEncoding(dir);
    std::filesystem::remove_all(dir);
    return 0;
}
