#include "SerialRadio.h"

#include "AdapterCatalogue.h"
#include "Comm32.h"
#include "Frequency.h"
#include "HardwarePorts.h"
#include "PortBackend.h"
#include "SimulatedGemTek.h"
#include "TunerSettings.h"

#include <QLocale>

#include <array>
#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace {

using GemTekFrame = std::array<uint8_t, 4>;
constexpr GemTekFrame SoundOnFrame = {0x1D, 0x23, 0x01, 0x23};
constexpr GemTekFrame SoundOffFrame = {0x1D, 0x23, 0x02, 0x23};
constexpr GemTekFrame TuneFrame = {0x1D, 0x23, 0x05, 0x23};

// The GemTek's line: the serial port component on "COM1" or "COM2", or on
// the pseudo-terminal of a simulated GemTek.
class GemTekLine : public SerialRadioLink {
public:
    GemTekLine(std::string portName, std::string decimalSeparator)
        : portName_(std::move(portName)), decimalSeparator_(std::move(decimalSeparator))
    {
    }

    void Open()
    {
        const char* ownDevice = std::getenv(("TUNZO_SERIAL_" + portName_).c_str());
        if (SimulatedCardSelected() && !(ownDevice && *ownDevice)) {
            simulated_ = MakeSimulatedGemTekFromEnvironment(portName_);
            sercom_.CommPort = simulated_->DevicePath();
        } else {
            sercom_.CommPort = portName_;
        }
        // Traced as the bytes leave, not as they are queued: a trace that
        // lists a frame the line never took would hide why the radio did
        // not hear it.
        // The backend is looked up here, on the opening thread: the writer
        // must not be the one to make it.
        PortBackend* backend = &CurrentPortBackend();
        sercom_.OnWritten = [backend, portName = portName_](const char* bytes, size_t count) {
            backend->serialWritten(portName, reinterpret_cast<const uint8_t*>(bytes), count);
        };
        sercom_.StartPort();
    }

    // The writer sends in the background; the line is closed only once it
    // has sent, and the last bytes had time to leave the wire.
    void Close()
    {
        sercom_.WaitForWrites(SerialWriteWaitLimitMs);
        SleepRealMs(SerialCloseDelayMs);
        sercom_.StopPort();
        simulated_.reset();
    }

    void Tune(double mhz) override
    {
        Send(TuneFrame.data(), TuneFrame.size());
        const std::string text = FrequencyText(mhz, decimalSeparator_);
        Send(text.data(), text.size());
    }
    void SoundOn() override { Send(SoundOnFrame.data(), SoundOnFrame.size()); }
    void SoundOff() override { Send(SoundOffFrame.data(), SoundOffFrame.size()); }

private:
    void Send(const void* bytes, size_t count) { sercom_.WriteData(bytes, static_cast<uint16_t>(count)); }

    std::string portName_;
    std::string decimalSeparator_;
    std::unique_ptr<SimulatedGemTek> simulated_;  // outlives the component's hold on its line
    TComm32 sercom_;
};

SerialRadioLink* pluggedLink = nullptr;
std::unique_ptr<GemTekLine> openLine;

void SerialTune(double)
{
    // The frame carries CurrentFrequency, which the dispatch has just set.
    if (pluggedLink)
        pluggedLink->Tune(TunerSettings.CurrentFrequency);
}

void SerialSoundOn()
{
    if (pluggedLink)
        pluggedLink->SoundOn();
}

void SerialSoundOff()
{
    if (pluggedLink)
        pluggedLink->SoundOff();
}

TuneState SerialStatus()
{
    return NotTuned;  // nothing is ever read from the line
}

void NoVolumeStep() {}
}  // namespace

void SetSerialRadioLink(SerialRadioLink* l)
{
    pluggedLink = l;
}

SerialRadioLink* CurrentSerialRadioLink()
{
    return pluggedLink;
}

std::string SerialRadioPortName(int portNumber)
{
    const AdapterEntry& row = *AdapterRow(SerialLineAdapter);
    if (portNumber < 1 || portNumber > row.choiceCount)
        throw std::invalid_argument("\"Port number\" " + std::to_string(portNumber) +
                                    " is not a serial port of the GemTek: 1 is COM1, 2 is COM2");
    return "COM" + std::to_string(row.choice(portNumber).value);
}

void OpenSerialRadioLine()
{
    if (openLine)
        throw ECommsError("Already have a comm file open");
    // The locale's separator: the radio reads the text as the user writes it.
    auto line = std::make_unique<GemTekLine>(SerialRadioPortName(TunerSettings.PortNumber),
                                             QLocale().decimalPoint().toStdString());
    line->Open();
    openLine = std::move(line);
    SetSerialRadioLink(openLine.get());
}

void CloseSerialRadioLine()
{
    if (!openLine)
        return;
    SetSerialRadioLink(nullptr);
    openLine->Close();
    openLine.reset();
}

bool SerialRadioLineOpen()
{
    return openLine != nullptr;
}

void OpenSerialRadio()
{
    OpenSerialRadioLine();
    openLine->SoundOn();
}

void CloseSerialRadio()
{
    if (!openLine)
        return;
    openLine->SoundOff();
    CloseSerialRadioLine();
}

std::string SerialRadioErrorText(const std::exception& error)
{
    const auto* comms = dynamic_cast<const ECommsError*>(&error);
    if (comms && !comms->Reason().empty())
        return std::string(error.what()) + " (" + comms->Reason() + ")";
    return error.what();
}

// The adapter has no volume step: up only switches the sound on.
const CardOps SerialRadioOps = {"GemTek",      SerialTune,    SerialStatus, SerialSoundOff,
                                SerialSoundOn, SerialSoundOn, NoVolumeStep};
