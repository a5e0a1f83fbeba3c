#pragma once
// Programme type names: Europe's RDS and North America's RBDS number the same
// 32 codes but name most of them differently.
#include <cstdint>
#include <optional>
#include <string_view>

enum class RdsStandard { Rds, Rbds };

// The setting that chooses, and its two values as stored.
constexpr const char* kRdsStandardSetting = "RDS standard";
constexpr const char* kRdsStandardRdsValue = "RDS";
constexpr const char* kRdsStandardRbdsValue = "RBDS";

constexpr int kRdsProgrammeTypes = 32;

// The name of a programme type code (0-31) under a standard; "" past 31.
const char* RdsProgrammeTypeName(uint8_t pty, RdsStandard standard);

// RBDS where the country (ISO 3166 two-letter code, any case, as a locale
// names it) listens to RBDS, RDS everywhere else.
RdsStandard DefaultRdsStandard(std::string_view countryCode);

const char* RdsStandardValue(RdsStandard standard);
// Empty for anything but the two values (any case).
std::optional<RdsStandard> ParseRdsStandard(std::string_view value);

// The standard in use: the stored "RDS standard" when it is one of the two
// values, else the country's (a missing or unknown value is no choice).
RdsStandard ChosenRdsStandard(std::string_view stored, std::string_view countryCode);
