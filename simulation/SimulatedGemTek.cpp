#include "SimulatedGemTek.h"

#include "RuntimeDirectory.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

constexpr uint8_t FrameStart = 0x1D;
constexpr uint8_t FrameHash = 0x23;
constexpr uint8_t SoundOnCommand = 0x01;
constexpr uint8_t SoundOffCommand = 0x02;
constexpr uint8_t TuneCommand = 0x05;
// Far above the widest band, below what the state file keeps.
constexpr double HighestFrequency = 1000.0;
constexpr double KHzPerMHz = 1000.0;

bool IsTextByte(uint8_t byte)
{
    return std::isdigit(byte) || byte == '.' || byte == ',';
}

}  // namespace

double GemTekFrequency(const std::string& text)
{
    std::string number = text;
    int separators = 0;
    for (char& c : number) {
        if (!IsTextByte(static_cast<uint8_t>(c)))
            return 0.0;
        if (c == ',')
            c = '.';
        separators += c == '.';
    }
    if (number.empty() || separators > 1 || number.front() == '.' || number.back() == '.')
        return 0.0;
    double mhz = 0.0;
    const char* end = number.data() + number.size();
    const std::from_chars_result read = std::from_chars(number.data(), end, mhz);
    if (read.ec != std::errc() || read.ptr != end || !(mhz > 0.0 && mhz < HighestFrequency))
        return 0.0;
    return std::round(mhz * KHzPerMHz) / KHzPerMHz;
}

// ---- the decoder ----

void GemTekDecoder::Feed(const uint8_t* bytes, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        Take(bytes[i]);
}

void GemTekDecoder::Take(uint8_t byte)
{
    switch (state_) {
    case State::Text:
        if (IsTextByte(byte) && text_.size() < GemTekTextLimit) {
            text_ += static_cast<char>(byte);
            return;
        }
        // The next frame ends the text; anything else spoils it.
        if (byte == FrameStart)
            ApplyText();
        text_.clear();
        break;
    case State::Start:
        if (byte == FrameHash) {
            state_ = State::Hash;
            return;
        }
        break;
    case State::Hash:
        command_ = byte;
        state_ = State::Command;
        return;
    case State::Command:
        if (byte == FrameHash) {
            Obey(command_);
            return;
        }
        break;
    case State::Idle:
        break;
    }
    state_ = byte == FrameStart ? State::Start : State::Idle;
}

void GemTekDecoder::Obey(uint8_t command)
{
    state_ = State::Idle;
    switch (command) {
    case SoundOnCommand:
        store_.Update([](CardRegisters& r) { r.audible = true; });
        break;
    case SoundOffCommand:
        store_.Update([](CardRegisters& r) { r.audible = false; });
        break;
    case TuneCommand:
        state_ = State::Text;
        text_.clear();
        break;
    default:
        break;  // not a command this radio knows
    }
}

void GemTekDecoder::ApplyText()
{
    if (const double mhz = GemTekFrequency(text_); mhz > 0.0)
        store_.Update([mhz](CardRegisters& r) { r.frequency = mhz; });
}

void GemTekDecoder::EndOfText()
{
    if (state_ != State::Text)
        return;
    ApplyText();
    text_.clear();
    state_ = State::Idle;
}

// ---- the radio on its pseudo-terminal ----

SimulatedGemTek::SimulatedGemTek(std::unique_ptr<CardRegisterStore> store)
    : store_(std::move(store)), decoder_(*store_)
{
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    const char* name = master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0 ? ptsname(master_) : nullptr;
    if (name) {
        devicePath_ = name;
        slave_ = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    }
    stop_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (slave_ < 0 || stop_ < 0) {
        const std::string why = std::strerror(errno);
        for (int fd : {master_, slave_, stop_})
            if (fd >= 0)
                close(fd);
        throw std::runtime_error("the simulated GemTek has no pseudo-terminal for its line: " + why);
    }
    thread_ = std::thread(&SimulatedGemTek::Serve, this);
}

SimulatedGemTek::~SimulatedGemTek()
{
    const uint64_t signal = 1;
    if (write(stop_, &signal, sizeof signal) < 0) {
        // Only a counter at its limit refuses, and that is signalled already.
    }
    thread_.join();
    for (int fd : {master_, slave_, stop_})
        close(fd);
}

void SimulatedGemTek::Serve()
{
    for (;;) {
        pollfd waits[] = {{stop_, POLLIN, 0}, {master_, POLLIN, 0}};
        const int ready = poll(waits, 2, decoder_.InText() ? GemTekTextQuietMs : -1);
        if (ready < 0 && errno != EINTR)
            break;
        if (ready == 0)
            decoder_.EndOfText();
        if ((waits[1].revents & POLLIN) && !TakeWaiting())
            break;
        if (waits[0].revents) {
            TakeWaiting();
            break;
        }
    }
    decoder_.EndOfText();
}

// Feeds everything on the line now; false when the line has failed.
bool SimulatedGemTek::TakeWaiting()
{
    uint8_t bytes[256];
    for (;;) {
        const ssize_t n = read(master_, bytes, sizeof bytes);
        if (n > 0)
            decoder_.Feed(bytes, static_cast<size_t>(n));
        else if (n < 0 && errno == EINTR)
            continue;
        else
            return n < 0 && errno == EAGAIN;
    }
}

std::string SimulatedGemTekStatePath(const std::string& directory, const std::string& portName)
{
    std::string name = portName;
    for (char& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return directory + "/simulated-card-" + name;
}

std::unique_ptr<SimulatedGemTek> MakeSimulatedGemTekFromEnvironment(const std::string& portName)
{
    CardRegisters initial;  // never tuned, silent
    const RuntimeFolder runtime = OpenRuntimeFolder();
    std::unique_ptr<CardRegisterStore> store;
    if (runtime.usable()) {
        store = std::make_unique<FileRegisterStore>(SimulatedGemTekStatePath(runtime.path, portName), initial);
    } else {
        std::fprintf(stderr, "tunzo: %s; the simulated GemTek keeps its state in memory\n", runtime.problem.c_str());
        store = std::make_unique<MemoryRegisterStore>(initial);
    }
    return std::make_unique<SimulatedGemTek>(std::move(store));
}
