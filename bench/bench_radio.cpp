// What the program itself costs per tune, with the card's waits taken out:
// the dispatch against the protocol function alone and against the bare port
// traffic the protocol consists of. Prints CPU time per tune and the ratios.

#include "Aztech.h"
#include "PortAccess.h"
#include "PortBackend.h"
#include "RadioDriver.h"
#include "RadioTrack.h"
#include "TunerSettings.h"

#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

// Takes every byte and returns at once; sleeps are not waited for.
class NullPortBackend : public PortBackend {
public:
    bool openAccess(uint16_t) override { return true; }
    void out(uint16_t, uint8_t value) override { sink = sink + value; }
    uint8_t in(uint16_t) override { return 0xFF; }
    void sleepMs(int ms) override { sink = sink + static_cast<unsigned>(ms); }
    volatile unsigned sink = 0;
};

double CpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

// Nanoseconds of CPU per call, best of five runs.
double NsPerCall(const std::function<void(int)>& work, int calls)
{
    double best = 1e30;
    for (int run = 0; run < 5; ++run) {
        const double start = CpuSeconds();
        for (int i = 0; i < calls; ++i)
            work(i);
        best = std::min(best, (CpuSeconds() - start) / calls * 1e9);
    }
    return best;
}

void Report(const char* family, int adapter, uint16_t port, void (*protocolTune)(double), PortBackend& backend)
{
    TunerSettings.Adapter = static_cast<int8_t>(adapter);
    TunerSettings.CardPort = port;
    OpenPortAccess();
    constexpr int calls = 100000;
    auto frequency = [](int i) { return 87.5 + (i % 200) * 0.1; };

    // The bytes the protocol sends for one tune, replayed straight to the backend.
    std::vector<uint8_t> bytes;
    {
        struct Capture : PortBackend {
            std::vector<uint8_t>* bytes;
            bool openAccess(uint16_t) override { return true; }
            void out(uint16_t, uint8_t v) override { bytes->push_back(v); }
            uint8_t in(uint16_t) override { return 0xFF; }
            void sleepMs(int) override {}
        };
        auto capture = std::make_unique<Capture>();
        capture->bytes = &bytes;
        auto previous = SetPortBackend(std::move(capture));
        OpenPortAccess();
        protocolTune(100.0);
        SetPortBackend(std::move(previous));
        OpenPortAccess();
    }

    const double floor = NsPerCall(
        [&](int) {
            for (uint8_t b : bytes)
                backend.out(port, b);
        },
        calls);
    const double protocol = NsPerCall([&](int i) { protocolTune(frequency(i)); }, calls);
    const double dispatch = NsPerCall([&](int i) { RadioDriver::Tune(frequency(i)); }, calls);
    std::printf("%-10s %3zu writes  port traffic %7.0f ns  protocol %7.0f ns  dispatch Tune %7.0f ns"
                "  dispatch/protocol %.2f  dispatch/traffic %.2f\n",
                family, bytes.size(), floor, protocol, dispatch, dispatch / protocol, dispatch / floor);
}

}  // namespace

int main()
{
    AssignInitialValues(TunerSettings);
    SetBandLimits(TunerSettings);
    auto owned = std::make_unique<NullPortBackend>();
    NullPortBackend& backend = *owned;
    SetPortBackend(std::move(owned));

    std::printf("CPU time per tune, card waits excluded (best of 5 x 100000 tunes)\n");
    Report("RadioTrack", 1, 0x30C, RadioTrackTune, backend);
    Report("Aztech", 4, 0x350, AztechTune, backend);
    return 0;
}
