#include "PresetCsv.h"

#include "SettingsStore.h"
#include "TunerSettings.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";
constexpr size_t FieldCount = 4;
// How much of a bad field a message quotes: a line of garbage may be long.
constexpr size_t QuotedFieldLimit = 40;

// The shortest text that reads back as the same double, always with a
// decimal point, so that export and import round-trip exactly.
std::string MegahertzText(double mhz)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, mhz, std::chars_format::fixed);
    std::string text(buffer, result.ptr);
    if (text.find('.') == std::string::npos)
        text += ".0";
    return text;
}

// Blanks at either end are quoted too: some readers trim unquoted fields.
bool NeedsQuotes(const std::string& name)
{
    return name.find_first_of(",\"\r\n") != std::string::npos ||
           (!name.empty() && (name.front() == ' ' || name.back() == ' '));
}

std::string CsvName(const std::string& name)
{
    if (!NeedsQuotes(name))
        return name;
    std::string quoted = "\"";
    for (char c : name) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string Trimmed(std::string_view text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const size_t last = text.find_last_not_of(" \t");
    return std::string(text.substr(first, last - first + 1));
}

std::string Lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
    return text;
}

// A bad field as a message shows it: short, and cut at a character's start.
std::string Shown(const std::string& field)
{
    if (field.size() <= QuotedFieldLimit)
        return "'" + field + "'";
    size_t end = QuotedFieldLimit;
    while (end > 0 && (static_cast<unsigned char>(field[end]) & 0xC0) == 0x80)
        --end;
    return "'" + field.substr(0, end) + "...'";
}

// Splits one line into its fields as RFC 4180 quotes them; "" when it
// splits, else why not. A name never holds a line break, so a quote left
// open at the line's end is a mistake on that line.
std::string SplitFields(std::string_view line, std::vector<std::string>& fields)
{
    fields.clear();
    size_t i = 0;
    for (;;) {
        std::string field;
        if (i < line.size() && line[i] == '"') {
            for (++i;; ++i) {
                if (i >= line.size())
                    return "a quoted name has no closing quote on this line (a name cannot hold a line break)";
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        field += '"';
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += line[i];
            }
            if (i < line.size() && line[i] != ',')
                return "text follows a closing quote; a quote inside a quoted name is written twice (\"\")";
        } else {
            const size_t end = std::min(line.find(',', i), line.size());
            field = std::string(line.substr(i, end - i));
            if (field.find('"') != std::string::npos)
                return "a quote inside a name that is not in quotes: put the name in quotes and write the quote twice";
            i = end;
        }
        fields.push_back(std::move(field));
        if (i >= line.size())
            return {};
        ++i;  // past the comma
    }
}

bool IsUtf8(const std::string& text)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    return !decoder.hasError();
}

std::string CheckName(const std::string& name)
{
    if (name.size() > StationNameLimit)
        return "the name is " + std::to_string(name.size()) + " bytes long; a station name holds at most " +
               std::to_string(StationNameLimit) + " bytes";
    if (!IsUtf8(name))
        return "the name is not UTF-8 text";
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7F)
            return "the name holds a control character (a tab or a line break)";
    return {};
}

bool IsHeader(const std::vector<std::string>& fields)
{
    static const std::vector<std::string> header = {"number", "frequency", "name", "in scan"};
    if (fields.size() != header.size())
        return false;
    for (size_t i = 0; i < header.size(); ++i)
        if (Lowered(Trimmed(fields[i])) != header[i])
            return false;
    return true;
}

// The checks of one data line, the first problem found, "" when good.
// `firstLineOf` holds, per slot, the line that named it (0 for none).
std::string ReadPresetLine(const std::vector<std::string>& fields, const PresetBand& band, int line,
                           std::array<int, PresetCount>& firstLineOf, PresetTable& presets)
{
    if (fields.size() != FieldCount)
        return "has " + std::to_string(fields.size()) + (fields.size() == 1 ? " field" : " fields") +
               "; a line holds four, " + PresetCsvHeader +
               " (a name with a comma goes in quotes; a frequency takes a decimal point)";
    const std::string numberText = Trimmed(fields[0]);
    int number = 0;
    const auto parsedNumber = std::from_chars(numberText.data(), numberText.data() + numberText.size(), number);
    if (numberText.empty() || parsedNumber.ec != std::errc() || parsedNumber.ptr != numberText.data() + numberText.size() ||
        number < 1 || number > PresetCount)
        return "the number " + Shown(numberText) + " is not a preset number from 1 to " + std::to_string(PresetCount);
    int& first = firstLineOf[static_cast<size_t>(number - 1)];
    if (first != 0)
        return "preset " + std::to_string(number) + " is already given on line " + std::to_string(first);
    first = line;

    const std::string frequencyText = Trimmed(fields[1]);
    double mhz = 0.0;
    const auto parsedMhz = std::from_chars(frequencyText.data(), frequencyText.data() + frequencyText.size(), mhz,
                                           std::chars_format::fixed);
    if (frequencyText.empty() || parsedMhz.ec != std::errc() ||
        parsedMhz.ptr != frequencyText.data() + frequencyText.size() || !std::isfinite(mhz))
        return "the frequency " + Shown(frequencyText) + " is not a number of MHz like 94.2";
    if (mhz < band.minimum || mhz > band.maximum)
        return MegahertzText(mhz) + " MHz is outside the band of " + MegahertzText(band.minimum) + " to " +
               MegahertzText(band.maximum) + " MHz";

    const std::string& name = fields[2];
    if (std::string problem = CheckName(name); !problem.empty())
        return problem;

    const std::string scan = Lowered(Trimmed(fields[3]));
    if (scan != "yes" && scan != "no")
        return "in scan is yes or no, not " + Shown(Trimmed(fields[3]));

    presets[static_cast<size_t>(number - 1)] = PresetSlot{mhz, name, scan == "yes"};
    return {};
}

bool IsEmpty(const PresetSlot& slot)
{
    return slot.Frequency <= 0.0;
}

bool SameSlot(const PresetSlot& a, const PresetSlot& b)
{
    if (IsEmpty(a) || IsEmpty(b))
        return IsEmpty(a) == IsEmpty(b);
    return a.Frequency == b.Frequency && a.StationName == b.StationName && a.IncludeInScan == b.IncludeInScan;
}

std::string SlotText(const PresetSlot& slot)
{
    if (IsEmpty(slot))
        return "empty";
    return MegahertzText(slot.Frequency) + " MHz \"" + slot.StationName + "\"" +
           (slot.IncludeInScan ? "" : ", not in scan");
}

}  // namespace

std::string PresetsToCsv(const PresetTable& presets)
{
    std::string text = std::string(PresetCsvHeader) + "\n";
    for (int n = 1; n <= PresetCount; ++n) {
        const PresetSlot& slot = presets[static_cast<size_t>(n - 1)];
        if (IsEmpty(slot))
            continue;
        text += std::to_string(n) + "," + MegahertzText(slot.Frequency) + "," + CsvName(slot.StationName) + "," +
                (slot.IncludeInScan ? "yes" : "no") + "\n";
    }
    return text;
}

PresetCsvImport PresetsFromCsv(std::string_view text, const PresetBand& band)
{
    PresetCsvImport result;
    if (text.starts_with(Utf8Bom))
        text.remove_prefix(Utf8Bom.size());
    std::array<int, PresetCount> firstLineOf{};
    std::vector<std::string> fields;
    bool headerSeen = false;
    int line = 0;
    while (!text.empty() && result.problems.size() < MaxPresetCsvProblems) {
        const size_t end = std::min(text.find('\n'), text.size());
        std::string_view row = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        ++line;
        if (row.ends_with('\r'))
            row.remove_suffix(1);
        if (Trimmed(row).empty())
            continue;
        std::string problem = SplitFields(row, fields);
        if (!headerSeen) {
            headerSeen = true;
            if (problem.empty() && IsHeader(fields))
                continue;
            problem = std::string("the list does not begin with its header line \"") + PresetCsvHeader + "\"";
        } else if (problem.empty()) {
            problem = ReadPresetLine(fields, band, line, firstLineOf, result.presets);
        }
        if (!problem.empty())
            result.problems.push_back({line, problem});
    }
    if (!headerSeen)
        result.problems.push_back({0, std::string("the file is empty: a station list begins with the line \"") +
                                          PresetCsvHeader + "\""});
    else if (!text.empty())
        result.problems.push_back({0, "only the first " + std::to_string(MaxPresetCsvProblems) +
                                          " problems are listed; the rest of the file was not checked"});
    return result;
}

std::string PresetCsvProblemsText(const std::vector<PresetCsvProblem>& problems)
{
    std::string text;
    for (const PresetCsvProblem& p : problems)
        text += (p.line > 0 ? "line " + std::to_string(p.line) + ": " : std::string()) + p.text + "\n";
    return text;
}

std::vector<PresetChange> PresetChanges(const PresetTable& stored, const PresetTable& imported)
{
    std::vector<PresetChange> changes;
    for (int n = 1; n <= PresetCount; ++n) {
        const PresetSlot& before = stored[static_cast<size_t>(n - 1)];
        const PresetSlot& after = imported[static_cast<size_t>(n - 1)];
        if (!SameSlot(before, after))
            changes.push_back({n, before, after});
    }
    return changes;
}

std::string PresetChangeText(const PresetChange& change)
{
    return std::to_string(change.slot) + ": " + SlotText(change.before) + " -> " + SlotText(change.after);
}

PresetBand StoredPresetBand()
{
    TTunerSettings s;
    AssignInitialValues(s);
    ReadSettings(s);
    SetBandLimits(s);
    return {s.BandMinimum, s.BandMaximum};
}

PresetTable ReadStoredPresets()
{
    const PresetBand band = StoredPresetBand();
    TunerSettings.BandMinimum = band.minimum;
    TunerSettings.BandMaximum = band.maximum;
    // Loading keeps what a slot held when its key has gone: start empty.
    Presets = {};
    LoadPresets();
    return Presets;
}

std::string WritePresetChanges(const std::vector<PresetChange>& changes)
{
    if (changes.empty())
        return {};
    // Every preset key opened while this one is open joins its transaction:
    // the list lands whole or not at all.
    const std::string key = std::string(MainKey) + "\\Presets";
    TRegistry presets;
    try {
        if (!presets.OpenKey(key, true)) {
            std::string text = RegistryWriteErrorText(key);
            std::replace(text.begin(), text.end(), '\r', '\n');
            return text;
        }
        for (const PresetChange& c : changes) {
            if (IsEmpty(c.after))
                SavePreset(c.slot, ClearedStationName, true, 0.0);
            else
                SavePreset(c.slot, c.after.StationName, c.after.IncludeInScan, c.after.Frequency);
        }
        presets.CloseKey();
    } catch (const std::exception& e) {
        presets.DiscardKey();
        return e.what();
    }
    for (const PresetChange& c : changes)
        Presets[static_cast<size_t>(c.slot - 1)] = c.after;
    return {};
}

std::string ExportPresetsFile(const std::string& path, const PresetTable& presets)
{
    const std::string text = PresetsToCsv(presets);
    // Into a new file that takes the old one's place only once it is whole.
    QSaveFile file(QFile::decodeName(path.c_str()));
    // A pipe or a device has no folder to make the new file in.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return "cannot write " + path + ": " + file.errorString().toStdString();
    if (file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()) || !file.commit())
        return "cannot write " + path + ": " + file.errorString().toStdString();
    return {};
}

PresetCsvImport ImportPresetsFile(const std::string& path, const PresetBand& band)
{
    QFile file(QFile::decodeName(path.c_str()));
    if (!file.open(QIODevice::ReadOnly))
        return {{}, {{0, "cannot read " + path + ": " + file.errorString().toStdString()}}};
    const QByteArray bytes = file.read(static_cast<qint64>(MaxPresetCsvBytes) + 1);
    if (file.error() != QFileDevice::NoError)
        return {{}, {{0, "cannot read " + path + ": " + file.errorString().toStdString()}}};
    if (static_cast<size_t>(bytes.size()) > MaxPresetCsvBytes)
        return {{}, {{0, path + " is larger than " + std::to_string(MaxPresetCsvBytes / 1024) +
                             " KiB: it is not a station list"}}};
    return PresetsFromCsv(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())), band);
}
