#include "Zentrova/Screen/Buffer.h"
#include "Zentrova/Screen/BufferLine.h"
#include "Zentrova/Screen/TerminalImage.h"
#include "Zentrova/Screen/UnicodeUtil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zentrova {
namespace {

using Color = Attribute::Color;

CharData cell(char32_t code, int width = 1)
{
    return CharData(CharData::Null.attribute(), code, width);
}

// A row of `cols` cells holding `text`; a wide character is followed by its filler cell.
std::shared_ptr<BufferLine> makeRow(std::u32string_view text, int cols)
{
    auto row = std::make_shared<BufferLine>(cols);
    int col = 0;
    for (char32_t c : text) {
        int width = UnicodeUtil::computeColumnWidth(c);
        row->setCell(col++, cell(c, width));
        if (width == 2)
            row->setCell(col++, cell(0, 0));
    }
    return row;
}

// The row as text: "." for an empty cell, nothing for the filler behind a wide character.
std::string show(const BufferLine& row)
{
    return row.translateToString(false, 0, -1, false, [](const CharData& c) -> std::string {
        if (c.code() == 0)
            return c.width() == 0 ? "" : ".";
        std::string text;
        text += char(c.code() < 0x80 ? char(c.code()) : '?');
        return c.code() < 0x80 ? text : "W";
    });
}

// The clamp message goes to the log of the buffer that owns the row; a row of no buffer writes it
// nowhere, and never to standard output.
TEST(BufferLine, WritesPastTheEndAreClampedWithAMessageAndReadsSilently)
{
    std::vector<std::string> logged;
    Buffer buffer(80, 2, 8, std::nullopt);
    buffer.log = [&](std::string_view line) { logged.emplace_back(line); };
    const std::vector<std::string> once { std::string(BufferLine::clampMessage) };

    auto row = makeRow(U"", 80);
    row->setOwningBuffer(&buffer);
    testing::internal::CaptureStdout();
    row->setCell(80, cell('X'));
    EXPECT_EQ(logged, once);
    EXPECT_EQ((*row)[79].code(), U'X');
    EXPECT_EQ((*row)[500].code(), U'X');
    EXPECT_EQ(logged, once) << "reads are silent";

    logged.clear();
    BufferLine empty(0);
    empty.setOwningBuffer(&buffer);
    empty.setCell(0, cell('X'));
    EXPECT_EQ(logged, once);
    EXPECT_EQ(empty[0], CharData::Null);

    logged.clear();
    BufferLine alone(4);
    alone.setCell(9, cell('Y'));
    EXPECT_EQ(alone[3].code(), U'Y');
    EXPECT_TRUE(logged.empty());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(BufferLine, InsertAndDeleteCellsStopAtTheRightMargin)
{
    enum Edit { insert, remove };
    struct Case {
        const char* name;
        Edit edit;
        int pos, n, rightMargin;
        const char* expected;
    };
    const Case cases[] = {
        { "insert pushes right within the row", insert, 2, 3, 9, "ab___cdefg" },
        { "insert keeps cells right of the margin", insert, 2, 2, 5, "ab__cdghij" },
        { "insert reaching the margin only fills", insert, 3, 7, 5, "abc___ghij" },
        { "insert position taken modulo the margin width", insert, 12, 1, 9, "ab_cdefghi" },
        { "insert at the margin itself", insert, 5, 1, 5, "abcde_ghij" },
        { "delete pulls left within the row", remove, 2, 3, 9, "abfghij___" },
        { "delete keeps cells right of the margin", remove, 1, 2, 5, "adef__ghij" },
        { "delete reaching the margin only fills", remove, 3, 9, 5, "abc___ghij" },
        { "delete the last cell of the margin", remove, 5, 1, 5, "abcde_ghij" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto row = makeRow(U"abcdefghij", 10);
        if (c.edit == insert)
            row->insertCells(c.pos, c.n, c.rightMargin, cell('_'));
        else
            row->deleteCells(c.pos, c.n, c.rightMargin, cell('_'));
        EXPECT_EQ(show(*row), c.expected);
    }
}

TEST(BufferLine, InsertAtEightyFiveOnAnEightyColumnRowInsertsAtFive)
{
    auto row = makeRow(U"0123456789", 80);
    row->insertCells(85, 2, 79, cell('_'));
    EXPECT_EQ(show(*row).substr(0, 12), "01234__56789");
}

TEST(BufferLine, WideCharactersMoveWithTheirFiller)
{
    auto row = makeRow(U"a\u4E00b", 6);
    EXPECT_EQ(show(*row), "aWb..");
    row->insertCells(0, 1, 5, cell('_'));
    EXPECT_EQ(show(*row), "_aWb.");
    row->deleteCells(0, 2, 5, CharData::Null);
    EXPECT_EQ(show(*row), "Wb...");
    EXPECT_EQ((*row)[0].width(), 2);
    EXPECT_EQ((*row)[1].width(), 0);
}

TEST(BufferLine, TrimmedLengthCountsCodesNotColours)
{
    auto wideAtEnd = makeRow(U"", 80);
    wideAtEnd->setCell(78, cell(0x4E00, 2));
    wideAtEnd->setCell(79, cell(0, 0));
    EXPECT_EQ(wideAtEnd->getTrimmedLength(), 80);

    Attribute red { Color::defaultColor, Color::ansi256(1), {}, UnderlineStyle::none, std::nullopt };
    BufferLine coloured(10, CharData(red, 0, 1));
    EXPECT_EQ(coloured.getTrimmedLength(), 0);
    EXPECT_TRUE(coloured.hasAnyContent());
    EXPECT_TRUE(coloured.hasContent(3));

    auto spaces = makeRow(U"ab ", 10);
    EXPECT_EQ(spaces->getTrimmedLength(), 3);
    EXPECT_FALSE(makeRow(U"", 10)->hasAnyContent());
    EXPECT_FALSE(makeRow(U"", 10)->hasContent(4));
}

TEST(BufferLine, TranslateToString)
{
    auto row = makeRow(U"ab\u4E00c", 8);
    struct Case {
        const char* name;
        bool trimRight;
        int startCol, endCol;
        bool skip;
        std::string expected;
    };
    const Case cases[] = {
        { "whole row, empty cells as NUL", false, 0, -1, false, std::string("ab\u4E00") + '\0' + "c" + std::string(3, '\0') },
        { "trimmed", true, 0, -1, false, std::string("ab\u4E00") + '\0' + "c" },
        { "filler skipped", true, 0, -1, true, "ab\u4E00c" },
        { "range", false, 1, 2, false, "b" },
        { "start past end", false, 10, 5, false, "" },
        { "trim with start past the text", true, 6, -1, false, "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(row->translateToString(c.trimRight, c.startCol, c.endCol, c.skip), c.expected);
    }
    EXPECT_EQ(makeRow(U"", 10)->translateToString(true), "");
    CharData interned;
    interned.setValue(0x400001, 1);
    row->setCell(0, interned);
    EXPECT_EQ(row->translateToString(false, 0, 2), " b");
}

TEST(BufferLine, ResizeKeepsCellsAndClampsMarks)
{
    auto row = makeRow(U"abcdef", 6);
    auto before = row->generation();
    row->resize(6, cell('_'));
    EXPECT_EQ(row->generation(), before);

    row->resize(9, cell('_'));
    EXPECT_EQ(show(*row), "abcdef___");
    EXPECT_GT(row->generation(), before);

    row->setSemanticMark(SemanticPromptKind::initial, 8, 1);
    row->resize(4, cell('_'));
    EXPECT_EQ(show(*row), "abcd");
    EXPECT_EQ(row->semanticMarks().at(0).column, 3);

    row->resize(0, cell('_'));
    EXPECT_EQ(row->count(), 0);
    EXPECT_TRUE(row->semanticMarks().empty());
    EXPECT_EQ(row->translateToString(), "");
}

TEST(BufferLine, CopiesAreIndependent)
{
    auto source = makeRow(U"abcdef", 6);
    source->setIsWrapped(true);
    source->setSemanticMark(SemanticPromptKind::right, 2, 7);
    source->setImages(BufferLine::Images { std::make_shared<TerminalImage>() });

    BufferLine copy(*source);
    EXPECT_EQ(show(copy), "abcdef");
    EXPECT_TRUE(copy.isWrapped());
    EXPECT_EQ(copy.semanticMarks(), source->semanticMarks());
    EXPECT_EQ(copy.images()->size(), 1u);
    EXPECT_EQ(copy.generation(), 0u);
    EXPECT_EQ(copy.owningBuffer(), nullptr);
    copy.setCell(0, cell('Z'));
    EXPECT_EQ(show(*source), "abcdef");

    // Copying a short row into a long one reports the short count; the long block stays for reuse.
    auto target = makeRow(U"0123456789", 10);
    target->copyFrom(*makeRow(U"xyz", 3));
    EXPECT_EQ(target->count(), 3);
    EXPECT_EQ(show(*target), "xyz");
    target->resize(5, cell('_'));
    EXPECT_EQ(show(*target), "xyz__");
}

TEST(BufferLine, CopyCellsHandlesOverlapInBothDirections)
{
    struct Case {
        const char* name;
        int srcCol, dstCol, len;
        const char* expected;
    };
    const Case cases[] = {
        { "to the left", 2, 0, 5, "cdefgfghij" },
        { "to the right", 0, 2, 5, "ababcdehij" },
        { "clamped to the row", 8, 0, 5, "ijcdefghij" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto row = makeRow(U"abcdefghij", 10);
        row->copyFrom(*row, c.srcCol, c.dstCol, c.len);
        EXPECT_EQ(show(*row), c.expected);
    }
}

TEST(BufferLine, CopyCellsMovesTheMarksOfTheSpan)
{
    auto source = makeRow(U"abcdefghij", 10);
    auto target = makeRow(U"0123456789", 10);
    source->setSemanticMark(SemanticPromptKind::initial, 3, 5);
    source->setSemanticMark(SemanticPromptKind::continuation, 8, 5);
    target->setSemanticMark(SemanticPromptKind::right, 6, 4);
    target->setSemanticMark(SemanticPromptKind::secondary, 9, 4);

    auto sourceGeneration = source->generation();
    target->copyFrom(*source, 2, 5, 3);
    EXPECT_EQ(show(*target), "01234cde89");
    // The mark at 3 travelled to 6, replacing the mark that was under the copied span.
    EXPECT_EQ(target->semanticMarks(),
              (std::vector<SemanticMark> { { SemanticPromptKind::initial, 6, 5 }, { SemanticPromptKind::secondary, 9, 4 } }));
    EXPECT_EQ(source->semanticMarks(), (std::vector<SemanticMark> { { SemanticPromptKind::continuation, 8, 5 } }));
    EXPECT_GT(source->generation(), sourceGeneration);

    // A whole-row copy also hands over the hard continuation group.
    source->setSemanticHardContinuationGroup(5);
    target->copyFrom(*source, 0, 0, 10);
    EXPECT_EQ(target->semanticHardContinuationGroup(), 5u);
    EXPECT_EQ(source->semanticHardContinuationGroup(), std::nullopt);
}

TEST(BufferLine, ClearBlanksEveryCellAndDropsImages)
{
    auto row = makeRow(U"abc", 5);
    row->setImages(BufferLine::Images { std::make_shared<TerminalImage>() });
    Attribute blue { Color::defaultColor, Color::ansi256(4), {}, UnderlineStyle::none, std::nullopt };
    auto before = row->generation();
    row->clear(blue);
    EXPECT_EQ(row->generation(), before + 2);
    EXPECT_FALSE(row->images().has_value());
    for (int col = 0; col < 5; col++) {
        EXPECT_EQ(row->getData()[size_t(col)], CharData(blue, 0, 1)) << col;
    }
}

const CharData redBlank(Attribute { Color::defaultColor, Color::ansi256(1), {}, UnderlineStyle::none, std::nullopt }, 0, 1);

struct RowEdit {
    const char* name;
    std::function<void(BufferLine&)> edit;
};

// Every kind of edit a row takes, for the checks that the row's record of its blank tail stays true.
std::vector<RowEdit> everyKindOfEdit()
{
    const CharData& red = redBlank;
    const auto ascii = [](const char* text) { return std::span(reinterpret_cast<const uint8_t*>(text), strlen(text)); };
    return {
        { "set the last cell", [](BufferLine& r) { r.setCell(9, cell('x')); } },
        { "set past the end", [](BufferLine& r) {
             r.setCell(20, cell('x'));
         } },
        { "ASCII run", [&](BufferLine& r) { r.setAsciiCells(6, ascii("abcd"), cell(0)); } },
        { "fill to the end with another cell", [&](BufferLine& r) { r.fill(red, 3, 7); } },
        { "fill in the middle", [](BufferLine& r) { r.fill(cell('x'), 2, 3); } },
        { "blank fill after a write", [](BufferLine& r) {
             r.setCell(9, cell('x'));
             r.fill(CharData::Null, 5, 5);
         } },
        { "replace cells", [](BufferLine& r) { r.replaceCells(7, 10, cell('x')); } },
        { "insert", [](BufferLine& r) {
             r.setCell(0, cell('a'));
             r.insertCells(0, 5, 9, cell('x'));
         } },
        { "delete", [](BufferLine& r) { r.deleteCells(0, 1, 9, cell('x')); } },
        { "copy cells", [](BufferLine& r) {
             r.setCell(0, cell('a'));
             r.copyFrom(r, 0, 8, 2);
         } },
        { "copy a row", [](BufferLine& r) { r.copyFrom(*makeRow(U"abcdefghij", 10)); } },
        { "grow with another fill", [](BufferLine& r) { r.resize(12, cell('x')); } },
        { "shrink, then grow", [](BufferLine& r) {
             r.setCell(9, cell('x'));
             r.resize(5, CharData::Null);
             r.resize(10, cell('y'));
         } },
    };
}

// Clearing writes only the cells changed since the row was last all blank: whatever the edit, and
// again after a row cleared with the same blank is edited once more, no cell may keep old content.
TEST(BufferLine, ClearAfterAnyEditBlanksEveryCell)
{
    const CharData& red = redBlank;
    for (const auto& c : everyKindOfEdit()) {
        for (const CharData& blank : { CharData::Null, red }) {
            SCOPED_TRACE(std::string(c.name) + (blank == red ? ", red blank" : ""));
            BufferLine row(10, blank);
            for (int round = 0; round < 2; round++) {
                c.edit(row);
                row.clear(blank);
                for (int col = 0; col < row.count(); col++)
                    EXPECT_EQ(row[col], blank) << "round " << round << ", column " << col;
            }
        }
    }
}

// Erasing to the end of a row with the row's own blank skips the cells already blank: after any
// edit, every cell it covers must still read blank and the cells before it keep what they held.
TEST(BufferLine, EraseToTheEndAfterAnyEditBlanksEveryCellItCovers)
{
    for (const auto& c : everyKindOfEdit()) {
        for (const CharData& blank : { CharData::Null, redBlank }) {
            SCOPED_TRACE(std::string(c.name) + (blank == redBlank ? ", red blank" : ""));
            BufferLine row(10, blank);
            for (int round = 0; round < 2; round++) {
                c.edit(row);
                const CharData first = row[0];
                const CharData second = row[1];
                row.replaceCells(2, row.count(), blank);
                EXPECT_EQ(row[0], first) << "round " << round;
                EXPECT_EQ(row[1], second) << "round " << round;
                for (int col = 2; col < row.count(); col++)
                    EXPECT_EQ(row[col], blank) << "round " << round << ", column " << col;
            }
        }
    }
}

TEST(BufferLine, EveryEditAdvancesTheGeneration)
{
    struct Case {
        const char* name;
        std::function<void(BufferLine&)> edit;
    };
    const Case cases[] = {
        { "set cell", [](BufferLine& r) { r.setCell(1, cell('x')); } },
        { "fill", [](BufferLine& r) { r.fill(cell('x')); } },
        { "fill range", [](BufferLine& r) { r.fill(cell('x'), 1, 2); } },
        { "replace nothing", [](BufferLine& r) { r.replaceCells(4, 2, cell('x')); } },
        { "insert", [](BufferLine& r) { r.insertCells(0, 1, 4, cell('x')); } },
        { "delete", [](BufferLine& r) { r.deleteCells(0, 1, 4, cell('x')); } },
        { "copy cells", [](BufferLine& r) { r.copyFrom(r, 0, 1, 1); } },
        { "copy row", [](BufferLine& r) { r.copyFrom(BufferLine(2)); } },
        { "resize", [](BufferLine& r) { r.resize(3, cell('x')); } },
        { "wrap", [](BufferLine& r) { r.setIsWrapped(true); } },
        { "bidi", [](BufferLine& r) { r.setBidiState({ BidiSupportMode::explicit_, false, BidiDirection::rightToLeft, true }); } },
        { "images", [](BufferLine& r) { r.setImages(std::nullopt); } },
        { "mark", [](BufferLine& r) { r.setSemanticMark(SemanticPromptKind::initial, 0, 1); } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto row = makeRow(U"abcde", 5);
        auto before = row->generation();
        c.edit(*row);
        EXPECT_GT(row->generation(), before);
    }
}

TEST(BufferLine, MarksFollowCellShifts)
{
    auto row = makeRow(U"", 20);
    row->setSemanticMark(SemanticPromptKind::initial, 3, 1);
    row->setSemanticMark(SemanticPromptKind::continuation, 10, 1);
    row->setSemanticMark(SemanticPromptKind::initial, 1, 2); // replaces the first initial mark
    EXPECT_EQ(row->semanticMarks(),
              (std::vector<SemanticMark> { { SemanticPromptKind::initial, 1, 2 }, { SemanticPromptKind::continuation, 10, 1 } }));

    row->setSemanticMark(SemanticPromptKind::right, 3, 1);
    row->deleteCells(2, 3, 19, CharData::Null);
    // 10 moves to 7; 3 would go to 0 and is held at the start of the shifted span; 1 is left of it.
    EXPECT_EQ(row->semanticMarks(),
              (std::vector<SemanticMark> { { SemanticPromptKind::initial, 1, 2 }, { SemanticPromptKind::right, 2, 1 },
                                           { SemanticPromptKind::continuation, 7, 1 } }));

    row->insertCells(0, 15, 9, CharData::Null);
    EXPECT_EQ(row->semanticMarks().back().column, 9); // kept inside the margin

    row->marksClampTo(5);
    EXPECT_EQ(row->semanticMarks().back().column, 4);
    row->setSemanticHardContinuationGroup(3);
    row->destroySemanticState();
    EXPECT_TRUE(row->semanticMarks().empty());
    EXPECT_EQ(row->semanticHardContinuationGroup(), std::nullopt);
}

} // namespace
} // namespace zentrova
