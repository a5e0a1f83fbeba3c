#include "Search.h"

#include "Frequency.h"
#include "Tuning.h"

double NextSearchFrequency(double mhz, double step, const TTunerSettings& s)
{
    return WrapIntoBand(mhz + step, s);
}

bool SweptBackToStart(double mhz, double start)
{
    return RoundDigits(mhz, 1) == RoundDigits(start, 1);
}
