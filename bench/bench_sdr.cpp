// The SDR receiver measured on the broadcast modulator's IQ (or on an
// rtl_sdr recording given to it): CPU time per second of signal, the audio
// SNR of a station's tone, stereo separation and the RDS block error rate
// against the input SNR, each beside its goal, and the time from a tune to
// the station name on the simulated dongle through the receiver feed. Where GNU Radio is installed
// the same IQ goes through its wideband FM stereo receiver as well.
//
//   tunzo-bench-sdr [IQFILE [RATE [OFFSET_HZ]]]
//
// OFFSET_HZ is the station's frequency less the recording's centre.

#include "BroadcastModulator.h"
#include "FmReceiver.h"
#include "IqFile.h"
#include "RdsDecoder.h"
#include "SdrBenchFeed.h"
#include "SdrBenchGnuRadio.h"
#include "SdrBenchMeasures.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <string>

namespace {

constexpr double kRate = 1024000.0;
constexpr double kOffsetHz = 256000.0;
constexpr size_t kChunkBytes = 262144;  // librtlsdr's default buffer
constexpr double kCpuGoal = 0.15;
constexpr double kSnrGoalDb = 40.0;
constexpr double kSeparationGoalDb = 30.0;
constexpr double kRdsNameGoalDb = 15.0;
constexpr double kSettleSeconds = 0.8;  // blend and filters settled
// From a tune to the name through the whole path: what "Find all stations"
// waits on a station at most.
constexpr double kTuneToNameGoalSeconds = 3.0;
const BroadcastStation kStereo{94.2, true, "TEN FM", "Blue in Green - Miles Davis"};
const BroadcastStation kMono{88.4, false, "JAZZ", "So What"};

double ThreadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

std::vector<uint8_t> Iq(const BroadcastStation& station, double seconds, double snrDb, uint32_t seed = 1)
{
    ModulatorSettings settings;
    settings.centreHz = station.mhz * 1e6 - kOffsetHz;
    settings.sampleRate = kRate;
    settings.snrDb = snrDb;
    settings.seed = seed;
    BroadcastModulator modulator({station}, settings);
    std::vector<uint8_t> bytes(2 * static_cast<size_t>(seconds * kRate));
    modulator.generate(bytes);
    return bytes;
}

struct Run {
    std::vector<float> audio;
    std::vector<RdsBlock> blocks;
    ReceiverState state;
    double cpuPerSecond = 0;
};

Run Receive(const std::vector<uint8_t>& bytes, double rate, double offsetHz)
{
    ReceiverSettings settings;
    settings.inputRate = rate;
    settings.offsetHz = offsetHz;
    FmReceiver receiver(settings);
    Run run;
    run.audio.reserve(bytes.size() / 2 * 2 * 48000 / static_cast<size_t>(rate) + 1024);
    const double start = ThreadCpuSeconds();
    for (size_t at = 0; at < bytes.size(); at += kChunkBytes) {
        const size_t length = std::min(kChunkBytes, bytes.size() - at);
        receiver.process(std::span<const uint8_t>(bytes.data() + at, length), run.audio, run.blocks);
    }
    run.cpuPerSecond = (ThreadCpuSeconds() - start) / (static_cast<double>(bytes.size()) / 2.0 / rate);
    run.state = receiver.state();
    return run;
}

const char* Verdict(bool met)
{
    return met ? "met" : "NOT MET";
}

TunzoFigures CpuAndQuality(const std::vector<uint8_t>& stereoIq)
{
    double best = 1e9;
    Run run;
    for (int attempt = 0; attempt < 3; ++attempt) {
        run = Receive(stereoIq, kRate, kOffsetHz);
        best = std::min(best, run.cpuPerSecond);
    }
    std::printf("CPU per second of signal, 1.024 MS/s, stereo and RDS on, one core: %.3f s   goal <= %.2f s  %s\n",
                best, kCpuGoal, Verdict(best <= kCpuGoal));

    const AudioMeasure stereo = MeasureStereo(run.audio, kStereo, kSettleSeconds);
    const Run monoRun = Receive(Iq(kMono, 4.0, kDefaultSnrDb), kRate, kOffsetHz);
    const AudioMeasure mono = MeasureStereo(monoRun.audio, kMono, kSettleSeconds);
    std::printf("Audio SNR of the tone at %.0f dB input (tone against all else in the audio):\n", kDefaultSnrDb);
    std::printf("  mono station %.1f MHz:   left %.1f dB, right %.1f dB   goal >= %.0f dB  %s\n", kMono.mhz,
                mono.leftSnrDb, mono.rightSnrDb, kSnrGoalDb,
                Verdict(std::min(mono.leftSnrDb, mono.rightSnrDb) >= kSnrGoalDb));
    std::printf("  stereo station %.1f MHz: left %.1f dB, right %.1f dB   goal >= %.0f dB  %s\n", kStereo.mhz,
                stereo.leftSnrDb, stereo.rightSnrDb, kSnrGoalDb,
                Verdict(std::min(stereo.leftSnrDb, stereo.rightSnrDb) >= kSnrGoalDb));
    const double separation = std::min(stereo.separationLeftDb, stereo.separationRightDb);
    std::printf("Stereo separation: left into right %.1f dB, right into left %.1f dB   goal >= %.0f dB  %s\n",
                stereo.separationLeftDb, stereo.separationRightDb, kSeparationGoalDb,
                Verdict(separation >= kSeparationGoalDb));
    return {best, std::min(stereo.leftSnrDb, stereo.rightSnrDb)};
}

void RdsAgainstSnr()
{
    constexpr double kSeconds = 8.0;
    std::printf("RDS against input SNR (goal range 10-30 dB, and below it; carrier to noise over the sampled 1.024 MHz; %.0f s each, stereo station):\n",
                kSeconds);
    std::printf("  SNR dB   blocks sent   good   corrected   uncorrectable   block error rate   name shown after\n");
    bool nameAtGoal = false;
    for (double snr : {5.0, 7.5, 10.0, 12.5, 15.0, 17.5, 20.0, 25.0, 30.0}) {
        const Run run = Receive(Iq(kStereo, kSeconds, snr, static_cast<uint32_t>(snr * 10)), kRate, kOffsetHz);
        const RdsCount count = CountRds(run.blocks, kSeconds);
        if (snr == kRdsNameGoalDb)
            nameAtGoal = count.nameShownAfter >= 0;
        char shown[32] = "never";
        if (count.nameShownAfter >= 0)
            std::snprintf(shown, sizeof shown, "%.2f s", count.nameShownAfter);
        std::printf("  %6.1f   %11d   %4d   %9d   %13d   %15.4f   %s\n", snr, count.sent, count.good, count.corrected,
                    count.uncorrectable, count.errorRate, shown);
    }
    std::printf("Station name shown at %.0f dB   goal: shown  %s\n", kRdsNameGoalDb, Verdict(nameAtGoal));
}

// The simulated dongle synthesises its IQ as it is read: what that costs
// with a band of three stations (no goal; it is the simulation's own price).
void ModulatorCost()
{
    ModulatorSettings settings;
    settings.centreHz = kStereo.mhz * 1e6 - kOffsetHz;
    settings.sampleRate = kRate;
    BroadcastModulator modulator({kStereo, {94.0, false, "", ""}, {93.7, true, "RADIO", ""}}, settings);
    std::vector<uint8_t> bytes(kChunkBytes);
    constexpr int kChunks = 16;
    const double start = ThreadCpuSeconds();
    for (int i = 0; i < kChunks; ++i)
        modulator.generate(bytes);
    const double seconds = kChunks * static_cast<double>(kChunkBytes) / 2.0 / kRate;
    std::printf("Simulated dongle: %.3f s of CPU per second of IQ with %zu stations in the band (no goal)\n",
                (ThreadCpuSeconds() - start) / seconds, modulator.stationCount());
}

void Recording(const char* path, double rate, double offsetHz)
{
    IqFileReader reader(path);
    std::vector<uint8_t> bytes(static_cast<size_t>(std::min<uint64_t>(reader.samples(), 30 * static_cast<uint64_t>(rate))) * 2);
    reader.read(bytes);
    const Run run = Receive(bytes, rate, offsetHz);
    RdsDecoder decoder;
    for (const RdsBlock& block : run.blocks)
        decoder.addBlock(block);
    std::printf("Recording %s (%.1f s at %.0f S/s, station %+.0f Hz from its centre):\n", path,
                static_cast<double>(bytes.size()) / 2 / rate, rate, offsetHz);
    std::printf("  CPU per second of signal %.3f s   goal <= %.2f s  %s\n", run.cpuPerSecond, kCpuGoal,
                Verdict(run.cpuPerSecond <= kCpuGoal));
    std::printf("  signal %s, carrier to noise %.1f dB, level %.1f dBFS, pilot %s, stereo %s, RDS name \"%s\"\n",
                run.state.signal ? "yes" : "no", run.state.snrDb, run.state.signalDb, run.state.pilot ? "locked" : "none",
                run.state.stereo ? "yes" : "no", decoder.state().name.c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        if (argc > 1) {
            const double rate = argc > 2 ? std::atof(argv[2]) : kRate;
            const double offset = argc > 3 ? std::atof(argv[3]) : 0.0;
            Recording(argv[1], rate, offset);
            return 0;
        }
        const std::vector<uint8_t> stereoIq = Iq(kStereo, 4.0, kDefaultSnrDb);
        const TunzoFigures tunzo = CpuAndQuality(stereoIq);
        RdsAgainstSnr();
        TuneToNameThroughTheFeed(kRdsNameGoalDb, kTuneToNameGoalSeconds);
        TuneToNameThroughTheFeed(kDefaultSnrDb, kTuneToNameGoalSeconds);
        CompareWithGnuRadio(stereoIq, kRate, kOffsetHz, kStereo, tunzo);
        ModulatorCost();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tunzo-bench-sdr: %s\n", error.what());
        return 1;
    }
    return 0;
}
