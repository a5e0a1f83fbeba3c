// The simulated card's registers as a small text file in the runtime
// folder, so that every program on the machine (the panel, the companion,
// the card tool) sees one card, as they would see one piece of hardware.

#include "SimulatedCard.h"

#include "RuntimeDirectory.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sstream>
#include <sys/file.h>
#include <unistd.h>

namespace {

// The file keeps the frequency to 1 kHz, whatever the word latched (a 24-bit
// word reaches about 1628 MHz, and below zero for the smallest words).
constexpr int StateFileDecimals = 3;
constexpr double StateFileFrequencyLimit = 100000.0;

// Written and read the same way whatever locale the program runs in: a Qt
// program takes the desktop's, where 103,300 would mean something else to
// the card tool.
std::string FrequencyField(double mhz)
{
    char text[32];
    const std::to_chars_result end =
        std::to_chars(text, text + sizeof text, mhz, std::chars_format::fixed, StateFileDecimals);
    return std::string(text, end.ptr);
}

// "name value" with a number in the C notation; false for anything else.
bool ReadField(const std::string& line, std::string& name, double& value)
{
    const char* const blanks = " \t\r";
    const size_t nameEnd = line.find_first_of(blanks);
    const size_t valueStart = line.find_first_not_of(blanks, nameEnd);
    if (nameEnd == std::string::npos || valueStart == std::string::npos)
        return false;
    name = line.substr(0, nameEnd);
    const char* first = line.data() + valueStart;
    const char* last = line.data() + line.find_last_not_of(blanks) + 1;
    const std::from_chars_result read = std::from_chars(first, last, value);
    return read.ec == std::errc() && read.ptr == last && std::isfinite(value);
}

}  // namespace

std::string FormatCardRegisters(const CardRegisters& r)
{
    return "frequency " + FrequencyField(r.frequency) + "\naudible " + (r.audible ? "1" : "0") + "\nvolume " +
           std::to_string(r.volume) + "\nstereo " + (r.stereoRequested ? "1" : "0") + "\n";
}

CardRegisters ParseCardRegisters(const std::string& text, CardRegisters r)
{
    std::stringstream in(text);
    std::string line;
    std::string name;
    double value = 0.0;
    while (std::getline(in, line)) {
        if (!ReadField(line, name, value))
            continue;
        if (name == "frequency" && std::fabs(value) < StateFileFrequencyLimit) {
            // Taken as the file keeps it, so that writing it back changes nothing.
            const double scale = std::pow(10.0, StateFileDecimals);
            r.frequency = std::round(value * scale) / scale;
        } else if (name == "audible") {
            r.audible = value != 0.0;
        } else if (name == "volume" && value >= 0.0 && value <= RadioTrackMaxVolume) {
            r.volume = static_cast<int>(value);
        } else if (name == "stereo") {
            r.stereoRequested = value != 0.0;
        }
    }
    return r;
}

// ---- file store ----

namespace {

std::string ReadAll(int fd)
{
    std::string text;
    char buf[256];
    off_t at = 0;
    for (;;) {
        ssize_t n = pread(fd, buf, sizeof buf, at);
        if (n <= 0)
            break;
        text.append(buf, static_cast<size_t>(n));
        at += n;
    }
    return text;
}

// Reads, changes and writes back the registers under an exclusive lock;
// closes `fd`.
void UpdateLockedFile(int fd, const CardRegisters& initial, const std::function<void(CardRegisters&)>& change)
{
    flock(fd, LOCK_EX);
    CardRegisters before = ParseCardRegisters(ReadAll(fd), initial);
    CardRegisters after = before;
    change(after);
    if (!(after == before)) {
        std::string text = FormatCardRegisters(after);
        if (pwrite(fd, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size()))
            (void)ftruncate(fd, static_cast<off_t>(text.size()));
    }
    close(fd);
}

}  // namespace

FileRegisterStore::FileRegisterStore(std::string path, CardRegisters initial)
    : path_(std::move(path)), initial_(initial)
{
}

void FileRegisterStore::fallBackToMemory(const std::string& problem)
{
    memory_ = initial_;
    std::fprintf(stderr, InMemoryWarning, problem.c_str());
}

CardRegisters FileRegisterStore::Load()
{
    if (memory_)
        return *memory_;
    std::string problem;
    const int fd = OpenRuntimeFile(path_, O_RDONLY, problem);
    if (fd < 0) {
        if (errno == ENOENT)
            return initial_;  // never written yet
        fallBackToMemory(problem);
        return *memory_;
    }
    flock(fd, LOCK_SH);
    CardRegisters r = ParseCardRegisters(ReadAll(fd), initial_);
    close(fd);
    return r;
}

void FileRegisterStore::Update(const std::function<void(CardRegisters&)>& change)
{
    if (!memory_) {
        std::string problem;
        const int fd = OpenRuntimeFile(path_, O_RDWR | O_CREAT, problem);
        if (fd >= 0) {
            UpdateLockedFile(fd, initial_, change);
            return;
        }
        fallBackToMemory(problem);
    }
    change(*memory_);
}
