// The ordering core (probe units, the bidirectional algorithm, the placing of cells that show
// nothing) against Unicode's own conformance cases, and the placing rules on small rows.

#include "Zentrova/Text/BidiTypesetter.h"
#include "Zentrova/Text/TerminalBidi.h"

#include <gtest/gtest.h>
#include <unicode/ubidi.h>
#include <unicode/uchar.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace zentrova {
namespace {

constexpr auto ltr = BidiDirection::leftToRight;
constexpr auto rtl = BidiDirection::rightToLeft;

const char* const characterTestPath = "/usr/share/unicode/BidiCharacterTest.txt";

std::vector<char16_t> probeOf(const std::u32string& scalars)
{
    std::vector<char16_t> probe;
    for (char32_t scalar : scalars)
        probe.push_back(TerminalBidi::probeScalar(std::u32string(1, scalar)));
    return probe;
}

BidiTypesetter::VisualOrder orderOf(const std::u32string& scalars, BidiDirection base)
{
    auto typesetter = BidiTypesetter::make(probeOf(scalars), base);
    if (!typesetter)
        return {};
    return typesetter->computeVisualOrder(0, int(scalars.size()), base).value_or(BidiTypesetter::VisualOrder {});
}

// Controls the typesetter shows nothing for: they are placed beside a neighbour afterwards.
bool isBidiControl(char32_t scalar)
{
    return (scalar >= 0x200C && scalar <= 0x200F) || (scalar >= 0x202A && scalar <= 0x202E)
        || (scalar >= 0x2066 && scalar <= 0x2069);
}

struct ConformanceCase {
    std::u32string scalars;
    BidiDirection paragraph = ltr;
    std::vector<int> levels; // -1 where the algorithm removes the character
    std::vector<int> order;
};

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::stringstream stream(text);
    std::string part;
    while (std::getline(stream, part, separator))
        parts.push_back(part);
    return parts;
}

ConformanceCase parseCase(const std::string& line)
{
    const auto fields = split(line, ';');
    ConformanceCase parsed;
    std::stringstream scalars(fields.at(0));
    for (std::string hex; scalars >> hex;)
        parsed.scalars.push_back(char32_t(std::stoul(hex, nullptr, 16)));
    parsed.paragraph = fields.at(2) == "1" ? rtl : ltr;
    std::stringstream levels(fields.at(3));
    for (std::string level; levels >> level;)
        parsed.levels.push_back(level == "x" ? -1 : std::stoi(level));
    std::stringstream order(fields.at(4));
    for (int index; order >> index;)
        parsed.order.push_back(index);
    return parsed;
}

// The probe keeps every character's bidirectional class, and the line is one paragraph.
bool probeKeepsClasses(const std::u32string& scalars)
{
    for (char32_t scalar : scalars) {
        const auto own = u_charDirection(UChar32(scalar));
        if (own == U_BLOCK_SEPARATOR || u_charDirection(TerminalBidi::probeScalar(std::u32string(1, scalar))) != own)
            return false;
    }
    return true;
}

// ICU 72 itself resolves some lines differently from the file (paired brackets inside explicit
// embeddings, isolates inside overrides, bracket pairs past the stack of 63): its own levels for the
// real text differ from the file's. Those lines say nothing about the probe or the placing.
bool icuDisagreesWithFile(const ConformanceCase& test)
{
    std::vector<UChar> text;
    for (char32_t scalar : test.scalars) {
        if (scalar > 0xFFFF)
            return false;
        text.push_back(UChar(scalar));
    }
    UErrorCode status = U_ZERO_ERROR;
    UBiDi* bidi = ubidi_open();
    ubidi_setPara(bidi, text.data(), int32_t(text.size()), test.paragraph == rtl ? 1 : 0, nullptr, &status);
    const UBiDiLevel* levels = ubidi_getLevels(bidi, &status);
    bool differs = U_FAILURE(status);
    for (size_t index = 0; !differs && index < text.size(); index++)
        differs = test.levels[index] >= 0 && test.levels[index] != levels[index];
    ubidi_close(bidi);
    return differs;
}

TEST(BidiTypesetter, OrdersUnicodeConformanceCasesTheProbeKeeps)
{
    std::ifstream file(characterTestPath);
    ASSERT_TRUE(file) << characterTestPath << " is missing: scripts/setup.sh installs unicode-data";
    int checked = 0;
    int passed = 0;
    int icuDifferences = 0;
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        const ConformanceCase test = parseCase(line);
        if (!probeKeepsClasses(test.scalars))
            continue;
        checked++;
        // The test's resolved paragraph level is the base direction the layout would have chosen.
        const auto visual = orderOf(test.scalars, test.paragraph);
        std::vector<int> shown;
        bool levelsMatch = visual.rtl.size() == test.scalars.size();
        for (int index : visual.order) {
            const bool removed = test.levels.at(size_t(index)) < 0;
            if (removed || isBidiControl(test.scalars[size_t(index)]))
                continue;
            shown.push_back(index);
            levelsMatch = levelsMatch && visual.rtl[size_t(index)] == (test.levels[size_t(index)] % 2 == 1);
        }
        std::vector<int> expected;
        for (int index : test.order)
            if (!isBidiControl(test.scalars[size_t(index)]))
                expected.push_back(index);
        if (shown == expected && levelsMatch)
            passed++;
        else if (icuDisagreesWithFile(test))
            icuDifferences++;
        else
            ADD_FAILURE() << "line: " << line;
    }
    // The probe keeps the classes of nearly every line of the file; a change there shows here.
    EXPECT_GT(checked, 91000);
    EXPECT_LE(icuDifferences, 30);
    RecordProperty("checkedLines", checked);
    RecordProperty("passedLines", passed);
    std::printf("BidiCharacterTest: %d lines checked, %d pass, %d resolved differently by ICU itself\n", checked,
                passed, icuDifferences);
}

TEST(BidiTypesetter, PlacesCellsThatShowNothingBesideTheirNeighbours)
{
    struct Case {
        const char* name;
        std::u32string scalars;
        BidiDirection base;
        std::vector<int> order;
        std::vector<bool> rtl;
    };
    const Case cases[] = {
        // The mark follows the Hebrew letter before it, on its left in the right-to-left run.
        { "right-to-left mark after Hebrew", U"\u05D0\u200Fb", ltr, { 1, 0, 2 }, { true, true, false } },
        { "left-to-right mark after Latin", U"a\u200E\u05D0", ltr, { 0, 1, 2 }, { false, false, true } },
        // No neighbour has a direction of its own: the base direction decides.
        { "a lone mark in a right-to-left paragraph", U"\u200E", rtl, { 0 }, { true } },
        { "a lone mark in a left-to-right paragraph", U"\u200F", ltr, { 0 }, { false } },
        // The first cell has no left neighbour placed: it goes before its right neighbour.
        { "an embedding before Hebrew", U"\u202B\u05D0\u05D1", rtl, { 2, 1, 0 }, { true, true, true } },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const auto visual = orderOf(test.scalars, test.base);
        EXPECT_EQ(visual.order, test.order);
        EXPECT_EQ(visual.rtl, test.rtl);
    }
}

TEST(BidiTypesetter, LaysOutEachRowOfAParagraphOnItsOwn)
{
    // Two rows of one paragraph: Hebrew runs on across the wrap, each row reversed by itself.
    const std::u32string scalars = U"\u05D0\u05D1\u05D2\u05D3ab";
    auto typesetter = BidiTypesetter::make(probeOf(scalars), rtl);
    ASSERT_TRUE(typesetter);
    EXPECT_EQ(typesetter->computeVisualOrder(0, 3, rtl)->order, (std::vector<int> { 2, 1, 0 }));
    EXPECT_EQ(typesetter->computeVisualOrder(3, 6, rtl)->order, (std::vector<int> { 1, 2, 0 }));
    EXPECT_EQ(typesetter->computeVisualOrder(2, 2, rtl), BidiTypesetter::VisualOrder {});
    EXPECT_FALSE(BidiTypesetter::make({}, rtl));
}

TEST(BidiTypesetter, ProbeKeepsOneUnitOfTheSameBehaviourPerCell)
{
    struct Case {
        std::u32string text;
        char16_t probe;
    };
    const Case cases[] = {
        { U"", u' ' },
        { U"a", u'a' },
        { U"\u05D0", u'\u05D0' },          // Hebrew keeps itself
        { U"\u0628\u064E", u'\u0621' },    // an Arabic letter becomes one that never joins
        { U"\u0640", u'\u0621' },          // so does tatweel
        { U"\u200D", u'\u0621' },          // and the joiner
        { U"\u064E", u'\u00B7' },          // a mark alone in a cell
        { U"\u0301", u'\u00B7' },
        { U"\u20DD", u'\u00B7' },          // an enclosing mark
        { U"\U00010900", u'\u200F' },      // Phoenician
        { U"\U0001E900", u'\u200F' },      // Adlam
        { U"\U0001F600", u'\u00B7' },      // any other supplementary scalar
        { U"\u4E00", u'\u4E00' },
    };
    for (const Case& test : cases)
        EXPECT_EQ(TerminalBidi::probeScalar(test.text), test.probe) << std::hex << uint32_t(test.text.empty() ? 0 : test.text[0]);
}

} // namespace
} // namespace zentrova
