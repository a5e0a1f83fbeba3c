#include "SdrBenchGnuRadio.h"

#include "SdrBenchMeasures.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

constexpr double kGoalRatio = 1.0;

// The flowgraph: shift and decimate to 256 kHz, resample to 192 kHz (the
// receiver block wants a whole audio decimation), wfm_rcv_pll to 48 kHz
// stereo. It prints the CPU seconds its run took (all its threads).
const char* const kScript = R"(import sys, time
from gnuradio import gr, blocks, analog, filter
from gnuradio.filter import firdes
iq, rate, offset, left, right = sys.argv[1], float(sys.argv[2]), float(sys.argv[3]), sys.argv[4], sys.argv[5]
tb = gr.top_block()
src = blocks.file_source(gr.sizeof_char, iq, False)
to_float = blocks.uchar_to_float()
centre = blocks.add_const_ff(-127.5)
scale = blocks.multiply_const_ff(1.0 / 127.5)
split = blocks.deinterleave(gr.sizeof_float)
to_complex = blocks.float_to_complex()
channel = filter.freq_xlating_fir_filter_ccf(4, firdes.low_pass(1.0, rate, 115e3, 70e3), offset, rate)
resample = filter.rational_resampler_ccc(3, 4)
try:
    rx = analog.wfm_rcv_pll(demod_rate=192000, audio_decimation=4, deemph_tau=50e-6)
except TypeError:
    rx = analog.wfm_rcv_pll(192000, 4)
tb.connect(src, to_float, centre, scale, split)
tb.connect((split, 0), (to_complex, 0))
tb.connect((split, 1), (to_complex, 1))
tb.connect(to_complex, channel, resample, rx)
tb.connect((rx, 0), blocks.file_sink(gr.sizeof_float, left))
tb.connect((rx, 1), blocks.file_sink(gr.sizeof_float, right))
start = time.process_time()
tb.run()
print(time.process_time() - start)
)";

bool GnuRadioInstalled()
{
    return std::system("python3 -c 'import gnuradio.analog' >/dev/null 2>&1") == 0;
}

std::vector<float> ReadFloats(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<float> values;
    float value = 0;
    while (in.read(reinterpret_cast<char*>(&value), sizeof value))
        values.push_back(value);
    return values;
}

}  // namespace

void CompareWithGnuRadio(const std::vector<uint8_t>& iq, double rate, double offsetHz,
                         const BroadcastStation& station, const TunzoFigures& tunzo)
{
    if (!GnuRadioInstalled()) {
        std::printf("GNU Radio side by side: not installed (Debian's gnuradio); the benchmark installs nothing, "
                    "so there is no comparison in this run\n");
        return;
    }
    const std::string base = "/tmp/tunzo-bench-sdr-" + std::to_string(::getpid());
    const std::string iqPath = base + ".u8", script = base + ".py", left = base + ".left", right = base + ".right";
    std::ofstream(iqPath, std::ios::binary).write(reinterpret_cast<const char*>(iq.data()),
                                                  static_cast<std::streamsize>(iq.size()));
    std::ofstream(script) << kScript;
    const std::string command = "python3 " + script + " " + iqPath + " " + std::to_string(rate) + " " +
                                std::to_string(offsetHz) + " " + left + " " + right + " 2>/dev/null";
    double cpu = -1;
    if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
        if (std::fscanf(pipe, "%lf", &cpu) != 1)
            cpu = -1;
        ::pclose(pipe);
    }
    const std::vector<float> l = ReadFloats(left), r = ReadFloats(right);
    for (const std::string& path : {iqPath, script, left, right})
        std::remove(path.c_str());
    if (cpu < 0 || l.empty() || l.size() != r.size()) {
        std::printf("GNU Radio side by side: its receiver did not run (wfm_rcv_pll missing or failed)\n");
        return;
    }
    std::vector<float> audio;
    for (size_t n = 0; n < l.size(); ++n) {
        audio.push_back(l[n]);
        audio.push_back(r[n]);
    }
    const AudioMeasure measure = MeasureStereo(audio, station, 0.8);
    const double seconds = static_cast<double>(iq.size()) / 2 / rate;
    const double gnuCpu = cpu / seconds;
    const double gnuSnr = std::min(measure.leftSnrDb, measure.rightSnrDb);
    std::printf("GNU Radio wfm_rcv_pll on the same IQ: CPU %.3f s per second of signal (all its threads), "
                "tone SNR %.1f dB, separation %.1f / %.1f dB\n",
                gnuCpu, gnuSnr, measure.separationLeftDb, measure.separationRightDb);
    const double ratio = tunzo.cpuPerSecond / gnuCpu;
    std::printf("Tunzo against GNU Radio: %.2fx its CPU time (goal <= %.1fx) %s, SNR %.1f against %.1f dB (goal: "
                "equal or better) %s\n",
                ratio, kGoalRatio, ratio <= kGoalRatio ? "met" : "NOT MET", tunzo.snrDb, gnuSnr,
                tunzo.snrDb >= gnuSnr ? "met" : "NOT MET");
}
