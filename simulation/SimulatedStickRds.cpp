#include "SimulatedStickRds.h"

#include <algorithm>
#include <cmath>
#include <ctime>

namespace {
constexpr int SecondsPerMinute = 60;
constexpr int SecondsPerHalfHour = 1800;

// This machine's clock as a station in its time zone sends it.
RdsClockTime MachineClockTime(std::time_t now)
{
    std::tm local{};
    localtime_r(&now, &local);
    return ClockTimeFromUnix(now, static_cast<int>(local.tm_gmtoff / SecondsPerHalfHour));
}
}  // namespace

uint16_t SimulatedStationPi(double mhz)
{
    return static_cast<uint16_t>(SimulatedPiCountryCode | (std::lround(mhz * 10) & SimulatedPiNumberMask));
}

void StickRdsStream::Restart(const std::optional<SimulatedStation>& station, double mhz, double now,
                             double errorRate)
{
    started_ = true;
    mhz_ = mhz;
    start_ = now;
    delivered_ = 0;
    nextInGroup_ = kRdsBlocksPerGroup;
    clockMinute_ = -1;
    encoder_.reset();
    errors_.reset();
    if (!station || station->name.empty())
        return;
    RdsStation rds;
    rds.pi = SimulatedStationPi(station->mhz);
    rds.name = station->name;
    rds.text = station->text;
    encoder_ = std::make_unique<RdsEncoder>(rds);
    // The same spoilt blocks for the same station: a failing run can be repeated.
    errors_ = std::make_unique<RdsErrorInjector>(RdsErrorRates{errorRate, 0, 0}, rds.pi);
}

size_t StickRdsStream::Available(double now) const
{
    if (!encoder_ || now <= start_)
        return 0;
    const auto arrived = static_cast<uint64_t>((now - start_) * StickRdsBlocksPerSecond);
    return arrived > delivered_ ? static_cast<size_t>(arrived - delivered_) : 0;
}

double StickRdsStream::SecondsUntilNext(double now) const
{
    if (!encoder_)
        return -1;
    const double due = start_ + static_cast<double>(delivered_ + 1) / StickRdsBlocksPerSecond;
    return due > now ? due - now : 0;
}

RdsBlock StickRdsStream::NextBlock()
{
    if (nextInGroup_ == kRdsBlocksPerGroup) {
        // Stations send the time as the minute turns; one at the tune lets a
        // listener see it at once.
        const std::time_t wall = std::time(nullptr);
        if (wall / SecondsPerMinute != clockMinute_) {
            clockMinute_ = wall / SecondsPerMinute;
            encoder_->sendClockTime(MachineClockTime(wall));
        }
        group_ = encoder_->nextGroup();
        errors_->apply(group_);
        nextInGroup_ = 0;
    }
    return group_[static_cast<size_t>(nextInGroup_++)];
}

size_t StickRdsStream::Take(uint8_t* bytes, size_t capacity, double now)
{
    // What did not fit in the receiver's buffer was lost; the station's
    // cycle goes on from where the reader left it.
    if (const size_t waiting = Available(now); waiting > StickRdsBufferBlocks)
        delivered_ += waiting - StickRdsBufferBlocks;
    const size_t count = std::min(Available(now), capacity / kRdsRecordSize);
    for (size_t i = 0; i < count; ++i) {
        const RdsRecord record = RecordFromBlock(NextBlock());
        bytes[i * kRdsRecordSize] = record.lsb;
        bytes[i * kRdsRecordSize + 1] = record.msb;
        bytes[i * kRdsRecordSize + 2] = record.block;
    }
    delivered_ += count;
    return count * kRdsRecordSize;
}
