// Station lists as files: every kind of bad line is named with its number
// (the first problem of each); what is exported reads back exactly,
// with a spreadsheet's BOM and CRLF line ends too.

#include "PresetCsv.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr PresetBand NormalBand{87.0, 108.0};
const std::string Header = "number,frequency,name,in scan\n";

struct BadFile {
    const char* what;
    std::string text;
    int line;
    const char* says;
};

const BadFile BadFiles[] = {
    {"no header", "1,94.2,Jazz,yes\n", 1, "header line"},
    {"a decimal comma", Header + "1,94,2,Jazz,yes\n", 2, "5 fields"},
    {"slot 0", Header + "0,94.2,Jazz,yes\n", 2, "from 1 to 100"},
    {"slot 101", Header + "101,94.2,Jazz,yes\n", 2, "from 1 to 100"},
    {"a word for a number", Header + "seven,94.2,Jazz,yes\n", 2, "'seven' is not a preset number"},
    {"a slot twice", Header + "7,94.2,Jazz,yes\n7,99.0,Rock,no\n", 3, "already given on line 2"},
    {"below the band", Header + "1,86.9,Low,yes\n", 2, "outside the band of 87.0 to 108.0"},
    {"above the band", Header + "1,108.1,High,yes\n", 2, "outside the band"},
    {"no number at all", Header + "1,inf,Far,yes\n", 2, "not a number of MHz"},
    {"a name too long", Header + "1,94.2," + std::string(256, 'x') + ",yes\n", 2, "at most 255 bytes"},
    {"a name not UTF-8", Header + "1,94.2,Caf\xe9,yes\n", 2, "not UTF-8"},
    {"a tab in a name", Header + "1,94.2,Jazz\tFM,yes\n", 2, "control character"},
    {"a quote left open", Header + "1,94.2,\"Jazz,yes\n", 2, "no closing quote"},
    {"a bare quote", Header + "1,94.2,Jazz \"FM\",yes\n", 2, "put the name in quotes"},
    {"maybe in scan", Header + "1,94.2,Jazz,maybe\n", 2, "yes or no, not 'maybe'"},
    {"counted past a BOM, CRLF and a blank line", "\xEF\xBB\xBF" "number,frequency,name,in scan\r\n\r\n5,94.2,A,perhaps\r\n",
     3, "yes or no"},
    {"nothing at all", "", 0, "empty"},
};

TEST(PresetCsv, EachBadLineIsNamedByItsNumber)
{
    for (const BadFile& bad : BadFiles) {
        const PresetCsvImport result = PresetsFromCsv(bad.text, NormalBand);
        ASSERT_EQ(result.problems.size(), 1u) << bad.what << ":\n" << PresetCsvProblemsText(result.problems);
        EXPECT_EQ(result.problems[0].line, bad.line) << bad.what;
        EXPECT_NE(result.problems[0].text.find(bad.says), std::string::npos)
            << bad.what << ": " << result.problems[0].text;
    }
    // Good lines around bad ones do not hide them; a garbage file is cut short.
    const PresetCsvImport mixed = PresetsFromCsv(Header + "1,94.2,A,yes\n2,x,B,no\n3,99.0,C,no\n4,99.5,D,y\n", NormalBand);
    ASSERT_EQ(mixed.problems.size(), 2u);
    EXPECT_EQ(mixed.problems[1].line, 5);
    std::string garbage = Header;
    for (int i = 0; i < 1000; ++i)
        garbage += "junk\n";
    EXPECT_EQ(PresetsFromCsv(garbage, NormalBand).problems.size(), MaxPresetCsvProblems + 1);
}

TEST(PresetCsv, AnExportedListReadsBackExactlyAndChangesNothing)
{
    PresetTable presets{};
    std::string longName;
    while (longName.size() + 2 <= StationNameLimit)
        longName += "\xC3\xA9";  // two bytes a character, to the limit
    const PresetSlot slots[] = {
        {87.0, "Jazz, \"Blue\" FM", true},  {94.123456789, " blanks around ", false},
        {99.9, "", true},                   {108.0, "\xC3\x9Cml\xC3\xA4ut Radio", false},
        {100.0, longName, true},            {88.5, "comma,", true},
    };
    const int numbers[] = {1, 2, 17, 50, 99, 100};
    for (size_t i = 0; i < std::size(slots); ++i)
        presets[static_cast<size_t>(numbers[i] - 1)] = slots[i];

    const std::string csv = PresetsToCsv(presets);
    EXPECT_EQ(csv.substr(0, Header.size()), Header);
    std::string windows = "\xEF\xBB\xBF";
    for (char c : csv)
        windows += c == '\n' ? std::string("\r\n") : std::string(1, c);
    for (const std::string& text : {csv, windows}) {
        const PresetCsvImport back = PresetsFromCsv(text, NormalBand);
        ASSERT_TRUE(back.problems.empty()) << PresetCsvProblemsText(back.problems);
        EXPECT_TRUE(PresetChanges(presets, back.presets).empty());
        for (size_t i = 0; i < std::size(slots); ++i) {
            const PresetSlot& slot = back.presets[static_cast<size_t>(numbers[i] - 1)];
            EXPECT_EQ(slot.Frequency, slots[i].Frequency) << numbers[i];
            EXPECT_EQ(slot.StationName, slots[i].StationName) << numbers[i];
            EXPECT_EQ(slot.IncludeInScan, slots[i].IncludeInScan) << numbers[i];
        }
    }
    // A slot left out of the list is emptied; a cleared slot equals an empty one.
    presets[2] = PresetSlot{0.0, " ", true};
    const std::vector<PresetChange> changes = PresetChanges(presets, PresetsFromCsv(Header + "1,87.0,Jazz,yes\n", NormalBand).presets);
    ASSERT_EQ(changes.size(), 6u);
    EXPECT_EQ(PresetChangeText(changes[0]), "1: 87.0 MHz \"Jazz, \"Blue\" FM\" -> 87.0 MHz \"Jazz\"");
    EXPECT_EQ(PresetChangeText(changes[1]), "2: 94.123456789 MHz \" blanks around \", not in scan -> empty");
}

}  // namespace
