#include "RdsClock.h"

#include <cstdio>

namespace {

constexpr uint16_t kMjdHighMask = 0x3;  // block B bits 1-0: MJD bits 16-15
constexpr int kMjdHighShift = 15;
constexpr int kMjdLowShift = 1;        // block C bits 15-1: MJD bits 14-0
constexpr uint32_t kMjdLowMask = 0x7FFF;
constexpr uint16_t kHourHighBit = 0x1;  // block C bit 0: hour bit 4
constexpr int kHourHighShift = 4;
constexpr int kHourLowShift = 12;  // block D bits 15-12: hour bits 3-0
constexpr uint16_t kHourLowMask = 0xF;
constexpr int kMinuteShift = 6;  // block D bits 11-6
constexpr uint16_t kMinuteMask = 0x3F;
constexpr uint16_t kOffsetNegative = 0x20;  // block D bit 5
constexpr uint16_t kOffsetMask = 0x1F;      // block D bits 4-0

constexpr int kSecondsPerDay = 86400;

int FloorDiv(int64_t a, int64_t b)
{
    return static_cast<int>(a / b - ((a % b != 0) && ((a < 0) != (b < 0))));
}

// Proleptic Gregorian date of a day counted from 1970-01-01 (the usual
// era-based conversion, exact for every day an MJD of 17 bits can name).
void CivilFromDays(int64_t days, int& year, int& month, int& day)
{
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthIndex = (5 * dayOfYear + 2) / 153;  // March = 0
    day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

}  // namespace

std::optional<RdsClockTime> DecodeClockTime(uint16_t blockB, uint16_t blockC, uint16_t blockD)
{
    RdsClockTime time;
    time.mjd = static_cast<uint32_t>(blockB & kMjdHighMask) << kMjdHighShift | (blockC >> kMjdLowShift & kMjdLowMask);
    const int hour = (blockC & kHourHighBit) << kHourHighShift | (blockD >> kHourLowShift & kHourLowMask);
    const int minute = blockD >> kMinuteShift & kMinuteMask;
    if (hour > kMaxHour || minute > kMaxMinute)
        return std::nullopt;
    time.hour = static_cast<uint8_t>(hour);
    time.minute = static_cast<uint8_t>(minute);
    const int magnitude = blockD & kOffsetMask;
    time.offsetHalfHours = static_cast<int8_t>((blockD & kOffsetNegative) ? -magnitude : magnitude);
    return time;
}

RdsClockBlocks EncodeClockTime(const RdsClockTime& time)
{
    RdsClockBlocks blocks;
    blocks.blockBLow = static_cast<uint16_t>(time.mjd >> kMjdHighShift & kMjdHighMask);
    blocks.blockC = static_cast<uint16_t>((time.mjd & kMjdLowMask) << kMjdLowShift | (time.hour >> kHourHighShift & kHourHighBit));
    const int magnitude = time.offsetHalfHours < 0 ? -time.offsetHalfHours : time.offsetHalfHours;
    blocks.blockD = static_cast<uint16_t>((time.hour & kHourLowMask) << kHourLowShift | (time.minute & kMinuteMask) << kMinuteShift
                                          | (time.offsetHalfHours < 0 ? kOffsetNegative : 0) | (magnitude & kOffsetMask));
    return blocks;
}

RdsLocalTime LocalTimeOf(const RdsClockTime& time)
{
    RdsLocalTime local;
    local.offsetMinutes = time.offsetHalfHours * kMinutesPerOffsetStep;
    const int minutes = time.hour * 60 + time.minute + local.offsetMinutes;
    const int dayShift = FloorDiv(minutes, kMinutesPerDay);
    const int minuteOfDay = minutes - dayShift * kMinutesPerDay;
    local.hour = minuteOfDay / 60;
    local.minute = minuteOfDay % 60;
    CivilFromDays(static_cast<int64_t>(time.mjd) - kMjdOfUnixEpoch + dayShift, local.year, local.month, local.day);
    return local;
}

RdsClockTime ClockTimeFromUnix(int64_t utcSeconds, int offsetHalfHours)
{
    const int days = FloorDiv(utcSeconds, kSecondsPerDay);
    const int64_t secondOfDay = utcSeconds - static_cast<int64_t>(days) * kSecondsPerDay;
    RdsClockTime time;
    time.mjd = static_cast<uint32_t>(days + static_cast<int64_t>(kMjdOfUnixEpoch));
    time.hour = static_cast<uint8_t>(secondOfDay / 3600);
    time.minute = static_cast<uint8_t>(secondOfDay / 60 % 60);
    time.offsetHalfHours = static_cast<int8_t>(offsetHalfHours);
    return time;
}

std::string FormatClockTime(const RdsClockTime& time)
{
    const RdsLocalTime local = LocalTimeOf(time);
    const int offset = local.offsetMinutes < 0 ? -local.offsetMinutes : local.offsetMinutes;
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d %c%02d:%02d", local.year, local.month, local.day, local.hour,
                  local.minute, local.offsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
    return text;
}
