#include "ZentrovaView/AccessibleScreenText.h"

#include "Zentrova/Text/SelectionService.h"
#include "Zentrova/Engine/Terminal.h"

#include <algorithm>

namespace zentrova {

AccessibleScreenText AccessibleScreenText::capture(Terminal& terminal)
{
    AccessibleScreenText screen;
    Buffer& buffer = terminal.buffer();
    const int cols = terminal.cols;
    const int lineCount = buffer.lines().count();
    screen.m_topRow = buffer.yDisp();
    screen.m_rows.reserve(size_t(terminal.rows));
    for (int row = 0; row < terminal.rows; row++) {
        if (row > 0)
            screen.m_text += QLatin1Char('\n');
        Row shown;
        shown.start = int(screen.m_text.size());
        shown.columns.assign(size_t(cols) + 1, shown.start);
        const int ringRow = screen.m_topRow + row;
        if (ringRow < lineCount) {
            const BufferLine& line = buffer.line(ringRow);
            const int used = std::min(line.getTrimmedLength(), cols);
            for (int col = 0; col < used; col++) {
                const CharData& cell = line[col];
                // The right half of a wide character has no text of its own: it reads as the character.
                if (cell.width() == 0 && col > 0) {
                    shown.columns[size_t(col)] = shown.columns[size_t(col - 1)];
                    continue;
                }
                shown.columns[size_t(col)] = int(screen.m_text.size());
                if (cell.code() == 0) {
                    screen.m_text += QLatin1Char(' ');
                    continue;
                }
                const std::u32string scalars = terminal.character(cell.code());
                screen.m_text += QString::fromUcs4(scalars.data(), qsizetype(scalars.size()));
            }
            for (int col = used; col <= cols; col++)
                shown.columns[size_t(col)] = int(screen.m_text.size());
        }
        screen.m_rows.push_back(std::move(shown));
    }
    if (!terminal.cursorHidden && buffer.yDisp() == buffer.yBase() && buffer.y() >= 0 && buffer.y() < terminal.rows)
        screen.m_cursorOffset = screen.offsetOf(buffer.y(), buffer.x());
    return screen;
}

int AccessibleScreenText::offsetOf(int row, int col) const
{
    if (m_rows.empty() || row < 0)
        return 0;
    if (row >= rowCount())
        return int(m_text.size());
    const std::vector<int>& columns = m_rows[size_t(row)].columns;
    return columns[size_t(std::clamp(col, 0, int(columns.size()) - 1))];
}

std::pair<int, int> AccessibleScreenText::cellAt(int offset) const
{
    if (m_rows.empty())
        return { 0, 0 };
    offset = std::clamp(offset, 0, int(m_text.size()));
    const auto after = std::upper_bound(m_rows.begin(), m_rows.end(), offset,
                                        [](int value, const Row& row) { return value < row.start; });
    const int row = int(after - m_rows.begin()) - 1;
    const std::vector<int>& columns = m_rows[size_t(std::max(row, 0))].columns;
    const auto cells = columns.end() - 1;
    int col = int(std::upper_bound(columns.begin(), cells, offset) - columns.begin()) - 1;
    // Several cells share an offset on a wide character's right half and right of the text: the first
    // of them is the one the offset names.
    while (col > 0 && columns[size_t(col - 1)] == columns[size_t(col)])
        col--;
    return { std::max(col, 0), std::max(row, 0) };
}

std::optional<std::pair<int, int>> AccessibleScreenText::selectedRange(const SelectionService& selection) const
{
    if (!selection.active() || m_rows.empty())
        return std::nullopt;
    Position first = selection.start();
    Position last = selection.end();
    if (Position::compare(last, first) == Position::CompareResult::before)
        std::swap(first, last);
    // Whole-row selections include their end row.
    if (selection.selectionMode() == SelectionService::SelectionMode::row)
        last = { int(m_rows.front().columns.size()) - 1, last.row };
    const int firstRow = first.row - m_topRow;
    const int lastRow = last.row - m_topRow;
    const int start = firstRow < 0 ? 0 : offsetOf(firstRow, first.col);
    const int end = lastRow >= rowCount() ? int(m_text.size()) : lastRow < 0 ? 0 : offsetOf(lastRow, last.col);
    if (start >= end)
        return std::nullopt;
    return std::pair(start, end);
}

} // namespace zentrova
