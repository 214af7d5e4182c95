#pragma once

#include <QString>

#include <optional>
#include <utility>
#include <vector>

namespace zentrova {

class SelectionService;
class Terminal;

// What assistive technologies read of a terminal: the rows on screen as one text, each row without
// its trailing blanks and the rows joined by line feeds, with the maps between screen cells and
// offsets into that text. Offsets count UTF-16 units, as Qt's text interfaces do.
class AccessibleScreenText {
public:
    static AccessibleScreenText capture(Terminal& terminal);

    const QString& text() const { return m_text; }
    // The buffer row shown at the top of the screen.
    int topRow() const { return m_topRow; }
    int rowCount() const { return int(m_rows.size()); }
    // Where a screen cell's character starts; a cell right of its row's text gives the row's end.
    int offsetOf(int row, int col) const;
    // The screen cell ({column, row}) an offset falls in; the line feed after a row is that row's end.
    std::pair<int, int> cellAt(int offset) const;
    // The cursor's offset, or -1 while it is hidden or scrolled out of sight.
    int cursorOffset() const { return m_cursorOffset; }
    // The part of the selection on screen as [start, end), or nothing when none of it shows.
    std::optional<std::pair<int, int>> selectedRange(const SelectionService& selection) const;

private:
    struct Row {
        int start = 0;
        // The offset of each column's cell, and one more entry for the row's end.
        std::vector<int> columns;
    };

    QString m_text;
    std::vector<Row> m_rows;
    int m_topRow = 0;
    int m_cursorOffset = -1;
};

} // namespace zentrova
