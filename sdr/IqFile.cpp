#include "IqFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

IqFileReader::IqFileReader(const std::string& path) : path_(path)
{
    file_ = std::fopen(path.c_str(), "rb");
    if (!file_)
        throw std::runtime_error("Cannot open the IQ file \"" + path + "\": " + std::strerror(errno));
    long size = -1;
    if (std::fseek(file_, 0, SEEK_END) == 0)
        size = std::ftell(file_);
    std::rewind(file_);
    // An odd last byte is an I without its Q: left out.
    bytes_ = size > 0 ? static_cast<uint64_t>(size) & ~uint64_t{1} : 0;
    if (bytes_ == 0) {
        std::fclose(file_);
        file_ = nullptr;
        throw std::runtime_error("The IQ file \"" + path + "\" holds no samples");
    }
}

IqFileReader::~IqFileReader()
{
    if (file_)
        std::fclose(file_);
}

bool IqFileReader::read(std::span<uint8_t> bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        if (position_ == bytes_) {
            std::rewind(file_);
            position_ = 0;
        }
        const size_t wanted = static_cast<size_t>(std::min<uint64_t>(bytes.size() - done, bytes_ - position_));
        const size_t got = std::fread(bytes.data() + done, 1, wanted, file_);
        if (got == 0)
            return false;  // shortened or unreadable since it was opened
        done += got;
        position_ += got;
    }
    return true;
}
