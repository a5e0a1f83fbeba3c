#pragma once
// The station search's steps: where the next step lands and when a sweep of
// the band has come back to where it began.

#include "TunerSettings.h"

// One step on from `mhz`: past the top of the band to its bottom, and below
// the bottom to its top.
double NextSearchFrequency(double mhz, double step, const TTunerSettings& s);

// A full sweep found nothing: the search stands on its start again, compared
// to one decimal as the display's tenths.
bool SweptBackToStart(double mhz, double start);
