#pragma once

#include "Zentrova/Engine/LinkMatch.h"
#include "Zentrova/Screen/Position.h"

#include <unicode/unistr.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zentrova {

class Buffer;
class BufferLine;
class CharData;
class Terminal;

// Finds the URL or path under a cell in the text of one buffer. The text searched is the cell's row
// with the rows it is soft-wrapped with, or, for a row the program broke itself, the neighbouring rows
// that look like the same link running on: the upper row filled to near the right edge, link
// characters on both sides of the break, and a match of the link pattern across it. Continuation rows
// join without their indentation. Matches right after a "$" are taken for shell variables in a larger
// word and skipped.
class ImplicitLinkFinder {
public:
    // `terminal` reads cells as characters (interned clusters included); neither is owned.
    ImplicitLinkFinder(const Terminal& terminal, Buffer& buffer);

    // The link covering `at` (buffer row, column), or nothing.
    std::optional<LinkMatch> implicitLinkMatch(const Position& at);

private:
    // Columns compared on each side of a break between two rows.
    static constexpr int seamWindow = 48;
    // UTF-16 units of the joined text matched on each side of the asked cell: the longest link found
    // whole runs this far before and after the cell.
    static constexpr int32_t matchWindow = 256;
    // Rows joined above and below the asked one. A minified file printed without line breaks is one
    // paragraph of thousands of rows; matching the link pattern over all of it on every hover took
    // half a second. No real link runs this far.
    static constexpr int joinedRowsEachSide = 32;

    // The cell behind one character of the joined text.
    struct ImplicitLinkCellRef {
        int row = 0;
        int col = 0;
        int width = 1;
    };
    struct ImplicitLineMap {
        icu::UnicodeString text;
        std::vector<ImplicitLinkCellRef> cells;
        // Where each cell's character starts in `text` (UTF-16 units), then the text's length.
        std::vector<int32_t> offsets;
        int targetRow = 0;
        int targetColumn = 0;
        // Index in `cells` of the asked cell.
        int targetCell = 0;
    };
    // The first and last non-blank cells of a row.
    struct LinkRowEdgeInfo {
        int firstColumn = 0;
        std::u32string firstCharacter;
        int lastColumn = 0;
        std::u32string lastCharacter;
    };

    std::optional<ImplicitLineMap> buildImplicitLineMap(const Position& at);
    // The first and last row joined around `row`; nothing when no neighbour joins.
    std::optional<std::pair<int, int>> heuristicImplicitGroup(int row);
    bool isImplicitContinuationRow(int row, int startRow);
    bool canJoinImplicitRows(int upper, int lower);
    std::optional<LinkRowEdgeInfo> linkRowEdgeInfo(int row);
    bool seamContainsImplicitLink(int upper, int lower, int upperLastCol, int lowerFirstCol);
    icu::UnicodeString implicitLineSegmentText(const BufferLine& line, int startCol, int endCol) const;
    static bool suppressImplicitMatch(int32_t start, const icu::UnicodeString& text);
    // The character of a cell, U+0000 read as a space.
    std::u32string cellCharacter(const CharData& cell) const;
    bool isRowInBuffer(int row) const;

    const Terminal& m_terminal;
    Buffer& m_buffer;
};

} // namespace zentrova
