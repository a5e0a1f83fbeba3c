#include "CardTool.h"

#include "AdapterCatalogue.h"
#include "Frequency.h"
#include "PortAccess.h"
#include "RadioDriver.h"
#include "SettingsStore.h"
#include "TunerSettings.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

struct BadArguments {
    std::string message;
};

int ParseAdapter(const std::string& text)
{
    char* end = nullptr;
    errno = 0;
    long n = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || n < 1 || n > static_cast<long>(AdapterCatalogue.size()))
        throw BadArguments{"--adapter takes a number from 1 to 6, not '" + text + "'"};
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
    const TTunerSettings& s = TunerSettings;
    if (f < s.BandMinimum || f > s.BandMaximum)
        throw BadArguments{"tune: " + FrequencyText(f) + " MHz is outside the band " + FrequencyText(s.BandMinimum) +
                           " to " + FrequencyText(s.BandMaximum) + " MHz"};
    return f;
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

void Scan(std::ostream& out, std::ostream& err)
{
    const TTunerSettings& s = TunerSettings;
    // Counted in steps, not summed, so that no rounding drift skips the top.
    const int steps = static_cast<int>(std::lround((s.BandMaximum - s.BandMinimum) * 10.0));
    int found = 0;
    for (int i = 0; i <= steps; ++i) {
        const double f = static_cast<double>(RoundDigits(s.BandMinimum + i / 10.0, 1));
        err << "\rscanning " << FrequencyText(f) << " MHz (" << (i * 100 / steps) << "%) " << std::flush;
        RadioDriver::Tune(f);
        const TuneState state = RadioDriver::TunedStatus();
        if (state != NotTuned) {
            err << "\r\033[K";  // clear the progress line before the result
            out << FrequencyText(f) << (state == TunedStereo ? " stereo" : "") << "\n" << std::flush;
            ++found;
        }
    }
    err << "\r\033[Kscanned " << FrequencyText(s.BandMinimum) << " to " << FrequencyText(s.BandMaximum)
        << " MHz: " << found << (found == 1 ? " station" : " stations") << "\n";
}

}  // namespace

int RunCardTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                const std::string& programPath)
{
    TTunerSettings& s = TunerSettings;
    // The card as the panel would drive it: the stored adapter, port and
    // volume, unless the options name others.
    try {
        InitialiseSettings();
    } catch (const std::runtime_error& e) {
        err << "tunzo-card: " << e.what() << "\n";
        return 1;
    }
    bool adapterGiven = false;

    std::optional<int32_t> port;
    std::vector<std::string> command;
    try {
        for (size_t i = 0; i < args.size(); ++i) {
            const std::string& a = args[i];
            if (a == "-h" || a == "--help") {
                out << CardToolUsage;
                return 0;
            }
            if (a == "--adapter" || a == "--port") {
                if (i + 1 >= args.size())
                    throw BadArguments{a + " needs a value"};
                if (a == "--adapter") {
                    s.Adapter = static_cast<int8_t>(ParseAdapter(args[++i]));
                    adapterGiven = true;
                }
                else
                    port = ParsePort(args[++i]);
            } else if (a.starts_with("--")) {
                throw BadArguments{"unknown option '" + a + "'"};
            } else {
                command.assign(args.begin() + static_cast<long>(i), args.end());
                break;
            }
        }
        if (command.empty())
            throw BadArguments{"no command given"};
        const std::string& verb = command[0];
        const size_t operands = verb == "tune" ? 1 : 0;
        if (verb != "tune" && verb != "mute" && verb != "unmute" && verb != "up" && verb != "down" &&
            verb != "status" && verb != "scan")
            throw BadArguments{"unknown command '" + verb + "'"};
        if (command.size() != operands + 1)
            throw BadArguments{verb + (operands ? " takes one frequency" : " takes no operand")};

        const AdapterEntry* row = AdapterRow(s.Adapter);
        if (!row)
            throw BadArguments{"the stored adapter " + std::to_string(s.Adapter) +
                               " is not one of 1 to 6; choose one with --adapter"};
        if (s.Adapter == 5) {
            // The GemTek is reached over COM1 or COM2: --port picks one of the
            // row's choices by its value.
            if (adapterGiven)
                s.PortNumber = static_cast<int8_t>(row->defaultChoice);
            if (port) {
                if (*port != 1 && *port != 2)
                    throw BadArguments{"--port for the GemTek is the COM port number, 1 or 2"};
                s.PortNumber = static_cast<int8_t>(*port);
            }
        } else {
            if (port)
                s.CardPort = static_cast<uint16_t>(*port);
            else if (adapterGiven)
                s.CardPort = static_cast<uint16_t>(row->defaultPort().value);
        }

        double frequency = 0.0;
        if (verb == "tune")
            frequency = ParseFrequency(command[1]);

        // The serial-line card needs no port access; every other one does,
        // before its first byte.
        if (s.Adapter != 5 && !OpenPortAccess()) {
            err << "tunzo-card: " << PortAccessDeniedMessage(s.CardPort, programPath) << "\n";
            return 1;
        }

        if (verb == "tune")
            RadioDriver::Tune(frequency);
        else if (verb == "mute")
            RadioDriver::Mute();
        else if (verb == "unmute")
            RadioDriver::Unmute();
        else if (verb == "up")
            RadioDriver::VolumeUp();
        else if (verb == "down")
            RadioDriver::VolumeDown();
        else if (verb == "status")
            out << StateText(RadioDriver::TunedStatus()) << "\n";
        else
            Scan(out, err);
        return 0;
    } catch (const BadArguments& bad) {
        err << "tunzo-card: " << bad.message << "\n" << CardToolUsage;
        return 2;
    }
}
