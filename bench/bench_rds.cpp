// What decoding RDS costs: a generated stream (clean, and with 10 % bad
// blocks) decoded from its V4L2 records, against only parsing the records,
// and against getting them as a receiver hands them over (one read() of one
// record per block, here from a pipe). Prints CPU time per block and ratios.
// Then, in air time at the standard rate, when the decoder shows the name
// after a tune against when the name's last segment had been received as
// the confidence rule asks (each segment once clean or twice the same).

#include "RdsDecoder.h"
#include "RdsEncoder.h"
#include "RdsCodeword.h"
#include "RdsGroup.h"
#include "RdsRule.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

constexpr int kGroups = 20000;
constexpr double kGoal = 1.5;

double CpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

// Nanoseconds of CPU per block, best of five runs.
double NsPerBlock(const std::function<void()>& work, size_t blocks)
{
    double best = 1e30;
    for (int run = 0; run < 5; ++run) {
        const double start = CpuSeconds();
        work();
        best = std::min(best, (CpuSeconds() - start) / static_cast<double>(blocks) * 1e9);
    }
    return best;
}

std::vector<uint8_t> Stream(RdsErrorRates rates)
{
    RdsStation station;
    station.pi = 0xC201;
    station.name = "TEN FM";
    station.text = "Blue in Green - Miles Davis, Bill Evans";
    station.pty = 10;
    RdsEncoder encoder(station);
    RdsErrorInjector errors(rates, 1);
    std::vector<RdsBlock> blocks;
    for (int g = 0; g < kGroups; ++g) {
        if (g % 684 == 0)  // a clock time each minute
            encoder.sendClockTime(ClockTimeFromUnix(1796745900 + g / 684 * 60, 2));
        RdsGroupBlocks group = encoder.nextGroup();
        errors.apply(group);
        AppendGroup(blocks, group);
    }
    return RecordBytes(blocks);
}

volatile uint32_t sink = 0;

void ParseOnly(const std::vector<uint8_t>& bytes)
{
    uint32_t sum = 0;
    for (size_t at = 0; at + kRdsRecordSize <= bytes.size(); at += kRdsRecordSize) {
        const RdsBlock block = BlockFromRecord(RdsRecord{bytes[at], bytes[at + 1], bytes[at + 2]});
        sum += block.data + static_cast<uint32_t>(block.id) + block.uncorrectable;
    }
    sink = sink + sum;
}

void Decode(const std::vector<uint8_t>& bytes)
{
    RdsDecoder decoder;
    uint32_t changed = 0;
    for (size_t at = 0; at + kRdsRecordSize <= bytes.size(); at += kRdsRecordSize)
        changed |= decoder.addRecords(bytes.data() + at, kRdsRecordSize);
    sink = sink + changed;
}

// Each record written into a pipe and read back with its own read(), the way
// a receiver's records arrive one at a time at the standard rate.
void ReadThrough(const std::vector<uint8_t>& bytes, RdsDecoder* decoder)
{
    int ends[2];
    if (pipe(ends) != 0)
        return;
    uint8_t record[kRdsRecordSize];
    uint32_t changed = 0;
    for (size_t at = 0; at + kRdsRecordSize <= bytes.size(); at += kRdsRecordSize) {
        if (write(ends[1], bytes.data() + at, kRdsRecordSize) != static_cast<ssize_t>(kRdsRecordSize))
            break;
        if (read(ends[0], record, sizeof record) != static_cast<ssize_t>(kRdsRecordSize))
            break;
        if (decoder)
            changed |= decoder->addRecords(record, sizeof record);
        else
            changed += BlockFromRecord(RdsRecord{record[0], record[1], record[2]}).data;
    }
    close(ends[0]);
    close(ends[1]);
    sink = sink + changed;
}

void Report(const char* what, RdsErrorRates rates)
{
    const std::vector<uint8_t> bytes = Stream(rates);
    const size_t blocks = bytes.size() / kRdsRecordSize;
    const double parse = NsPerBlock([&] { ParseOnly(bytes); }, blocks);
    const double decode = NsPerBlock([&] { Decode(bytes); }, blocks);
    const double read = NsPerBlock([&] { ReadThrough(bytes, nullptr); }, blocks);
    const double readDecode = NsPerBlock(
        [&] {
            RdsDecoder decoder;
            ReadThrough(bytes, &decoder);
        },
        blocks);
    std::printf("%-14s parse %6.1f ns  decode %6.1f ns  decode/parse %5.1fx"
                "   read %6.0f ns  read+decode %6.0f ns  ratio %.2fx (goal <= %.1fx: %s)\n",
                what, parse, decode, decode / parse, read, readDecode, readDecode / read, kGoal,
                readDecode / read <= kGoal ? "met" : "missed");
}

constexpr double kSecondsPerBlock = kRdsBlockBits / kRdsBitRate;
constexpr int kTunes = 200;

size_t BlockWhenShown(const std::vector<RdsBlock>& blocks)
{
    RdsDecoder decoder;
    for (size_t i = 0; i < blocks.size(); ++i) {
        if (decoder.addBlock(blocks[i]) & RdsChangedName)
            return i;
    }
    return blocks.size();
}

// A tune lands anywhere in the station's cycle: each run starts the stream
// at another group and with other errors.
void ReportTimeToName(const char* what, RdsErrorRates rates)
{
    RdsStation station;
    station.pi = 0xC201;
    station.name = "TEN FM";
    station.text = "Blue in Green";
    double shownSum = 0;
    double ruleSum = 0;
    for (int tune = 0; tune < kTunes; ++tune) {
        RdsEncoder encoder(station);
        for (int skip = 0; skip < tune % 7; ++skip)
            encoder.nextGroup();
        RdsErrorInjector errors(rates, static_cast<uint32_t>(tune + 1));
        std::vector<RdsBlock> blocks;
        for (int g = 0; g < 200; ++g) {
            RdsGroupBlocks group = encoder.nextGroup();
            errors.apply(group);
            AppendGroup(blocks, group);
        }
        shownSum += static_cast<double>(BlockWhenShown(blocks) + 1) * kSecondsPerBlock;
        ruleSum += static_cast<double>(BlockWhenRuleMet(blocks) + 1) * kSecondsPerBlock;
    }
    const double shown = shownSum / kTunes;
    const double rule = ruleSum / kTunes;
    std::printf("%-14s name shown %.3f s after the tune, rule met at %.3f s: %.2fx (goal <= 1.1x: %s)\n", what, shown,
                rule, shown / rule, shown / rule <= 1.1 ? "met" : "missed");
}

}  // namespace

int main()
{
    std::printf("CPU time per RDS block, %d groups (best of 5)\n", kGroups);
    Report("clean", {});
    Report("10 % bad", {0.10, 0, 0});
    std::printf("Air time from a tune to the name, mean of %d tunes\n", kTunes);
    ReportTimeToName("clean", {});
    ReportTimeToName("10 % bad", {0.10, 0, 0});
    ReportTimeToName("+10 % corr.", {0.10, 0.10, 0});
    return 0;
}
