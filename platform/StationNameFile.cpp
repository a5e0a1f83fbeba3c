#include "StationNameFile.h"

#include "RuntimeDirectory.h"

#include <fcntl.h>
#include <unistd.h>

namespace {
std::string FilePath()
{
    const std::string folder = RuntimeDirectory();
    return folder.empty() ? std::string() : folder + "/" + StationNameFileName;
}
}  // namespace

void WriteStationNameFile(const std::string& frequencyText, const std::string& name)
{
    const std::string path = FilePath();
    if (path.empty())
        return;
    if (name.empty()) {
        unlink(path.c_str());
        return;
    }
    std::string problem;
    const int fd = OpenRuntimeFile(path, O_RDWR | O_CREAT, problem);
    if (fd < 0)
        return;
    const std::string line = frequencyText + "\t" + name + "\n";
    const bool written =
        ftruncate(fd, 0) == 0 && write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    close(fd);
    // Half a line would be no name; none is better than a wrong one.
    if (!written)
        unlink(path.c_str());
}

std::string ReadStationNameFile(const std::string& frequencyText)
{
    const std::string path = FilePath();
    if (path.empty())
        return {};
    std::string problem;
    const int fd = OpenRuntimeFile(path, O_RDONLY, problem);
    if (fd < 0)
        return {};
    char buffer[StationNameFileLimit];
    const ssize_t length = read(fd, buffer, sizeof buffer);
    close(fd);
    if (length <= 0)
        return {};
    const std::string text(buffer, static_cast<size_t>(length));
    const size_t tab = text.find('\t');
    const size_t end = text.find('\n');
    if (tab == std::string::npos || end == std::string::npos || end < tab ||
        text.compare(0, tab, frequencyText) != 0 || tab != frequencyText.size())
        return {};
    return text.substr(tab + 1, end - tab - 1);
}
