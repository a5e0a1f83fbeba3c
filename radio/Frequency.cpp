#include "Frequency.h"

#include <cmath>
#include <cstdio>

long double RoundDigits(long double x, uint16_t digits)
{
    long double p = 1;
    for (uint16_t i = 0; i < digits; ++i)
        p *= 10;
    const long double h = x >= 0.0L ? 0.5L : -0.5L;
    long double r = std::trunc(x * p + h) / p;
    if (r >= -1e-8L && r <= 1e-8L)
        r = 0;
    return r;
}

std::string FrequencyText(double mhz, std::string_view decimalSeparator)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", mhz);
    std::string s = text;
    if (const size_t point = s.find('.'); point != std::string::npos)
        s.replace(point, 1, decimalSeparator);
    return s;
}

std::string StationLabel(const std::string& stationName, double mhz, std::string_view decimalSeparator)
{
    if (stationName.find_first_not_of(" \t") != std::string::npos)
        return stationName;
    return FrequencyText(mhz, decimalSeparator) + " MHz";
}
