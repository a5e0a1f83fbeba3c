#include "V4L2CaptureDevice.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {
constexpr const char* CardListPath = "/proc/asound/cards";
constexpr const char* SysRoot = "/sys";

std::string Trimmed(const std::string& text)
{
    const size_t b = text.find_first_not_of(" \t");
    if (b == std::string::npos)
        return {};
    return text.substr(b, text.find_last_not_of(" \t\r\n") - b + 1);
}

std::string CapturePcm(const std::string& cardId)
{
    return "plughw:CARD=" + cardId + ",DEV=0";
}

// "usb-0000:00:14.0-1" must not match the stick on port "-1.2" beside it.
bool NamesBus(const std::string& longName, const std::string& busInfo)
{
    for (size_t at = longName.find(busInfo); at != std::string::npos; at = longName.find(busInfo, at + 1)) {
        const size_t after = at + busInfo.size();
        if (after == longName.size() || !(std::isalnum(static_cast<unsigned char>(longName[after])) ||
                                          longName[after] == '.' || longName[after] == '-'))
            return true;
    }
    return false;
}

std::string ReadFirstLine(const fs::path& path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return Trimmed(line);
}

// The USB device a node hangs from: the parent of its interface.
fs::path UsbDeviceOf(const fs::path& classEntry)
{
    std::error_code error;
    const fs::path interface = fs::canonical(classEntry / "device", error);
    return error ? fs::path() : interface.parent_path();
}
}  // namespace

std::string CaptureDeviceFromCardList(const std::string& busInfo, const std::string& cardList)
{
    if (busInfo.empty())
        return {};
    std::istringstream in(cardList);
    std::string line;
    std::string id;  // of the entry whose first line was the last one read
    while (std::getline(in, line)) {
        // " 1 [Radio          ]: USB-Audio - FM Radio"
        const size_t open = line.find('[');
        const size_t close = line.find(']');
        const std::string number = Trimmed(line.substr(0, open == std::string::npos ? 0 : open));
        if (open != std::string::npos && close > open && !number.empty() &&
            std::isdigit(static_cast<unsigned char>(number[0]))) {
            id = Trimmed(line.substr(open + 1, close - open - 1));
            continue;
        }
        // "                      Silicon Labs FM Radio at usb-0000:00:14.0-1, full speed"
        if (!id.empty() && NamesBus(line, busInfo))
            return CapturePcm(id);
        id.clear();
    }
    return {};
}

std::string CaptureDeviceFromSysfs(const std::string& radioNode, const std::string& sysRoot)
{
    std::error_code error;
    const std::string node = fs::path(fs::canonical(radioNode, error)).filename();
    if (error || node.empty())
        return {};
    const fs::path radioUsb = UsbDeviceOf(fs::path(sysRoot) / "class/video4linux" / node);
    if (radioUsb.empty())
        return {};
    for (const fs::directory_entry& card : fs::directory_iterator(fs::path(sysRoot) / "class/sound", error)) {
        if (!card.path().filename().string().starts_with("card"))
            continue;
        if (UsbDeviceOf(card.path()) == radioUsb) {
            const std::string id = ReadFirstLine(card.path() / "id");
            if (!id.empty())
                return CapturePcm(id);
        }
    }
    return {};
}

std::string FindStickCaptureDevice(const std::string& radioNode, const std::string& busInfo)
{
    std::ifstream in(CardListPath);
    std::stringstream cards;
    cards << in.rdbuf();
    const std::string byName = CaptureDeviceFromCardList(busInfo, cards.str());
    return byName.empty() ? CaptureDeviceFromSysfs(radioNode, SysRoot) : byName;
}
