#pragma once
// An rtl_sdr recording (unsigned 8-bit I, Q pairs) read as an endless
// stream: at its end it starts again, so a short recording of a real
// station plays for as long as it is listened to.
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

class IqFileReader {
public:
    // Throws std::runtime_error naming the file when it cannot be read or
    // holds not even one sample.
    explicit IqFileReader(const std::string& path);
    ~IqFileReader();
    IqFileReader(const IqFileReader&) = delete;
    IqFileReader& operator=(const IqFileReader&) = delete;

    // Fills all of `bytes` (an even count is best: a pair is never split
    // across the loop), wrapping at the end; false when reading fails.
    bool read(std::span<uint8_t> bytes);
    uint64_t samples() const { return bytes_ / 2; }

private:
    std::string path_;
    std::FILE* file_ = nullptr;
    uint64_t bytes_ = 0;  // whole pairs in the file
    uint64_t position_ = 0;
};
