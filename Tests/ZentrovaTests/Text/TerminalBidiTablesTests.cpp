// The fixed Unicode tables: their sizes, their order (lookups search them), and their agreement with
// the character database the system ships (Unicode 15.0; the tables follow 17.0).

#include "Zentrova/Text/TerminalBidi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

namespace zentrova {
namespace {

using Joining = TerminalBidi::Joining;

// The semicolon-separated fields of a data file's lines, comments and blank lines left out.
std::vector<std::vector<std::string>> dataLines(const std::string& name)
{
    const std::string path = "/usr/share/unicode/" + name;
    std::ifstream file(path);
    EXPECT_TRUE(file) << path << " is missing: scripts/setup.sh installs unicode-data";
    std::vector<std::vector<std::string>> lines;
    for (std::string line; std::getline(file, line);) {
        line = line.substr(0, line.find('#'));
        if (line.find_first_not_of(" \t") == std::string::npos)
            continue;
        std::vector<std::string> fields;
        std::stringstream stream(line);
        for (std::string field; std::getline(stream, field, ';');) {
            const auto first = field.find_first_not_of(' ');
            const auto last = field.find_last_not_of(' ');
            fields.push_back(first == std::string::npos ? "" : field.substr(first, last - first + 1));
        }
        lines.push_back(fields);
    }
    return lines;
}

char32_t hex(const std::string& text)
{
    return char32_t(std::stoul(text, nullptr, 16));
}

TEST(TerminalBidiTables, HoldTheirCounts)
{
    std::map<Joining, int> types;
    for (const auto& range : TerminalBidi::joiningRanges())
        types[range.type]++;
    EXPECT_EQ(TerminalBidi::joiningRanges().size(), 157u);
    EXPECT_EQ(types[Joining::dual], 78);
    EXPECT_EQ(types[Joining::right], 66);
    EXPECT_EQ(types[Joining::left], 5);
    EXPECT_EQ(types[Joining::causing], 5);
    EXPECT_EQ(types[Joining::transparent], 3);

    EXPECT_EQ(TerminalBidi::arabicForms().size(), 76u);
    EXPECT_EQ(std::count_if(TerminalBidi::arabicForms().begin(), TerminalBidi::arabicForms().end(),
                            [](const auto& forms) { return forms.initial && forms.medial; }),
              46);
    EXPECT_EQ(TerminalBidi::lamAlefLigatures().size(), 4u);
    EXPECT_EQ(TerminalBidi::mirrorPairs().size(), 428u);
    EXPECT_EQ(TerminalBidi::boxMirrorPairs().size(), 38u);
}

TEST(TerminalBidiTables, AreSortedAndEveryPairGoesBothWays)
{
    const auto ranges = TerminalBidi::joiningRanges();
    for (size_t index = 0; index < ranges.size(); index++) {
        EXPECT_LE(ranges[index].first, ranges[index].last);
        if (index > 0) {
            EXPECT_LT(ranges[index - 1].last, ranges[index].first);
        }
    }
    const auto forms = TerminalBidi::arabicForms();
    EXPECT_TRUE(std::is_sorted(forms.begin(), forms.end(), [](auto& a, auto& b) { return a.letter < b.letter; }));
    for (const auto pairs : { TerminalBidi::mirrorPairs(), TerminalBidi::boxMirrorPairs() }) {
        EXPECT_TRUE(std::is_sorted(pairs.begin(), pairs.end()));
        for (const auto& [scalar, mirrored] : pairs)
            EXPECT_EQ(std::count(pairs.begin(), pairs.end(), std::pair(mirrored, scalar)), 1) << uint32_t(scalar);
    }
}

TEST(TerminalBidiTables, LookupsFindEntriesAndNothingElse)
{
    EXPECT_EQ(TerminalBidi::joiningType(0x0620), Joining::dual);
    EXPECT_EQ(TerminalBidi::joiningType(0x0625), Joining::right);
    EXPECT_EQ(TerminalBidi::joiningType(0x0640), Joining::causing);
    EXPECT_EQ(TerminalBidi::joiningType(0x1E94B), Joining::transparent);
    EXPECT_EQ(TerminalBidi::joiningType(0x0621), std::nullopt); // hamza never joins
    EXPECT_EQ(TerminalBidi::joiningType(0x0041), std::nullopt);
    EXPECT_EQ(TerminalBidi::joiningType(0x1E94C), std::nullopt);
    EXPECT_EQ(TerminalBidi::mirror(U'('), U')');
    EXPECT_EQ(TerminalBidi::mirror(0xFF63), 0xFF62u);
    EXPECT_EQ(TerminalBidi::mirror(U'a'), std::nullopt);
    EXPECT_EQ(TerminalBidi::boxMirror(0x250C), 0x2510u);
    EXPECT_EQ(TerminalBidi::boxMirror(0x257A), 0x2578u);
    EXPECT_EQ(TerminalBidi::boxMirror(0x2500), std::nullopt);
    ASSERT_TRUE(TerminalBidi::forms(0x0626));
    EXPECT_EQ(TerminalBidi::forms(0x0626)->medial, 0xFE8Cu);
    EXPECT_FALSE(TerminalBidi::forms(0x0628 + 0x100));
    ASSERT_TRUE(TerminalBidi::lamAlef(0x0627));
    EXPECT_EQ(TerminalBidi::lamAlef(0x0627)->final, 0xFEFCu);
    EXPECT_FALSE(TerminalBidi::lamAlef(0x0628));
}

TEST(TerminalBidiTables, MirrorPairsAreTheDatabasePairs)
{
    std::set<TerminalBidi::MirrorPair> database;
    for (const auto& fields : dataLines("BidiMirroring.txt"))
        database.emplace(hex(fields.at(0)), hex(fields.at(1)));
    const auto pairs = TerminalBidi::mirrorPairs();
    EXPECT_EQ(std::set(pairs.begin(), pairs.end()), database);
}

TEST(TerminalBidiTables, JoiningTypesAreTheDatabaseTypesWithSixNewerLetters)
{
    std::map<char32_t, Joining> database;
    const std::map<std::string, Joining> names { { "D", Joining::dual },
                                                  { "R", Joining::right },
                                                  { "L", Joining::left },
                                                  { "C", Joining::causing },
                                                  { "T", Joining::transparent } };
    for (const auto& fields : dataLines("ArabicShaping.txt"))
        if (const auto type = names.find(fields.at(2)); type != names.end())
            database[hex(fields.at(0))] = type->second;
    std::map<char32_t, Joining> table;
    for (const auto& range : TerminalBidi::joiningRanges())
        for (char32_t scalar = range.first; scalar <= range.last; scalar++)
            table[scalar] = range.type;
    // Letters assigned after the system's database.
    const std::set<char32_t> newer { 0x088F, 0x10EC2, 0x10EC3, 0x10EC4, 0x10EC6, 0x10EC7 };
    std::set<char32_t> differing;
    for (const auto& [scalar, type] : table)
        if (database.count(scalar) == 0 || database.at(scalar) != type)
            differing.insert(scalar);
    for (const auto& [scalar, type] : database)
        if (table.count(scalar) == 0)
            differing.insert(scalar);
    EXPECT_EQ(differing, newer);
}

TEST(TerminalBidiTables, FormsAreTheDatabaseDecompositions)
{
    // Presentation form -> (letter, position) from the compatibility decompositions.
    std::map<std::pair<char32_t, std::string>, char32_t> database;
    for (const auto& fields : dataLines("UnicodeData.txt")) {
        const std::string& decomposition = fields.at(5);
        std::stringstream parts(decomposition);
        std::string tag;
        std::string letter;
        if (!(parts >> tag >> letter) || !parts.eof())
            continue;
        for (const std::string position : { "<isolated>", "<final>", "<initial>", "<medial>" })
            if (tag == position)
                database.try_emplace({ hex(letter), position }, hex(fields.at(0)));
    }
    const auto formOf = [&](char32_t letter, const std::string& position) -> char32_t {
        const auto found = database.find({ letter, position });
        return found == database.end() ? 0 : found->second;
    };
    for (const auto& entry : TerminalBidi::arabicForms()) {
        SCOPED_TRACE(uint32_t(entry.letter));
        EXPECT_EQ(entry.isolated, formOf(entry.letter, "<isolated>"));
        EXPECT_EQ(entry.final, formOf(entry.letter, "<final>") ? formOf(entry.letter, "<final>") : entry.isolated);
        EXPECT_EQ(entry.initial, formOf(entry.letter, "<initial>"));
        EXPECT_EQ(entry.medial, formOf(entry.letter, "<medial>"));
    }
}

} // namespace
} // namespace zentrova
