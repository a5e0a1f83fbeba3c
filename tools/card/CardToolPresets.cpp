#include "CardToolPresets.h"

#include "CardTool.h"
#include "PresetCsv.h"

#include <iostream>
#include <stdexcept>

namespace {

constexpr const char* PresetsWord = "presets";
// A FILE of "-": standard output for an export, standard input for an import.
constexpr const char* StandardStream = "-";

int Export(const std::string& file, std::ostream& out, std::ostream& err)
{
    const PresetTable presets = ReadStoredPresets();
    if (file == StandardStream) {
        out << PresetsToCsv(presets) << std::flush;
        return out ? 0 : 1;
    }
    if (const std::string problem = ExportPresetsFile(file, presets); !problem.empty()) {
        err << "tunzo-card: " << problem << "\n";
        return 1;
    }
    int count = 0;
    for (const PresetSlot& slot : presets)
        count += slot.Frequency > 0.0 ? 1 : 0;
    out << "exported " << count << (count == 1 ? " preset" : " presets") << " to " << file << "\n";
    return 0;
}

// The list on standard input, with the limit a file has.
PresetCsvImport ImportStandardInput(const PresetBand& band)
{
    std::string text(MaxPresetCsvBytes + 1, '\0');
    std::cin.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(std::cin.gcount()));
    if (text.size() > MaxPresetCsvBytes)
        return {{}, {{0, "standard input holds more than " + std::to_string(MaxPresetCsvBytes / 1024) +
                             " KiB: it is not a station list"}}};
    return PresetsFromCsv(text, band);
}

int Import(const std::string& file, std::ostream& out, std::ostream& err)
{
    const PresetBand band = StoredPresetBand();
    const PresetCsvImport list = file == StandardStream ? ImportStandardInput(band) : ImportPresetsFile(file, band);
    if (!list.problems.empty()) {
        for (const PresetCsvProblem& p : list.problems)
            err << "tunzo-card: " << file << ": " << PresetCsvProblemsText({p});
        err << "tunzo-card: nothing was imported\n";
        return 1;
    }
    const std::vector<PresetChange> changes = PresetChanges(ReadStoredPresets(), list.presets);
    if (changes.empty()) {
        out << "the presets already hold what " << file << " lists: nothing to change\n";
        return 0;
    }
    if (const std::string problem = WritePresetChanges(changes); !problem.empty()) {
        err << "tunzo-card: " << problem << "\ntunzo-card: nothing was imported\n";
        return 1;
    }
    for (const PresetChange& change : changes)
        out << PresetChangeText(change) << "\n";
    out << changes.size() << (changes.size() == 1 ? " preset" : " presets") << " changed\n";
    return 0;
}

}  // namespace

bool IsPresetsCommand(const std::vector<std::string>& args)
{
    return !args.empty() && args[0] == PresetsWord;
}

int RunPresetsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.size() != 3 || (args[1] != "export" && args[1] != "import")) {
        err << "tunzo-card: presets takes export FILE or import FILE\n" << CardToolUsage();
        return 2;
    }
    try {
        return args[1] == "export" ? Export(args[2], out, err) : Import(args[2], out, err);
    } catch (const std::exception& e) {
        // The store could not be read: nothing was written.
        err << "tunzo-card: " << e.what() << "\n";
        return 1;
    }
}
