#pragma once
// The GemTek on a serial line, simulated: a pseudo-terminal stands in for
// "COM1" or "COM2", and a thread of the process plays the radio at its other
// end. It decodes the command frames (0x1d '#' command '#': 0x01 sound on,
// 0x02 sound off, 0x05 tune, with the frequency text after the frame) and
// keeps frequency and sound in <runtime>/simulated-card-com1 (or -com2), as
// the port cards keep theirs. What it cannot read as a frame or a frequency
// it ignores, as a radio would.

#include "SimulatedCard.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

// The frequency text ends with the next frame, or when the line has been
// quiet this long, or when it closes.
inline constexpr int GemTekTextQuietMs = 100;
// Longer than any frequency text; a longer run of text is not one.
inline constexpr size_t GemTekTextLimit = 16;

class GemTekDecoder {
public:
    explicit GemTekDecoder(CardRegisterStore& store) : store_(store) {}
    void Feed(const uint8_t* bytes, size_t count);
    // The line went quiet or closed: a frequency text in progress is whole.
    void EndOfText();
    bool InText() const { return state_ == State::Text; }

private:
    enum class State { Idle, Start, Hash, Command, Text };
    void Take(uint8_t byte);
    void Obey(uint8_t command);
    void ApplyText();

    CardRegisterStore& store_;
    State state_ = State::Idle;
    uint8_t command_ = 0;
    std::string text_;
};

// The frequency a GemTek text names ("103.3", "103,3", "88"), or 0 when it
// names none.
double GemTekFrequency(const std::string& text);

class SimulatedGemTek {
public:
    // Makes the pseudo-terminal and starts the radio on it. Raises
    // std::runtime_error, saying why, when no pseudo-terminal can be had.
    explicit SimulatedGemTek(std::unique_ptr<CardRegisterStore> store);
    // Takes what is still on the line, then ends the radio's thread.
    ~SimulatedGemTek();
    SimulatedGemTek(const SimulatedGemTek&) = delete;
    SimulatedGemTek& operator=(const SimulatedGemTek&) = delete;

    // The device the program opens in place of the COM port.
    const std::string& DevicePath() const { return devicePath_; }

private:
    void Serve();
    bool TakeWaiting();

    std::unique_ptr<CardRegisterStore> store_;
    GemTekDecoder decoder_;
    int master_ = -1;
    // Held open by the radio itself, so that the line does not hang up
    // between the program's opens, and nothing on it is lost when the
    // program closes.
    int slave_ = -1;
    int stop_ = -1;
    std::string devicePath_;
    std::thread thread_;
};

// <directory>/simulated-card-com1 for "COM1".
std::string SimulatedGemTekStatePath(const std::string& directory, const std::string& portName);

// The simulated GemTek for `portName`, its registers under the runtime
// folder (in memory, with a warning, when that folder cannot be used).
std::unique_ptr<SimulatedGemTek> MakeSimulatedGemTekFromEnvironment(const std::string& portName);
