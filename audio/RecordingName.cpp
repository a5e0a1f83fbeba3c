#include "RecordingName.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <sstream>

namespace {
struct FormatRow {
    RecordingFormat format;
    const char* name;
    const char* extension;
};
constexpr FormatRow kFormats[] = {
    {RecordingFormat::Flac, "FLAC", ".flac"},
    {RecordingFormat::OggVorbis, "Ogg Vorbis", ".ogg"},
    {RecordingFormat::Wav, "WAV", ".wav"},
};

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string Home()
{
    const char* home = std::getenv("HOME");
    return home ? home : "";
}

// The value of XDG_MUSIC_DIR in user-dirs.dirs: a shell assignment, quoted,
// where only "$HOME" is ever substituted.
std::string MusicDirFromUserDirs()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::string file = (config && *config ? std::string(config) : Home() + "/.config") + "/user-dirs.dirs";
    std::ifstream in(file);
    const std::string key = "XDG_MUSIC_DIR=";
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(key, 0) != 0)
            continue;
        std::string value = line.substr(key.size());
        value.erase(std::remove(value.begin(), value.end(), '"'), value.end());
        if (value.rfind("$HOME", 0) == 0)
            value = Home() + value.substr(5);
        return value;
    }
    return {};
}
}  // namespace

std::optional<RecordingFormat> RecordingFormatFromName(const std::string& name)
{
    for (const FormatRow& row : kFormats)
        if (Lower(name) == Lower(row.name))
            return row.format;
    return std::nullopt;
}

std::optional<RecordingFormat> RecordingFormatFromPath(const std::string& path)
{
    const std::string ext = Lower(std::filesystem::path(path).extension().string());
    if (ext == ".oga")
        return RecordingFormat::OggVorbis;
    for (const FormatRow& row : kFormats)
        if (ext == row.extension)
            return row.format;
    return std::nullopt;
}

const char* RecordingExtension(RecordingFormat format)
{
    return kFormats[static_cast<int>(format)].extension;
}

const char* RecordingFormatName(RecordingFormat format)
{
    return kFormats[static_cast<int>(format)].name;
}

std::string DefaultRecordingsFolder()
{
    const char* env = std::getenv("XDG_MUSIC_DIR");
    std::string music = env && *env ? env : MusicDirFromUserDirs();
    if (music.empty())
        music = Home() + "/Music";
    return music + "/" + kRecordingsSubfolder;
}

std::string StationLabel(const std::string& name, double mhz)
{
    if (!name.empty())
        return name;
    std::ostringstream text;
    text << std::fixed << std::setprecision(2) << mhz;
    std::string number = text.str();
    number.erase(number.find_last_not_of('0') + 1);
    if (number.back() == '.')
        number.pop_back();
    return number + " MHz";
}

std::string RecordingBaseName(const std::string& label, std::time_t when)
{
    std::string safe = label;
    std::replace_if(safe.begin(), safe.end(), [](char c) { return c == '/' || c == '\0'; }, '-');
    if (safe.empty() || safe == "." || safe == "..")
        safe = "Recording";
    std::tm local{};
    localtime_r(&when, &local);
    std::ostringstream name;
    name << safe << ' ' << std::put_time(&local, "%Y-%m-%d %H-%M");
    return name.str();
}

int CreateRecordingFile(const std::string& folder, const std::string& base, RecordingFormat format,
                        std::string* path, std::string* error)
{
    std::error_code made;
    std::filesystem::create_directories(folder, made);
    if (made) {
        *error = "Cannot make the folder " + folder + ": " + made.message();
        return -1;
    }
    for (int attempt = 1; attempt <= kMaxNameAttempts; ++attempt) {
        const std::string suffix = attempt == 1 ? "" : " (" + std::to_string(attempt) + ")";
        const std::string candidate = folder + "/" + base + suffix + RecordingExtension(format);
        const int fd = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            *path = candidate;
            return fd;
        }
        if (errno != EEXIST) {
            *error = "Cannot create " + candidate + ": " + std::strerror(errno);
            return -1;
        }
    }
    *error = "Cannot find a free name for " + base + " in " + folder;
    return -1;
}
