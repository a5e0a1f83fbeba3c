#pragma once
// What the fuzz targets share: reading one input as a stream of decisions,
// and checks that hold in every build.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// libFuzzer calls this once per input; the replay program calls it per file.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

// An assert that NDEBUG cannot remove: a broken invariant ends the run, and
// libFuzzer keeps the input that did it.
#define FUZZ_CHECK(condition) \
    ((condition) ? static_cast<void>(0) : FuzzInvariantBroken(#condition, __FILE__, __LINE__))

[[noreturn]] inline void FuzzInvariantBroken(const char* condition, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, condition);
    std::abort();
}

// One input read as small decisions, front to back. Past the end every read
// gives zero or nothing, so each input is a complete scenario, and a mutation
// changes one decision at a time.
class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool Empty() const { return at_ >= size_; }

    uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }

    // Little-endian, as the action channel and the hive store numbers.
    int32_t Int32()
    {
        uint32_t u = 0;
        for (int shift = 0; shift < 32; shift += 8)
            u |= static_cast<uint32_t>(Byte()) << shift;
        return static_cast<int32_t>(u);
    }

    // Up to `count` bytes, fewer at the end of the input.
    std::string Bytes(size_t count)
    {
        const size_t n = count < size_ - at_ ? count : size_ - at_;
        std::string bytes(reinterpret_cast<const char*>(data_ + at_), n);
        at_ += n;
        return bytes;
    }

    // A length byte, then that many bytes.
    std::string ShortText() { return Bytes(Byte()); }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};
