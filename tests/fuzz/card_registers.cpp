// The simulated card's state file over hostile text: whatever the file holds,
// reading it gives registers the card can have, and writing those registers
// and reading them back gives the same registers, the frequency to the
// three decimals the file keeps.

#include "FuzzSupport.h"

#include "SimulatedCard.h"

#include <cmath>
#include <string>

namespace {

// The file keeps the frequency to 1 kHz.
constexpr double FrequencyTolerance = 0.0005 + 1e-9;
// The parser takes frequencies of less than this many MHz either way.
constexpr double FrequencyLimit = 100000.0;

// Registers unlike any the text could give, so that a line the reader
// skipped shows.
const CardRegisters Elsewhere{12.5, true, 3, true};

void CheckRegisters(const CardRegisters& r)
{
    FUZZ_CHECK(std::isfinite(r.frequency) && std::fabs(r.frequency) < FrequencyLimit);
    FUZZ_CHECK(r.volume >= 0 && r.volume <= RadioTrackMaxVolume);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (const CardRegisters& base : {InitialRegisters(CardFamily::RadioTrack), InitialRegisters(CardFamily::Aztech)}) {
        const CardRegisters read = ParseCardRegisters(text, base);
        CheckRegisters(read);

        const std::string written = FormatCardRegisters(read);
        const CardRegisters again = ParseCardRegisters(written, Elsewhere);
        FUZZ_CHECK(std::fabs(again.frequency - read.frequency) <= FrequencyTolerance);
        FUZZ_CHECK(again.audible == read.audible);
        FUZZ_CHECK(again.volume == read.volume);
        FUZZ_CHECK(again.stereoRequested == read.stereoRequested);
        // What was written once is written the same way ever after.
        FUZZ_CHECK(FormatCardRegisters(again) == written);
    }
    return 0;
}
