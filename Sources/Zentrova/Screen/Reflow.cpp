// Re-wrapping of soft-wrapped rows when a buffer with scrollback changes width. Rows are moved, not
// copied, so references to row objects (prompt marks, the renderer's cache) stay valid.
#include "Zentrova/Screen/Buffer.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <string>

namespace zentrova {
namespace {

// A blank the terminal never wrote to: what a wide character that did not fit leaves behind.
bool isUntouchedBlank(const CharData& cell)
{
    return cell.code() == 0 && cell.width() == 1 && cell.attribute() == CharData::Null.attribute();
}

// A new row for reflow, outside any ring.
std::shared_ptr<BufferLine> nullLine(int cols, const BidiPresentationState& bidiState)
{
    return std::make_shared<BufferLine>(cols, CharData::Null, false, bidiState);
}

} // namespace

int Buffer::getWrappedLineTrimmedLength(const BufferLine& line, const BufferLine* next, int cols)
{
    if (!next)
        return line.getTrimmedLength();
    const bool wideMovedDown = isUntouchedBlank(line[cols - 1]) && next->getWidth(0) == 2;
    return wideMovedDown ? cols - 1 : cols;
}

int Buffer::getWrappedLineTrimmedLength(int ringIndex, int cols)
{
    const BufferLine* next = ringIndex + 1 < m_lines->count() ? &line(ringIndex + 1) : nullptr;
    return getWrappedLineTrimmedLength(line(ringIndex), next, cols);
}

namespace {

int groupRowLength(const std::vector<BufferLine*>& group, size_t index, int cols)
{
    const BufferLine* next = index + 1 < group.size() ? group[index + 1] : nullptr;
    return Buffer::getWrappedLineTrimmedLength(*group[index], next, cols);
}

// Moves a wrapped group's cells into the rows of their new lengths: the group's `oldSize` rows
// followed by its new rows (none before firstKept, whose rows are dropped). Cells move from the end
// backwards, so no cell is overwritten before it moved; the walk stops at the first dropped row.
void moveCellsDown(const std::vector<BufferLine*>& group, int oldSize, const std::vector<int>& lengths,
                   int firstKept, int lastLength, int oldCols, int newCols)
{
    int destLine = int(lengths.size()) - 1;
    int destCol = lengths[size_t(destLine)];
    if (destCol == 0 && destLine > 0)
        destCol = lengths[size_t(--destLine)];
    int srcLine = oldSize - 1;
    int srcCol = lastLength;
    while (srcLine >= 0 && destLine >= firstKept) {
        const int n = std::min(srcCol, destCol);
        group[size_t(destLine)]->copyFrom(*group[size_t(srcLine)], srcCol - n, destCol - n, n);
        destCol -= n;
        if (destCol == 0) {
            destLine--;
            destCol = destLine >= 0 ? lengths[size_t(destLine)] : 0;
        }
        srcCol -= n;
        if (srcCol == 0) {
            srcLine--;
            srcCol = groupRowLength(group, size_t(std::max(srcLine, 0)), oldCols);
        }
    }
    for (size_t i = size_t(firstKept); i < group.size() && i < lengths.size(); i++) {
        if (lengths[i] < newCols)
            group[i]->setCell(lengths[i], CharData::Null);
    }
}

} // namespace

std::vector<int> Buffer::getNewLineLengths(const std::vector<BufferLine*>& wrappedLines, int oldCols, int newCols)
{
    int cellsNeeded = 0;
    for (size_t i = 0; i < wrappedLines.size(); i++)
        cellsNeeded += groupRowLength(wrappedLines, i, oldCols);

    std::vector<int> lengths;
    int srcCol = 0;
    size_t srcLine = 0;
    int placed = 0;
    while (placed < cellsNeeded) {
        if (cellsNeeded - placed < newCols) {
            lengths.push_back(cellsNeeded - placed);
            break;
        }
        srcCol += newCols;
        const int srcLength = srcLine < wrappedLines.size() ? groupRowLength(wrappedLines, srcLine, oldCols) : 0;
        if (srcCol > srcLength) {
            srcCol -= srcLength;
            srcLine++;
        }
        int length = newCols;
        // A one-column row cannot give way to a wide character; it would never fill.
        if (newCols > 1 && srcLine < wrappedLines.size() && wrappedLines[srcLine]->getWidth(srcCol - 1) == 2) {
            srcCol--;
            length--;
        }
        lengths.push_back(length);
        placed += length;
    }
    return lengths;
}

std::vector<int> Buffer::getLinesToRemove(int oldCols, int newCols, int bufferAbsoluteY, const CharData& nullChar)
{
    std::vector<int> toRemove;
    for (int r = 0; r < m_lines->count() - 1; r++) {
        if (!line(r + 1).isWrapped())
            continue;
        std::vector<BufferLine*> group { &line(r) };
        for (int i = r + 1; i < m_lines->count() && line(i).isWrapped(); i++)
            group.push_back(&line(i));
        const int size = int(group.size());
        if (bufferAbsoluteY >= r && bufferAbsoluteY < r + size) {
            r += size - 1;
            continue;
        }

        int destLine = 0;
        int destCol = groupRowLength(group, 0, oldCols);
        int srcLine = 1;
        int srcCol = 0;
        while (srcLine < size) {
            const int srcLength = groupRowLength(group, size_t(srcLine), oldCols);
            const int n = std::min(srcLength - srcCol, newCols - destCol);
            group[size_t(destLine)]->copyFrom(*group[size_t(srcLine)], srcCol, destCol, n);
            destCol += n;
            if (destCol == newCols) {
                destLine++;
                destCol = 0;
            }
            srcCol += n;
            if (srcCol == srcLength) {
                srcLine++;
                srcCol = 0;
            }
            // A wide character that landed on the last column moves down whole.
            BufferLine* previous = destLine > 0 ? group[size_t(destLine - 1)] : nullptr;
            if (destCol == 0 && previous && previous->getWidth(newCols - 1) == 2) {
                group[size_t(destLine)]->copyFrom(*previous, newCols - 1, destCol++, 1);
                previous->replaceCells(newCols - 1, newCols, nullChar);
            }
        }
        group[size_t(destLine)]->replaceCells(destCol, newCols, nullChar);

        int countToRemove = 0;
        for (int i = size - 1; i > 0; i--) {
            if (i > destLine || group[size_t(i)]->getTrimmedLength() == 0)
                countToRemove++;
            else
                break;
        }
        if (countToRemove > 0) {
            toRemove.push_back(r + size - countToRemove);
            toRemove.push_back(countToRemove);
        }
        r += size - 1;
    }
    return toRemove;
}

void Buffer::reflowWider(int oldCols, int newCols, int newRows)
{
    const std::vector<int> toRemove = getLinesToRemove(oldCols, newCols, m_yBase + m_y, CharData::Null);
    if (toRemove.empty())
        return;

    std::vector<std::shared_ptr<BufferLine>> survivors;
    survivors.reserve(size_t(m_lines->count()));
    int removed = 0;
    size_t next = 0;
    for (int i = 0; i < m_lines->count(); i++) {
        if (next < toRemove.size() && i == toRemove[next]) {
            const int run = toRemove[next + 1];
            i += run - 1;
            removed += run;
            next += 2;
            continue;
        }
        survivors.push_back((*m_lines)[i]);
    }
    for (size_t i = 0; i < survivors.size(); i++)
        m_lines->set(int(i), survivors[i]);
    m_lines->setCount(int(survivors.size()));

    for (int i = 0; i < removed; i++) {
        if (m_yBase > 0) {
            if (m_yDisp == m_yBase)
                m_yDisp--;
            m_yBase--;
        } else {
            if (m_y > 0)
                m_y--;
            if (m_lines->count() < newRows)
                m_lines->push(nullLine(newCols, defaultBidiState));
        }
    }
    savedY = std::max(savedY - removed, 0);
}

void Buffer::reflowNarrower(int oldCols, int newCols, int newRows)
{
    // rearrange() keeps the newest rows that fit the ring. Counting from the bottom, a row at or past
    // keepLimit can never be among them (the walk removes at most newRows - 1 rows below the screen),
    // so such rows are counted for the cursor bookkeeping but never built: narrowing a long
    // scrollback to a few columns would otherwise build millions of rows only to drop them.
    const int64_t keepLimit = int64_t(m_lines->maxLength()) + newRows;
    std::vector<InsertionSet> toInsert;
    int countToInsert = 0;
    for (int r = m_lines->count() - 1; r >= 0; r--) {
        if (!line(r).isWrapped() && line(r).getTrimmedLength() <= newCols)
            continue;
        std::vector<BufferLine*> group { &line(r) };
        while (group.back()->isWrapped() && r > 0)
            group.push_back(&line(--r));
        std::reverse(group.begin(), group.end());
        const int size = int(group.size());
        const int cursorRow = m_yBase + m_y;
        if (cursorRow >= r && cursorRow < r + size)
            continue;

        const int lastLength = group.back()->getTrimmedLength();
        const std::vector<int> lengths = getNewLineLengths(group, oldCols, newCols);
        if (lengths.empty())
            continue;
        const int linesToAdd = int(lengths.size()) - size;
        const int base = m_yBase == 0 && m_y != m_lines->count() - 1 ? m_y : m_lines->count();
        const int trimmed = std::max(0, base - m_lines->maxLength() + linesToAdd);

        // The group's rows that can still be kept: its last ones, below keepLimit.
        const int64_t rowsBelow = int64_t(m_lines->count()) - (r + size) + countToInsert;
        const int kept = int(std::clamp<int64_t>(keepLimit - rowsBelow, 0, int64_t(lengths.size())));
        const int firstKept = int(lengths.size()) - kept;
        if (kept > 0) {
            std::vector<std::shared_ptr<BufferLine>> newLines;
            for (int i = std::max(size, firstKept); i < int(lengths.size()); i++) {
                auto row = std::make_shared<BufferLine>(newCols, CharData::Null, true, group.front()->bidiState());
                row->setOwningBuffer(this);
                newLines.push_back(row);
            }
            for (int i = size; i < firstKept; i++)
                group.push_back(nullptr);
            for (const auto& row : newLines)
                group.push_back(row.get());
            for (BufferLine* row : group) {
                if (row)
                    row->setBidiState(group.front()->bidiState());
            }
            if (!newLines.empty())
                toInsert.push_back({ std::move(newLines), r + size + countToInsert, false });
            moveCellsDown(group, size, lengths, firstKept, lastLength, oldCols, newCols);
        }
        countToInsert += std::max(linesToAdd, 0);

        for (int i = 0; i < linesToAdd - trimmed; i++) {
            if (m_yBase == 0) {
                if (m_y < newRows - 1) {
                    m_y++;
                    m_lines->setCount(m_lines->count() - 1);
                } else {
                    m_yBase++;
                    m_yDisp++;
                }
            } else if (m_yBase < std::min(m_lines->maxLength(), m_lines->count() + countToInsert) - newRows) {
                if (m_yDisp == m_yBase)
                    m_yDisp++;
                m_yBase++;
            } else {
                break; // nothing above changes for the rest of the group
            }
        }
        savedY = std::min(savedY + linesToAdd, m_yBase + newRows - 1);
    }
    rearrange(std::move(toInsert), countToInsert);
}

void Buffer::rearrange(std::vector<InsertionSet> toInsert, int countToInsert)
{
    if (toInsert.empty())
        return;
    const int savedCount = m_lines->count();
    const int newCount = std::min(savedCount + countToInsert, m_lines->maxLength());
    toInsert.push_back({ {}, 0, true });

    // The new order, from the last index down: an index gets the next insertion's rows (from its
    // last) when that insertion starts after the ring row next in turn, else that ring row. Returns
    // the last ring row not taken; the ones above it are the oldest, which no longer fit.
    const auto walk = [&](const auto& placeInserted, const auto& placeSaved) {
        size_t next = 0;
        int inserted = 0;
        int o = savedCount - 1;
        for (int i = newCount - 1; i >= 0; i--) {
            const InsertionSet& insertion = toInsert[next];
            if (!insertion.isNull && o + inserted < insertion.start) {
                for (auto row = insertion.lines.rbegin(); row != insertion.lines.rend() && i >= 0; ++row)
                    placeInserted(i--, *row);
                i++;
                inserted += int(insertion.lines.size());
                next++;
            } else if (o >= 0) {
                placeSaved(i, o--);
            }
        }
        return o;
    };
    // Only the ring rows the new order takes are set aside, so the rearrangement holds no more
    // than the rows that stay.
    const int firstTaken = walk([](int, const std::shared_ptr<BufferLine>&) {}, [](int, int) {}) + 1;
    std::vector<std::shared_ptr<BufferLine>> saved;
    saved.reserve(size_t(savedCount - firstTaken));
    for (int o = firstTaken; o < savedCount; o++)
        saved.push_back((*m_lines)[o]);
    m_lines->setCount(newCount);
    walk([&](int i, const std::shared_ptr<BufferLine>& row) { m_lines->set(i, row); },
         [&](int i, int o) { m_lines->set(i, saved[size_t(o - firstTaken)]); });
}

void Buffer::ensureRowsCover(int newCols)
{
    for (int index = 0; index < m_lines->count(); index++) {
        BufferLine& row = line(index);
        if (row.count() >= newCols)
            continue;
        // The resize steps above keep every row at least as wide as the screen; a shorter row is a
        // fault here, never a reason to take the process down: widen it and go on.
        if (log)
            log("stop here newCols=" + std::to_string(newCols) + " but the element has: " + std::to_string(row.count()));
        assert(row.count() >= newCols && "a row is narrower than the screen after a resize");
        row.resize(newCols, CharData::Null);
    }
}

} // namespace zentrova
