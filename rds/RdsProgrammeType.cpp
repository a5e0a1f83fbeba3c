#include "RdsProgrammeType.h"

#include <array>
#include <cctype>

namespace {

constexpr std::array<const char*, kRdsProgrammeTypes> kRdsNames = {
    "No programme type", "News", "Current Affairs", "Information", "Sport", "Education", "Drama", "Culture",
    "Science", "Varied", "Pop Music", "Rock Music", "Easy Listening", "Light Classical", "Serious Classical",
    "Other Music", "Weather", "Finance", "Children's Programmes", "Social Affairs", "Religion", "Phone-In",
    "Travel", "Leisure", "Jazz Music", "Country Music", "National Music", "Oldies Music", "Folk Music",
    "Documentary", "Alarm Test", "Alarm",
};

constexpr std::array<const char*, kRdsProgrammeTypes> kRbdsNames = {
    "No program type", "News", "Information", "Sports", "Talk", "Rock", "Classic Rock", "Adult Hits",
    "Soft Rock", "Top 40", "Country", "Oldies", "Soft", "Nostalgia", "Jazz", "Classical", "Rhythm and Blues",
    "Soft Rhythm and Blues", "Foreign Language", "Religious Music", "Religious Talk", "Personality", "Public",
    "College", "Unassigned", "Unassigned", "Unassigned", "Unassigned", "Unassigned", "Weather",
    "Emergency Test", "Emergency",
};

// The United States with its territories, Canada and Mexico.
constexpr std::array<std::string_view, 9> kRbdsCountries = {"US", "CA", "MX", "PR", "GU", "VI", "AS", "MP", "UM"};

bool EqualIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

}  // namespace

const char* RdsProgrammeTypeName(uint8_t pty, RdsStandard standard)
{
    if (pty >= kRdsProgrammeTypes)
        return "";
    return standard == RdsStandard::Rbds ? kRbdsNames[pty] : kRdsNames[pty];
}

RdsStandard DefaultRdsStandard(std::string_view countryCode)
{
    for (std::string_view country : kRbdsCountries) {
        if (EqualIgnoringCase(country, countryCode))
            return RdsStandard::Rbds;
    }
    return RdsStandard::Rds;
}

const char* RdsStandardValue(RdsStandard standard)
{
    return standard == RdsStandard::Rbds ? kRdsStandardRbdsValue : kRdsStandardRdsValue;
}

std::optional<RdsStandard> ParseRdsStandard(std::string_view value)
{
    if (EqualIgnoringCase(value, kRdsStandardRdsValue))
        return RdsStandard::Rds;
    if (EqualIgnoringCase(value, kRdsStandardRbdsValue))
        return RdsStandard::Rbds;
    return std::nullopt;
}

RdsStandard ChosenRdsStandard(std::string_view stored, std::string_view countryCode)
{
    return ParseRdsStandard(stored).value_or(DefaultRdsStandard(countryCode));
}
