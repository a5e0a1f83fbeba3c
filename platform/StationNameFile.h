#pragma once
// The station name tunzo heard by RDS, left in the runtime folder for pipit:
// the two programs never run side by side, and pipit has no RDS of its own,
// so a pipit that takes over the playing radio learns the name from here.
// The file names the frequency it belongs to, so a name is never shown for
// another station; it lives only as long as the session's runtime folder.

#include <string>

inline constexpr const char* StationNameFileName = "station-name";
// A name is at most 8 RDS characters; anything much longer is no name of ours.
inline constexpr size_t StationNameFileLimit = 256;

// "94.2\tTEN FM\n" for the station at `frequencyText`; an empty name removes
// the file. Quietly nothing without a usable runtime folder: the name is a
// nicety, never a reason to stop.
void WriteStationNameFile(const std::string& frequencyText, const std::string& name);

// The name left for `frequencyText`; empty when there is none, or it belongs
// to another frequency.
std::string ReadStationNameFile(const std::string& frequencyText);
