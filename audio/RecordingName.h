#pragma once
// Where a recording goes and what it is called: "Recordings folder" (by
// default the user's music folder's Tunzo), "<station> <yyyy-mm-dd hh-mm>.<ext>",
// and a new name rather than ever overwriting a file that is there.

#include <ctime>
#include <optional>
#include <string>

enum class RecordingFormat { Flac, OggVorbis, Wav };
constexpr RecordingFormat kDefaultRecordingFormat = RecordingFormat::Flac;

// The folder under the music folder that "Recordings folder" defaults to.
constexpr const char* kRecordingsSubfolder = "Tunzo";
// Names tried after the plain one: "<base> (2).flac" up to this number.
constexpr int kMaxNameAttempts = 1000;

// "FLAC", "Ogg Vorbis", "WAV" (the "Recording format" values, any case).
std::optional<RecordingFormat> RecordingFormatFromName(const std::string& name);
// From a file name's extension: .flac, .ogg or .oga, .wav.
std::optional<RecordingFormat> RecordingFormatFromPath(const std::string& path);
const char* RecordingExtension(RecordingFormat format);
const char* RecordingFormatName(RecordingFormat format);

// $XDG_MUSIC_DIR, else the user-dirs.dirs entry, else ~/Music; then /Tunzo.
std::string DefaultRecordingsFolder();

// The station's name, or its frequency ("94.2 MHz") when it has none.
std::string StationLabel(const std::string& name, double mhz);
// "<label> <yyyy-mm-dd hh-mm>" in local time; characters a file name cannot
// hold become '-'.
std::string RecordingBaseName(const std::string& label, std::time_t when);

// Creates `folder` (and its parents) when needed and a new, empty file in it
// named base + ext, or "base (2)" + ext and so on when that is taken. The
// file is created exclusively, so a file that appears meanwhile is never
// overwritten. Returns its open descriptor and sets `path`; -1 and `error`.
int CreateRecordingFile(const std::string& folder, const std::string& base, RecordingFormat format,
                        std::string* path, std::string* error);
