#pragma once
// Station lists: the presets as a CSV file, one line per stored preset below
// a header line, "7,94.2,Jazz FM,yes" (number, frequency in MHz, station
// name, in the preset scan), UTF-8, names quoted as RFC 4180 does when they
// need it. Importing a list makes the presets what it says: a slot the file
// does not name is emptied. A file is taken whole or not at all: every bad
// line is named with its number and nothing is written.

#include "Presets.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

inline constexpr const char* PresetCsvHeader = "number,frequency,name,in scan";
// A station list is a few kilobytes; a larger file is not one.
inline constexpr size_t MaxPresetCsvBytes = 1024 * 1024;
// Past this many, a file is not a station list with a few slips in it.
inline constexpr size_t MaxPresetCsvProblems = 20;

using PresetTable = std::array<PresetSlot, PresetCount>;

struct PresetCsvProblem {
    int line = 0;  // 1 is the header; 0 for the file as a whole
    std::string text;
};

struct PresetCsvImport {
    PresetTable presets{};  // the slots the file does not name are empty
    std::vector<PresetCsvProblem> problems;
};

struct PresetBand {
    double minimum = 0.0;
    double maximum = 0.0;
};

struct PresetChange {
    int slot = 0;
    PresetSlot before;
    PresetSlot after;
};

// The stored slots (frequency above 0.0), in number order.
std::string PresetsToCsv(const PresetTable& presets);
// Reads a whole file's text; a frequency must lie in `band`.
PresetCsvImport PresetsFromCsv(std::string_view text, const PresetBand& band);
// "line 3: ..." lines, one per problem.
std::string PresetCsvProblemsText(const std::vector<PresetCsvProblem>& problems);

// The slots that differ; two empty slots never do, whatever they hold.
std::vector<PresetChange> PresetChanges(const PresetTable& stored, const PresetTable& imported);
// "7: 94.2 MHz "Jazz FM" -> empty"
std::string PresetChangeText(const PresetChange& change);

// The band of the stored "Wide range" and the stored presets as the panel
// loads them, read fresh from the store: another program may have changed
// them since this one started. Sets the band of TunerSettings and the
// Presets table on the way. Raises the store's errors.
PresetBand StoredPresetBand();
PresetTable ReadStoredPresets();

// Writes the changes in one transaction, an emptied slot as the panel's
// "Clear" stores it; "" when written, else the store's error (and nothing
// is written). Presets then holds what the store holds.
std::string WritePresetChanges(const std::vector<PresetChange>& changes);

// Writes the list whole or, on an error, leaves the file as it was; returns
// "" or what went wrong.
std::string ExportPresetsFile(const std::string& path, const PresetTable& presets);
// A file that cannot be read is a problem on line 0.
PresetCsvImport ImportPresetsFile(const std::string& path, const PresetBand& band);
