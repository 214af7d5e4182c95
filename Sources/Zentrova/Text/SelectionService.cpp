#include "Zentrova/Text/SelectionService.h"

#include "Zentrova/Engine/Terminal.h"
#include "Zentrova/Engine/TerminalDelegate.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <vector>

namespace zentrova {

namespace {

using Character = std::u32string;

const Character emptyCell(1, SelectionService::nullChar);

bool isBefore(const Position& a, const Position& b)
{
    return Position::compare(a, b) == Position::CompareResult::before;
}

bool isLetterOrNumber(const Character& character)
{
    return !character.empty() && (U_GET_GC_MASK(UChar32(character[0])) & (U_GC_L_MASK | U_GC_N_MASK)) != 0;
}

bool isWordCharacter(const Character& character)
{
    return isLetterOrNumber(character) || character == U"." || character == U"_" || character == U"-";
}

// The closing bracket an opening one expects, and the other way round.
std::optional<Character> partnerOf(const Character& character, bool opening)
{
    static const std::pair<Character, Character> pairs[] = { { U"(", U")" }, { U"[", U"]" }, { U"{", U"}" } };
    for (const auto& [open, close] : pairs) {
        if (opening && character == open)
            return close;
        if (!opening && character == close)
            return open;
    }
    return std::nullopt;
}

// The run a character belongs to for word-wise selection; null for a character that forms none.
std::function<bool(const Character&)> runClass(const Character& character)
{
    if (character == emptyCell)
        return [](const Character& other) { return other == emptyCell; };
    if (character == U" ")
        return [](const Character& other) { return other == U" "; };
    if (isLetterOrNumber(character))
        return isWordCharacter;
    return nullptr;
}

} // namespace

SelectionService::SelectionService(Terminal& terminal)
    : m_terminal(terminal)
{
}

void SelectionService::notify()
{
    if (TerminalDelegate* delegate = m_terminal.delegate())
        delegate->selectionChanged(m_terminal);
}

void SelectionService::setActive(bool active)
{
    if (active != m_active) {
        m_active = active;
        notify();
    }
    if (!m_active)
        m_pivot.reset();
}

void SelectionService::setActiveAndNotify()
{
    m_active = true;
    notify();
}

void SelectionService::setStart(const Position& position)
{
    m_start = position;
    m_hasSelectionRange = m_start != m_end;
}

void SelectionService::setEnd(const Position& position)
{
    m_end = position;
    m_hasSelectionRange = m_start != m_end;
}

Position SelectionService::bufferPosition(int row, int col) const
{
    return { col, row + m_terminal.buffer().yDisp() };
}

std::u32string SelectionService::characterAt(Buffer& buffer, const Position& position) const
{
    uint32_t code = buffer.getCharAtBufferRelative(position).code();
    // The right half of a wide character reads as the character, so that a run of wide letters
    // is one word.
    if (code == 0 && position.col > 0) {
        const CharData left = buffer.getCharAtBufferRelative({ position.col - 1, position.row });
        if (left.width() == 2)
            code = left.code();
    }
    return code == 0 ? emptyCell : m_terminal.character(code);
}

void SelectionService::setSoftStart(const Position& bufferPosition)
{
    m_start = m_end = bufferPosition;
    m_hasSelectionRange = false;
    m_active = true;
    notify();
}

void SelectionService::setSoftStart(int row, int col)
{
    setSoftStart(bufferPosition(row, col));
}

void SelectionService::startSelection(int row, int col)
{
    setSoftStart(row, col);
    m_selectingRows = false;
    m_selectionMode = SelectionMode::character;
    m_wordSelectionAnchor.reset();
    m_rowSelectionAnchor.reset();
    setActiveAndNotify();
}

void SelectionService::startSelection()
{
    m_end = m_start;
    m_hasSelectionRange = false;
    m_selectingRows = false;
    m_selectionMode = SelectionMode::character;
    m_wordSelectionAnchor.reset();
    m_rowSelectionAnchor.reset();
    setActiveAndNotify();
}

Position SelectionService::clamp(const Position& position) const
{
    Buffer& buffer = m_terminal.buffer();
    const int lastRow = std::max(buffer.lines().count() - 1, 0);
    const int lastCol = std::max(buffer.cols() - 1, 0);
    return { std::clamp(position.col, 0, lastCol), std::clamp(position.row, 0, lastRow) };
}

void SelectionService::setSelection(const Position& start, const Position& end)
{
    m_start = clamp(start);
    setEnd(clamp(end));
    setActiveAndNotify();
}

void SelectionService::selectAll()
{
    // The last stored line, not the ring's capacity: search and scroll adjustment read the end.
    m_start = { 0, 0 };
    m_end = { m_terminal.cols - 1, std::max(m_terminal.buffer().lines().count() - 1, 0) };
    m_hasSelectionRange = m_start != m_end;
    setActiveAndNotify();
}

void SelectionService::select(int row)
{
    m_start = { 0, row };
    m_end = { m_terminal.cols - 1, row };
    m_hasSelectionRange = m_terminal.cols != 1;
    m_selectingRows = true;
    m_selectionMode = SelectionMode::row;
    m_wordSelectionAnchor.reset();
    m_rowSelectionAnchor = row;
    setActiveAndNotify();
}

void SelectionService::setRowSelection(int from, int through)
{
    m_start = { 0, std::min(from, through) };
    m_end = { m_terminal.cols - 1, std::max(from, through) };
    m_hasSelectionRange = from != through || m_terminal.cols != 1;
}

void SelectionService::shiftExtend(const Position& bufferPosition)
{
    Position position = bufferPosition;
    if (m_selectionMode == SelectionMode::word) {
        position = extendToWordBoundary(position, m_terminal.buffer(),
                                        isBefore(position, m_start) ? WordDirection::backward : WordDirection::forward);
    }
    if (m_selectionMode == SelectionMode::row) {
        setRowSelection(m_rowSelectionAnchor.value_or(m_start.row), position.row);
    } else {
        // The far end stays: a click before a forward selection (or after a backward one) turns it.
        if ((isBefore(m_start, m_end) && isBefore(position, m_start))
            || (isBefore(m_end, m_start) && isBefore(m_start, position)))
            m_start = m_end;
        setEnd(position);
    }
    setActiveAndNotify();
}

void SelectionService::shiftExtend(int row, int col)
{
    shiftExtend(bufferPosition(row, col));
}

void SelectionService::pivotExtend(const Position& bufferPosition)
{
    if (!m_pivot)
        return;
    const Position pivot = *m_pivot;
    Position position = bufferPosition;
    if (m_selectionMode == SelectionMode::row) {
        setRowSelection(pivot.row, position.row);
    } else {
        if (m_selectionMode == SelectionMode::word) {
            position = extendToWordBoundary(position, m_terminal.buffer(),
                                            isBefore(position, pivot) ? WordDirection::backward : WordDirection::forward);
        }
        m_start = isBefore(position, pivot) ? position : pivot;
        setEnd(isBefore(position, pivot) ? pivot : position);
    }
    setActiveAndNotify();
}

void SelectionService::pivotExtend(int row, int col)
{
    pivotExtend(bufferPosition(row, col));
}

void SelectionService::dragExtend(const Position& bufferPosition)
{
    Buffer& buffer = m_terminal.buffer();
    Position position = bufferPosition;
    if (m_selectionMode == SelectionMode::word && m_wordSelectionAnchor) {
        const auto [anchorStart, anchorEnd] = *m_wordSelectionAnchor;
        if (isBefore(position, anchorStart)) {
            m_start = extendToWordBoundary(position, buffer, WordDirection::backward);
            setEnd(anchorEnd);
        } else if (!isBefore(anchorEnd, position)) {
            m_start = anchorStart;
            setEnd(anchorEnd);
        } else {
            m_start = anchorStart;
            setEnd(extendToWordBoundary(position, buffer, WordDirection::forward));
        }
    } else if (m_selectionMode == SelectionMode::word) {
        setEnd(extendToWordBoundary(position, buffer,
                                    isBefore(position, m_start) ? WordDirection::backward : WordDirection::forward));
    } else if (m_selectionMode == SelectionMode::row) {
        setRowSelection(m_rowSelectionAnchor.value_or(m_start.row), position.row);
    } else {
        setEnd(position);
    }
    setActiveAndNotify();
}

void SelectionService::dragExtend(int row, int col)
{
    dragExtend(bufferPosition(row, col));
}

Position SelectionService::extendToWordBoundary(const Position& position, Buffer& buffer, WordDirection direction) const
{
    const auto inRun = runClass(characterAt(buffer, position));
    if (!inRun)
        return position;
    int col = position.col;
    if (direction == WordDirection::backward) {
        while (col > 0 && inRun(characterAt(buffer, { col - 1, position.row })))
            col--;
    } else {
        while (col < m_terminal.cols && inRun(characterAt(buffer, { col, position.row })))
            col++;
    }
    return { col, position.row };
}

void SelectionService::simpleScanSelection(const Position& from, Buffer& buffer,
                                           const std::function<bool(const std::u32string&)>& includeFunc)
{
    int first = from.col;
    while (first > 0 && includeFunc(characterAt(buffer, { first - 1, from.row })))
        first--;
    int after = from.col;
    while (after < m_terminal.cols && includeFunc(characterAt(buffer, { after, from.row })))
        after++;
    m_start = { first, from.row };
    setEnd({ after, from.row });
}

void SelectionService::balancedSearchForward(const Position& from, Buffer& buffer)
{
    m_start = from;
    const int bound = buffer.yDisp() + buffer.rows();
    std::vector<Character> expected;
    for (int row = from.row; row < bound; row++) {
        for (int col = row == from.row ? from.col : 0; col < m_terminal.cols; col++) {
            const Character character = characterAt(buffer, { col, row });
            if (auto closer = partnerOf(character, true)) {
                expected.push_back(*closer);
            } else if (!expected.empty() && character == expected.back()) {
                expected.pop_back();
                if (expected.empty()) {
                    setEnd({ col + 1, row });
                    return;
                }
            }
        }
    }
    m_start = from;
    setEnd(from);
}

void SelectionService::balancedSearchBackward(const Position& from, Buffer& buffer)
{
    m_end = from;
    std::vector<Character> expected;
    for (Position at = from; at.row >= 0;) {
        const Character character = characterAt(buffer, at);
        if (auto opener = partnerOf(character, false)) {
            expected.push_back(*opener);
        } else if (!expected.empty() && character == expected.back()) {
            expected.pop_back();
            if (expected.empty()) {
                m_start = at;
                setEnd({ from.col + 1, from.row });
                return;
            }
        }
        if (at.col > 0) {
            at.col--;
        } else {
            at = { m_terminal.cols - 1, at.row - 1 };
        }
    }
    m_start = from;
    setEnd(from);
}

void SelectionService::selectWordOrExpression(const Position& at, Buffer& buffer)
{
    const Position position { std::min(std::max(at.col, 0), m_terminal.cols), std::max(at.row, 0) };
    const Character character = characterAt(buffer, position);
    if (auto inRun = runClass(character)) {
        simpleScanSelection(position, buffer, inRun);
    } else if (partnerOf(character, true)) {
        balancedSearchForward(position, buffer);
    } else if (partnerOf(character, false)) {
        balancedSearchBackward(position, buffer);
    } else {
        m_start = position;
        setEnd(position);
    }
    m_selectionMode = SelectionMode::word;
    m_wordSelectionAnchor = WordAnchor { m_start, m_end };
    m_rowSelectionAnchor.reset();
    m_selectingRows = false;
    setActiveAndNotify();
}

void SelectionService::clear()
{
    setActive(false);
    m_selectionMode = SelectionMode::character;
    m_wordSelectionAnchor.reset();
    m_rowSelectionAnchor.reset();
    m_selectingRows = false;
}

void SelectionService::selectNone()
{
    if (m_active)
        clear();
}

void SelectionService::adjustForInPlaceScroll(int top, int bottom, int lines)
{
    if (!m_active || lines == 0)
        return;
    const int firstRow = std::min(m_start.row, m_end.row);
    const int lastRow = std::max(m_start.row, m_end.row);
    if (lastRow < top || firstRow > bottom)
        return;
    if (firstRow < top || lastRow > bottom) {
        clear();
        return;
    }
    const auto moved = [&](Position position) {
        position.row -= lines;
        return position;
    };
    const auto inBand = [&](int row) { return row >= top && row <= bottom; };
    const Position start = moved(m_start);
    const Position end = moved(m_end);
    // A pivot on an end moves with it; one elsewhere stays where it is.
    std::optional<Position> pivot = m_pivot;
    const bool pivotMoves = pivot && (*pivot == m_start || *pivot == m_end);
    if (pivotMoves)
        pivot = moved(*pivot);
    std::optional<WordAnchor> wordAnchor = m_wordSelectionAnchor;
    if (wordAnchor)
        wordAnchor = WordAnchor { moved(wordAnchor->first), moved(wordAnchor->second) };
    std::optional<int> rowAnchor = m_rowSelectionAnchor;
    if (rowAnchor)
        *rowAnchor -= lines;
    const bool left = !inBand(start.row) || !inBand(end.row) || (pivotMoves && !inBand(pivot->row))
        || (wordAnchor && (!inBand(wordAnchor->first.row) || !inBand(wordAnchor->second.row)))
        || (rowAnchor && !inBand(*rowAnchor));
    if (left) {
        clear();
        return;
    }
    m_start = start;
    setEnd(end);
    m_pivot = pivot;
    m_wordSelectionAnchor = wordAnchor;
    m_rowSelectionAnchor = rowAnchor;
    notify();
}

std::string SelectionService::getSelectedText() const
{
    if (m_selectionMode != SelectionMode::row)
        return m_terminal.getText(m_start, m_end);
    // Whole rows: the end column (the last one) is part of the selection, and the text extraction
    // leaves its end column out.
    const bool inOrder = !isBefore(m_end, m_start);
    const Position first = inOrder ? m_start : m_end;
    const Position last = inOrder ? m_end : m_start;
    return m_terminal.getText(first, { std::max(last.col + 1, m_terminal.cols), last.row });
}

std::string SelectionService::debugDescription() const
{
    std::string text = "[Selection (active=" + std::string(m_active ? "true" : "false") + ", start="
        + m_start.debugDescription() + " end=" + m_end.debugDescription()
        + " hasSR=" + (m_hasSelectionRange ? "true" : "false") + " pivot=";
    text += m_pivot ? "col=" + std::to_string(m_pivot->col) + " row=" + std::to_string(m_pivot->row) : "nil";
    return text + "]";
}

} // namespace zentrova
