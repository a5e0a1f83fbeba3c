#include "SdrSettings.h"

#include <QLocale>

#include <algorithm>
#include <cctype>

namespace {
constexpr double SecondsPerMicrosecond = 1e-6;

// Where stations pre-emphasise with 75 us: the Americas (North, Central and
// South, and the Caribbean) and South Korea.
constexpr std::string_view kAmericasCountries[] = {
    "US", "CA", "MX", "BM", "GT", "BZ", "SV", "HN", "NI", "CR", "PA", "CU", "JM",
    "HT", "DO", "PR", "BS", "TT", "BB", "AG", "DM", "GD", "KN", "LC", "VC", "AI",
    "AW", "BQ", "CW", "SX", "KY", "TC", "VG", "VI", "MS", "AR", "BO", "BR", "CL",
    "CO", "EC", "GY", "PY", "PE", "SR", "UY", "VE", "FK", "UM", "KR"};

bool SameCode(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}
}  // namespace

int32_t DeemphasisMicroseconds(int32_t stored, std::string_view countryCode)
{
    if (stored == DeemphasisEuropeMicroseconds || stored == DeemphasisAmericasMicroseconds)
        return stored;
    const bool americas = std::any_of(std::begin(kAmericasCountries), std::end(kAmericasCountries),
                                      [&](std::string_view c) { return SameCode(c, countryCode); });
    return americas ? DeemphasisAmericasMicroseconds : DeemphasisEuropeMicroseconds;
}

std::string LocaleCountryCode()
{
    return QLocale::territoryToCode(QLocale::system().territory()).toStdString();
}

int32_t DeemphasisMicroseconds(int32_t stored)
{
    return DeemphasisMicroseconds(stored, LocaleCountryCode());
}

SdrChoices SdrChoicesOf(const TTunerSettings& s)
{
    SdrChoices choices;
    choices.device = static_cast<uint32_t>(std::max(0, s.SdrDevice));
    choices.gainTenthsDb = s.SdrGain == SdrAutomaticGain ? kAutomaticGain : s.SdrGain;
    choices.ppm = s.SdrFrequencyCorrection;
    choices.deemphasisMicroseconds = DeemphasisMicroseconds(s.Deemphasis);
    return choices;
}

DongleSettings SdrDongleSettings(const SdrChoices& choices)
{
    DongleSettings settings;
    settings.gainTenthsDb = choices.gainTenthsDb;
    settings.ppm = choices.ppm;
    return settings;
}

ReceiverSettings SdrReceiverSettings(const SdrChoices& choices, double inputRate)
{
    ReceiverSettings settings;
    settings.inputRate = inputRate;
    settings.deemphasis = choices.deemphasisMicroseconds * SecondsPerMicrosecond;
    return settings;
}
