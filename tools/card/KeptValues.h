#pragma once
// What the card tool keeps in the settings store as it drives the card, as
// the panel keeps it: the station a tune leaves, and the Aztech card's level,
// so that the next command (and the next panel) starts from there. A store
// that cannot take a value is said on `err` and costs only the keeping.

#include <ostream>

// "DefaultStation": CurrentFrequency, as the tune just left it.
void KeepStation(std::ostream& err);
// One volume step where "Volume control" says (the card when the line-in it
// names is missing), keeping a changed Aztech level as "Volume".
void StepVolume(bool up, std::ostream& err);
