#include "CardTool.h"

#include "AdapterCatalogue.h"
#include "CardToolFeed.h"
#include "CardToolPresets.h"
#include "CardToolReceiver.h"
#include "Frequency.h"
#include "KeptValues.h"
#include "PortAccess.h"
#include "RadioDriver.h"
#include "SerialRadio.h"
#include "SettingsStore.h"
#include "TunerSettings.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

// Back to the start of the line and clear it: a terminal's way of taking the
// progress line away.

// The serial-line row: its "port" is a COM number.
constexpr int32_t FirstComPort = 1;
constexpr int32_t LastComPort = 2;

struct BadArguments {
    std::string message;
};

// A value in the settings store that the tool cannot drive a card with: the
// words were right, the store is not, so no usage follows.
struct BadStoredValue {
    std::string message;
};

// What the command line asks for, before anything is known of the store.
struct CardToolRequest {
    bool help = false;
    std::optional<int> adapter;
    std::optional<int32_t> port;
    std::string portText;  // as typed, for messages
    std::string verb;
    double frequency = 0.0;  // for tune; checked against the band once it is loaded
    std::optional<std::string> device;  // --device: a V4L2 receiver's node
    bool upward = true;                 // for seek
    FeedRequest feed;                   // rds, record, scan --names
};

int ParseAdapter(const std::string& text)
{
    char* end = nullptr;
    errno = 0;
    long n = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || n < 1 || n > static_cast<long>(AdapterCatalogue.size()))
        throw BadArguments{"--adapter takes a number from 1 to " + std::to_string(AdapterCatalogue.size()) + ", not '" +
                           text + "'"};
    return static_cast<int>(n);
}

int32_t ParsePort(const std::string& text)
{
    char* end = nullptr;
    errno = 0;
    long n = std::strtol(text.c_str(), &end, 0);
    if (text.empty() || *end != '\0' || errno != 0 || n < 1 || n > 0xFFFF)
        throw BadArguments{"--port takes an I/O address from 0x1 to 0xffff, like 0x30c, not '" + text + "'"};
    return static_cast<int32_t>(n);
}

bool IsComPort(int32_t port)
{
    return port >= FirstComPort && port <= LastComPort;
}

BadArguments ForeignPort(const std::string& text)
{
    return {"--port '" + text + "' is not the I/O port of any radio card Tunzo knows, so nothing is sent to it; " +
            "the cards answer on " + CataloguePortsText() + ", and only the GemTek (--adapter 5) takes a COM port, 1 or 2"};
}

// Only the catalogue's addresses are ever written: a program with port access
// must not let its caller reach any other port of the machine.
void CheckPortFitsAdapter(const CardToolRequest& request, int adapter)
{
    if (!request.port)
        return;
    if (adapter == SerialLineAdapter) {
        if (!IsComPort(*request.port))
            throw BadArguments{"--port for the GemTek is the COM port number, 1 or 2"};
    } else if (!IsCataloguePort(static_cast<uint16_t>(*request.port))) {
        throw ForeignPort(request.portText);
    }
}

double ParseFrequency(std::string text)
{
    // Accept the decimal comma too: people type what their locale shows.
    for (char& c : text)
        if (c == ',')
            c = '.';
    char* end = nullptr;
    errno = 0;
    double f = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || errno != 0 || !std::isfinite(f))
        throw BadArguments{"tune takes a frequency in MHz, like 100.0, not '" + text + "'"};
    return f;
}

// The band depends on the stored "Wide range", so this waits for the load.
void CheckFrequencyInBand(double f)
{
    const TTunerSettings& s = TunerSettings;
    if (f < s.BandMinimum || f > s.BandMaximum)
        throw BadArguments{"tune: " + FrequencyText(f) + " MHz is outside the band " + FrequencyText(s.BandMinimum) +
                           " to " + FrequencyText(s.BandMaximum) + " MHz"};
}

bool IsKnownVerb(const std::string& verb)
{
    return verb == "tune" || verb == "mute" || verb == "unmute" || verb == "up" || verb == "down" ||
           verb == "status" || verb == "scan" || verb == "seek" || verb == "list";
}

void ParseCommand(const std::vector<std::string>& command, CardToolRequest& request)
{
    if (command.empty())
        throw BadArguments{"no command given"};
    request.verb = command[0];
    if (std::string problem; IsFeedCommand(command)) {
        if (!ParseFeedCommand(command, request.feed, problem))
            throw BadArguments{problem};
        return;
    }
    if (!IsKnownVerb(request.verb))
        throw BadArguments{"unknown command '" + request.verb + "'"};
    const size_t operands = request.verb == "tune" || request.verb == "seek" ? 1 : 0;
    if (command.size() != operands + 1)
        throw BadArguments{request.verb + (request.verb == "seek" ? " takes up or down"
                                           : operands             ? " takes one frequency"
                                                                  : " takes no operand")};
    if (request.verb == "tune")
        request.frequency = ParseFrequency(command[1]);
    if (request.verb == "seek") {
        if (command[1] != "up" && command[1] != "down")
            throw BadArguments{"seek takes up or down, not '" + command[1] + "'"};
        request.upward = command[1] == "up";
    }
}

// Everything that can be judged from the words alone; the store is not read.
CardToolRequest ParseArguments(const std::vector<std::string>& args)
{
    CardToolRequest request;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-h" || a == "--help") {
            request.help = true;
            return request;
        }
        if (a == "--adapter" || a == "--port" || a == "--device") {
            if (i + 1 >= args.size())
                throw BadArguments{a + " needs a value"};
            const std::string& value = args[++i];
            if (a == "--adapter") {
                request.adapter = ParseAdapter(value);
            } else if (a == "--device") {
                request.device = value;
            } else {
                request.port = ParsePort(value);
                request.portText = value;
            }
        } else if (a.starts_with("--")) {
            throw BadArguments{"unknown option '" + a + "'"};
        } else {
            ParseCommand({args.begin() + static_cast<long>(i), args.end()}, request);
            return request;
        }
    }
    ParseCommand({}, request);
    return request;
}

// A port that fits no adapter at all is refused before the store is read;
// whether it fits the stored adapter is checked after.
void CheckPortBeforeLoading(const CardToolRequest& request)
{
    if (request.adapter)
        CheckPortFitsAdapter(request, *request.adapter);
    else if (request.port && !IsComPort(*request.port) && !IsCataloguePort(static_cast<uint16_t>(*request.port)))
        throw ForeignPort(request.portText);
}

// The fields InitialiseSettings gives the card and the band, without the
// presets, the alarm text or anything else the tool never reads.
void LoadCardSettings()
{
    AssignInitialValues(TunerSettings);
    LoadSettings();
    SetBandLimits(TunerSettings);
}

// The card as the panel would drive it, the stored adapter and port, unless
// the options name others.
void ApplyOptions(const CardToolRequest& request)
{
    TTunerSettings& s = TunerSettings;
    if (request.adapter)
        s.Adapter = static_cast<int8_t>(*request.adapter);
    const AdapterEntry* row = AdapterRow(s.Adapter);
    if (!row)
        throw BadStoredValue{"the settings store's \"Adapter\" is " + std::to_string(s.Adapter) +
                             ", which is not one of 1 to " + std::to_string(AdapterCatalogue.size()) +
                             "; set another in tunecfg, or choose one with --adapter"};
    if (s.Adapter == SdrAdapter) {
        if (request.port)
            throw BadArguments{"--port: an SDR dongle has no port; name its index with --device"};
        if (request.device && !ParseDongleIndex(*request.device, s.SdrDevice))
            throw BadArguments{"--device for an SDR dongle is its index, 0 to " + std::to_string(MaxDongleIndex) +
                               ", not '" + *request.device + "'"};
        return;
    }
    if (s.Adapter == V4L2Adapter) {
        if (request.port)
            throw BadArguments{"--port: a V4L2 receiver has no port; name its node with --device"};
        if (request.device)
            s.RadioDevice = *request.device;
        return;
    }
    if (request.device)
        throw BadArguments{"--device names a V4L2 receiver's node or an SDR dongle: use it with --adapter 7 or 8"};
    CheckPortFitsAdapter(request, s.Adapter);
    if (s.Adapter == SerialLineAdapter) {
        if (request.port)
            s.PortNumber = static_cast<int8_t>(*request.port);
        else if (request.adapter)
            s.PortNumber = static_cast<int8_t>(row->defaultChoice);
    } else {
        if (request.port)
            s.CardPort = static_cast<uint16_t>(*request.port);
        else if (request.adapter)
            s.CardPort = static_cast<uint16_t>(row->defaultPort().value);
    }
}

const char* StateText(TuneState state)
{
    switch (state) {
    case Tuned:
        return "tuned";
    case TunedStereo:
        return "tuned stereo";
    case NotTuned:
        break;
    }
    return "not tuned";
}

// The progress line rewrites itself with carriage returns and a clear-line
// code, which only a terminal understands; a file or a pipe gets the result
// lines and the summary alone.
void Scan(std::ostream& out, std::ostream& err, bool errIsTerminal)
{
    const TTunerSettings& s = TunerSettings;
    // A port card cannot be asked where it is: the station the store keeps
    // is where it was left, by the panel or by this tool's own tune.
    const double before = s.CurrentFrequency;
    // Counted in steps, not summed, so that no rounding drift skips the top.
    const int steps = static_cast<int>(std::lround((s.BandMaximum - s.BandMinimum) * 10.0));
    int found = 0;
    for (int i = 0; i <= steps; ++i) {
        const double f = static_cast<double>(RoundDigits(s.BandMinimum + i / 10.0, 1));
        if (errIsTerminal)
            err << "\rscanning " << FrequencyText(f) << " MHz (" << (i * 100 / steps) << "%) " << std::flush;
        RadioDriver::Tune(f);
        const TuneState state = RadioDriver::TunedStatus();
        if (state != NotTuned) {
            if (errIsTerminal)
                err << ClearProgressLine;
            out << FrequencyText(f) << (state == TunedStereo ? " stereo" : "") << StationNameSuffix() << "\n"
                << std::flush;
            ++found;
        }
    }
    RadioDriver::Tune(before);
    if (errIsTerminal)
        err << ClearProgressLine;
    err << "scanned " << FrequencyText(s.BandMinimum) << " to " << FrequencyText(s.BandMaximum)
        << " MHz: " << found << (found == 1 ? " station" : " stations") << "; back on " << FrequencyText(before)
        << " MHz\n";
}

void RunCommand(const CardToolRequest& request, std::ostream& out, std::ostream& err, bool errIsTerminal)
{
    const std::string& verb = request.verb;
    if (verb == "tune") {
        RadioDriver::Tune(request.frequency);
        KeepStation(err);
    } else if (verb == "mute") {
        RadioDriver::Mute();
    } else if (verb == "unmute") {
        RadioDriver::Unmute();
    } else if (verb == "up" || verb == "down") {
        StepVolume(verb == "up", err);
    } else if (verb == "status") {
        out << StateText(RadioDriver::TunedStatus()) << "\n";
    } else {
        Scan(out, err, errIsTerminal);
    }
}

// The GemTek only listens: a command opens its line, sends, and closes the
// line once the bytes have left, without the sound-off frame the panel sends
// at its end, so that the radio goes on playing as the port cards do.
int RunOnSerialLine(const CardToolRequest& request, std::ostream& out, std::ostream& err)
{
    const std::string& verb = request.verb;
    if (verb == "scan")
        throw BadArguments{"scan: the GemTek cannot report a station, so there is nothing to search for"};
    if (verb == "status") {
        out << "the GemTek cannot report a station: nothing is read from its line\n";
        return 0;
    }
    // Volume down never reaches the radio (it has no volume step).
    const bool sends = verb != "down";
    if (sends) {
        try {
            if (verb == "tune")
                OpenSerialRadio();  // as the panel starts: the sound on
            else
                OpenSerialRadioLine();
        } catch (const std::exception& e) {
            err << "tunzo-card: " << SerialRadioErrorText(e) << "\n";
            return 1;
        }
    }
    RunCommand(request, out, err, false);
    CloseSerialRadioLine();
    return 0;
}

}  // namespace

int RunCardTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                const std::string& programPath, bool errIsTerminal)
{
    if (IsPresetsCommand(args))
        return RunPresetsCommand(args, out, err);
    try {
        const CardToolRequest request = ParseArguments(args);
        if (request.help) {
            out << CardToolUsage();
            return 0;
        }
        if (request.verb == "list")
            return request.adapter == SdrAdapter ? ListDonglesCommand(out, err) : ListReceiversCommand(out, err);
        CheckPortBeforeLoading(request);
        try {
            LoadCardSettings();
        } catch (const std::runtime_error& e) {
            err << "tunzo-card: " << e.what() << "\n";
            return 1;
        }
        ApplyOptions(request);
        if (request.verb == "tune")
            CheckFrequencyInBand(request.frequency);
        if (request.verb == "rds" || request.verb == "record")
            return RunFeedCommand(request.feed, out, err);
        std::optional<StationNameWatch> names;
        if (request.feed.names)
            names.emplace(err);

        if (RadioDriver::ReceiverFor(TunerSettings.Adapter))
            return RunOnReceiver(request.verb, request.upward, out, err, errIsTerminal,
                                 [&] { RunCommand(request, out, err, errIsTerminal); });
        if (request.verb == "seek")
            throw BadArguments{"seek: only a V4L2 receiver or an SDR dongle (--adapter 7 or 8) searches by itself; use scan"};
        // The serial-line card needs no port access; every other one does,
        // before its first byte. The gate also refuses a stored port outside
        // the catalogue, and its message says so.
        if (TunerSettings.Adapter != SerialLineAdapter && !OpenPortAccess()) {
            err << "tunzo-card: " << PortAccessDeniedMessage(TunerSettings.CardPort, programPath) << "\n";
            return 1;
        }
        if (TunerSettings.Adapter == SerialLineAdapter)
            return RunOnSerialLine(request, out, err);
        RunCommand(request, out, err, errIsTerminal);
        return 0;
    } catch (const BadStoredValue& bad) {
        err << "tunzo-card: " << bad.message << "\n";
        return 1;
    } catch (const BadArguments& bad) {
        err << "tunzo-card: " << bad.message << "\n" << CardToolUsage();
        return 2;
    }
}
