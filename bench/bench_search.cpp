// What a station search costs beyond the card's own waits: the panel's search
// on the simulated card with its real delays, timed on the wall clock against
// the sum of the waits the protocol asked for in the same search. The goal:
// no more than 1.02x.
//   tunzo-bench-search [searches]

#include "MainForm.h"
#include "PopBtn.h"
#include "PortAccess.h"
#include "PortBackend.h"
#include "ProcessTiming.h"
#include "SettingsStore.h"
#include "SimulatedCard.h"
#include "TunerSettings.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

namespace {

constexpr double SearchGoal = 1.02;
constexpr int DefaultSearches = 5;
// From the first station up to the second: one step off it, then on to the next.
constexpr double FirstStation = 94.2;
constexpr double SecondStation = 95.0;
constexpr uint16_t RadioTrackPort = 0x30C;

// Passes everything to the simulated card and adds up the waits it is asked for.
class SleepCounting : public PortBackend {
public:
    explicit SleepCounting(std::unique_ptr<PortBackend> card) : card_(std::move(card)) {}
    bool openAccess(uint16_t port) override { return card_->openAccess(port); }
    void out(uint16_t port, uint8_t value) override { card_->out(port, value); }
    uint8_t in(uint16_t port) override { return card_->in(port); }
    void sleepMs(int ms) override
    {
        sleptMs += ms;
        card_->sleepMs(ms);
    }
    int64_t sleptMs = 0;

private:
    std::unique_ptr<PortBackend> card_;
};

}  // namespace

int main(int argc, char** argv)
{
    const int searches = argc > 1 ? std::max(1, std::atoi(argv[1])) : DefaultSearches;
    const std::string dir = UseThrowawayStoreAndCard();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    SimulatedCardBackend::Options options;
    options.stations = {{FirstStation, false}, {SecondStation, true}};
    auto counting = std::make_unique<SleepCounting>(std::make_unique<SimulatedCardBackend>(options));
    SleepCounting* ports = counting.get();
    SetPortBackend(std::move(counting));

    AssignInitialValues(TunerSettings);
    TunerSettings.CardPort = RadioTrackPort;
    SaveSettings();
    TMainForm form({});
    form.TerminateApplication = [] {};
    form.show();

    std::vector<double> ratios;
    double wallMs = 0;
    int64_t waitedMs = 0;
    for (int i = 0; i < searches; ++i) {
        form.TuneTo(FirstStation);
        const int64_t sleptBefore = ports->sleptMs;
        const auto start = std::chrono::steady_clock::now();
        form.cmd_scanupClick(form.cmd_scanup);
        const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
        const int64_t waited = ports->sleptMs - sleptBefore;
        if (std::fabs(TunerSettings.CurrentFrequency - SecondStation) > 1e-9) {
            std::fprintf(stderr, "tunzo-bench-search: the search ended on %.3f, not %.1f\n",
                         TunerSettings.CurrentFrequency, SecondStation);
            return 1;
        }
        ratios.push_back(spent.count() / static_cast<double>(waited));
        wallMs += spent.count();
        waitedMs += waited;
    }
    std::filesystem::remove_all(dir);

    const double ratio = Median(ratios);
    std::printf("station search on the simulated card, %.1f to %.1f MHz, median of %d searches:\n", FirstStation,
                SecondStation, searches);
    std::printf("  wall clock per search     %8.1f ms\n", wallMs / searches);
    std::printf("  the protocol's own waits  %8.1f ms\n", static_cast<double>(waitedMs) / searches);
    std::printf("  search / waits: %.3fx (goal %.2fx, %s)\n", ratio, SearchGoal,
                ratio <= SearchGoal ? "met" : "not met");
    return 0;
}
