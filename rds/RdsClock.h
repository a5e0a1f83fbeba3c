#pragma once
// Clock time and date as group 4A sends it: the UTC date as a Modified Julian
// Day, the UTC hour and minute, and the local offset in signed half hours.
#include <cstdint>
#include <optional>
#include <string>

constexpr uint32_t kMjdOfUnixEpoch = 40587;  // 1970-01-01
constexpr int kMinutesPerDay = 24 * 60;
constexpr int kMinutesPerOffsetStep = 30;
constexpr int kMaxOffsetHalfHours = 31;  // five bits
constexpr uint8_t kMaxHour = 23;
constexpr uint8_t kMaxMinute = 59;

struct RdsClockTime {
    uint32_t mjd = 0;  // 17 bits
    uint8_t hour = 0;
    uint8_t minute = 0;
    int8_t offsetHalfHours = 0;  // local time minus UTC
    bool operator==(const RdsClockTime&) const = default;
};

struct RdsLocalTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int offsetMinutes = 0;
    bool operator==(const RdsLocalTime&) const = default;
};

// The bits of a 4A group that carry the time: the two low bits of block B,
// all of C and D.
struct RdsClockBlocks {
    uint16_t blockBLow = 0;
    uint16_t blockC = 0;
    uint16_t blockD = 0;
};

// Empty when the bits cannot be a time (hour 24 and up, minute 60 and up).
std::optional<RdsClockTime> DecodeClockTime(uint16_t blockB, uint16_t blockC, uint16_t blockD);
RdsClockBlocks EncodeClockTime(const RdsClockTime& time);

// The local date and time the station means, across midnight either way.
RdsLocalTime LocalTimeOf(const RdsClockTime& time);

// A machine clock reading (seconds since 1970 UTC) as a station sends it.
RdsClockTime ClockTimeFromUnix(int64_t utcSeconds, int offsetHalfHours);

// "2026-12-08 17:05 +01:00": local time with its offset from UTC.
std::string FormatClockTime(const RdsClockTime& time);
