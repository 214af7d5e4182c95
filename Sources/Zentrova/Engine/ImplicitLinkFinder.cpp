#include "Zentrova/Engine/ImplicitLinkFinder.h"

#include "Zentrova/Engine/ImplicitLinkRegex.h"
#include "Zentrova/Engine/Terminal.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <string_view>

namespace zentrova {
namespace {

// The characters a link may have on either side of a row break for the rows to be joined.
constexpr std::string_view continuationCharacters =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-._~:/?#[]@!$&*+,;=%()";

bool isContinuationCharacter(const std::u32string& character)
{
    static const std::array<bool, 128> table = [] {
        std::array<bool, 128> built {};
        for (char c : continuationCharacters)
            built[size_t(c)] = true;
        return built;
    }();
    return !character.empty()
        && std::all_of(character.begin(), character.end(), [](char32_t c) { return c < 128 && table[c]; });
}

bool isBlank(const std::u32string& character)
{
    return character.size() == 1 && u_isUWhiteSpace(UChar32(character[0]));
}

// The right half of a wide character: it holds no character of its own.
bool isWideCharacterHalf(const BufferLine& line, int col)
{
    return col > 0 && line[col].code() == 0 && line[col - 1].width() == 2;
}

void appendCharacter(icu::UnicodeString& text, const std::u32string& character)
{
    for (char32_t scalar : character)
        text.append(UChar32(scalar));
}

std::unique_ptr<icu::RegexMatcher> matcherFor(const icu::UnicodeString& text)
{
    const icu::RegexPattern* regex = implicitLinkRegex();
    if (!regex)
        return nullptr;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(regex->matcher(text, status));
    return U_SUCCESS(status) ? std::move(matcher) : nullptr;
}

} // namespace

ImplicitLinkFinder::ImplicitLinkFinder(const Terminal& terminal, Buffer& buffer)
    : m_terminal(terminal)
    , m_buffer(buffer)
{
}

std::optional<LinkMatch> ImplicitLinkFinder::implicitLinkMatch(const Position& at)
{
    auto map = buildImplicitLineMap(at);
    if (!map)
        return std::nullopt;
    auto matcher = matcherFor(map->text);
    if (!matcher)
        return std::nullopt;
    // Only matches near the asked cell can cover it. The pattern tries every start in a run of
    // link characters and may scan to the run's end from each, so over a whole screen of such text
    // it took seconds; bounded to a window around the cell it takes a few milliseconds whatever the
    // text. The bounds are opaque: look-ahead that could see past them would scan the run again.
    const int32_t targetOffset = map->offsets[size_t(map->targetCell)];
    UErrorCode status = U_ZERO_ERROR;
    matcher->region(std::max(targetOffset - matchWindow, 0), std::min(targetOffset + matchWindow, map->text.length()),
                    status);
    matcher->useAnchoringBounds(false);
    while (U_SUCCESS(status) && matcher->find(status) && U_SUCCESS(status)) {
        const int32_t start = matcher->start(status);
        const int32_t end = matcher->end(status);
        if (start > targetOffset)
            break;
        if (start == end || suppressImplicitMatch(start, map->text))
            continue;
        // The cells whose characters overlap the match, as column spans per row.
        std::map<int, LinkMatch::ColumnRange> spans;
        bool coversTarget = false;
        size_t cell = size_t(std::upper_bound(map->offsets.begin(), map->offsets.end(), start) - map->offsets.begin()) - 1;
        for (; cell < map->cells.size() && map->offsets[cell] < end; cell++) {
            const auto& ref = map->cells[cell];
            auto [span, added] = spans.try_emplace(ref.row, LinkMatch::ColumnRange { ref.col, ref.col + ref.width });
            span->second.lowerBound = std::min(span->second.lowerBound, ref.col);
            span->second.upperBound = std::max(span->second.upperBound, ref.col + ref.width);
            coversTarget |= ref.row == map->targetRow && ref.col <= map->targetColumn
                && map->targetColumn < ref.col + ref.width;
        }
        if (!coversTarget)
            continue;
        LinkMatch match;
        map->text.tempSubStringBetween(start, end).toUTF8String(match.text);
        match.row = map->targetRow;
        match.range = spans[map->targetRow];
        for (const auto& [row, range] : spans)
            match.rowRanges.push_back({ row, range });
        return match;
    }
    return std::nullopt;
}

std::optional<ImplicitLinkFinder::ImplicitLineMap> ImplicitLinkFinder::buildImplicitLineMap(const Position& at)
{
    if (!isRowInBuffer(at.row) || m_buffer.line(at.row).count() == 0)
        return std::nullopt;
    const BufferLine& asked = m_buffer.line(at.row);
    int targetColumn = std::clamp(at.col, 0, asked.count() - 1);
    if (isWideCharacterHalf(asked, targetColumn))
        targetColumn--;

    int first = at.row;
    int last = at.row;
    while (first > 0 && at.row - first < joinedRowsEachSide && m_buffer.line(first).isWrapped())
        first--;
    while (isRowInBuffer(last + 1) && last - at.row < joinedRowsEachSide && m_buffer.line(last + 1).isWrapped())
        last++;
    if (first == last) {
        if (auto group = heuristicImplicitGroup(at.row))
            std::tie(first, last) = *group;
    }

    ImplicitLineMap map;
    map.targetRow = at.row;
    map.targetColumn = targetColumn;
    bool includesTarget = false;
    for (int row = first; row <= last; row++) {
        const BufferLine& line = m_buffer.line(row);
        const int trimmed = std::min(line.getTrimmedLength(), line.count());
        if (trimmed == 0)
            continue;
        int col = 0;
        if (isImplicitContinuationRow(row, first)) {
            while (col < trimmed && isBlank(cellCharacter(line[col])))
                col++;
        }
        for (; col < trimmed; col++) {
            if (isWideCharacterHalf(line, col))
                continue;
            map.offsets.push_back(map.text.length());
            appendCharacter(map.text, cellCharacter(line[col]));
            if (row == at.row && col == targetColumn) {
                map.targetCell = int(map.cells.size());
                includesTarget = true;
            }
            map.cells.push_back({ row, col, std::max(1, line[col].width()) });
        }
    }
    map.offsets.push_back(map.text.length());
    if (map.text.isEmpty() || !includesTarget)
        return std::nullopt;
    return map;
}

std::optional<std::pair<int, int>> ImplicitLinkFinder::heuristicImplicitGroup(int row)
{
    int first = row;
    while (first > 0 && row - first < joinedRowsEachSide && canJoinImplicitRows(first - 1, first))
        first--;
    int last = row;
    while (isRowInBuffer(last + 1) && last - row < joinedRowsEachSide && canJoinImplicitRows(last, last + 1))
        last++;
    if (first == row && last == row)
        return std::nullopt;
    return std::pair { first, last };
}

bool ImplicitLinkFinder::isImplicitContinuationRow(int row, int startRow)
{
    if (row <= startRow)
        return false;
    return m_buffer.line(row).isWrapped() || canJoinImplicitRows(row - 1, row);
}

bool ImplicitLinkFinder::canJoinImplicitRows(int upper, int lower)
{
    const auto upperEdges = linkRowEdgeInfo(upper);
    const auto lowerEdges = linkRowEdgeInfo(lower);
    if (!upperEdges || !lowerEdges)
        return false;
    // A program that breaks a long link itself fills the row to near its right edge first.
    const int cols = m_buffer.cols();
    const int edgeThreshold = cols < 10 ? 2 : cols / 5;
    if (upperEdges->lastColumn < cols - edgeThreshold)
        return false;
    if (!isContinuationCharacter(upperEdges->lastCharacter) || !isContinuationCharacter(lowerEdges->firstCharacter))
        return false;
    return seamContainsImplicitLink(upper, lower, upperEdges->lastColumn, lowerEdges->firstColumn);
}

std::optional<ImplicitLinkFinder::LinkRowEdgeInfo> ImplicitLinkFinder::linkRowEdgeInfo(int row)
{
    if (!isRowInBuffer(row))
        return std::nullopt;
    const BufferLine& line = m_buffer.line(row);
    const int limit = std::min(line.count(), m_buffer.cols());
    std::optional<LinkRowEdgeInfo> edges;
    for (int col = 0; col < limit; col++) {
        if (isWideCharacterHalf(line, col))
            continue;
        auto character = cellCharacter(line[col]);
        if (isBlank(character))
            continue;
        if (!edges)
            edges = LinkRowEdgeInfo { col, character, col, character };
        edges->lastColumn = col;
        edges->lastCharacter = std::move(character);
    }
    return edges;
}

bool ImplicitLinkFinder::seamContainsImplicitLink(int upper, int lower, int upperLastCol, int lowerFirstCol)
{
    if (!implicitLinkRegex() || !isRowInBuffer(upper) || !isRowInBuffer(lower))
        return false;
    const BufferLine& upperLine = m_buffer.line(upper);
    const BufferLine& lowerLine = m_buffer.line(lower);
    const int cols = m_buffer.cols();
    const int upperEnd = std::min({ upperLastCol + 1, upperLine.count(), cols });
    icu::UnicodeString text = implicitLineSegmentText(upperLine, std::max(upperEnd - seamWindow, 0), upperEnd);
    const int lowerEnd = std::min({ lowerFirstCol + seamWindow, lowerLine.getTrimmedLength(), lowerLine.count(), cols });
    const icu::UnicodeString lowerText = implicitLineSegmentText(lowerLine, lowerFirstCol, lowerEnd);
    if (text.isEmpty() || lowerText.isEmpty())
        return false;
    const int32_t seam = text.length();
    text.append(lowerText);
    auto matcher = matcherFor(text);
    if (!matcher)
        return false;
    UErrorCode status = U_ZERO_ERROR;
    while (matcher->find(status) && U_SUCCESS(status)) {
        const int32_t start = matcher->start(status);
        if (start < seam && matcher->end(status) > seam && !suppressImplicitMatch(start, text))
            return true;
    }
    return false;
}

icu::UnicodeString ImplicitLinkFinder::implicitLineSegmentText(const BufferLine& line, int startCol, int endCol) const
{
    icu::UnicodeString text;
    const int end = std::min(endCol, line.count());
    for (int col = std::max(startCol, 0); col < end; col++) {
        if (!isWideCharacterHalf(line, col))
            appendCharacter(text, cellCharacter(line[col]));
    }
    return text;
}

// A match right after a "$" is the tail of a variable the pattern could not take as one, as
// "HOME/notes.txt" in "a$HOME/notes.txt": no link. "$HOME/x" itself matches from its "$".
bool ImplicitLinkFinder::suppressImplicitMatch(int32_t start, const icu::UnicodeString& text)
{
    return start > 0 && text.charAt(start - 1) == u'$';
}

std::u32string ImplicitLinkFinder::cellCharacter(const CharData& cell) const
{
    auto character = m_terminal.character(cell.code());
    std::replace(character.begin(), character.end(), U'\0', U' ');
    return character;
}

bool ImplicitLinkFinder::isRowInBuffer(int row) const
{
    return row >= 0 && row < m_buffer.lines().count();
}

} // namespace zentrova
