#pragma once

#include "Zentrova/Screen/Position.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace zentrova {

class Buffer;
class Terminal;

// A terminal's text selection and its gestures: press and drag (character mode), double-click on a
// word or a bracket (word mode), triple-click on a row (row mode), shift-click and pivot extension,
// select all and clearing. Positions are buffer positions: rows count from the oldest row of the
// active buffer's ring; the operations that take (row, col) take a screen row instead. Start and end
// are not kept in order. Every visible change is told to the terminal's delegate.
//
// The view owns it (std::make_shared) and registers it with the terminal, which keeps it weakly and
// moves it when rows scroll in place. Main thread only, with its terminal.
class SelectionService {
public:
    enum class SelectionMode { character, word, row };
    enum class WordDirection { backward, forward };
    using WordAnchor = std::pair<Position, Position>;

    explicit SelectionService(Terminal& terminal);
    virtual ~SelectionService() = default;
    SelectionService(const SelectionService&) = delete;
    SelectionService& operator=(const SelectionService&) = delete;

    Terminal& terminal() const { return m_terminal; }

    // Rows top...bottom moved up by `lines` (down when negative): keeps the selection on the same text,
    // or clears it when a moved end would leave that band or the selection straddles its edge.
    virtual void adjustForInPlaceScroll(int top, int bottom, int lines);

    virtual bool active() const { return m_active; }
    // Tells the delegate when the value changes; an inactive selection has no pivot.
    void setActive(bool active);
    // Active (pivot kept), and the delegate told.
    void setActiveAndNotify();
    bool hasSelectionRange() const { return m_hasSelectionRange; }
    virtual Position start() const { return m_start; }
    virtual Position end() const { return m_end; }
    const std::optional<Position>& pivot() const { return m_pivot; }
    void setPivot(std::optional<Position> pivot) { m_pivot = pivot; }
    // The word or expression the last double-click chose, and the row the last triple-click chose.
    const std::optional<WordAnchor>& wordSelectionAnchor() const { return m_wordSelectionAnchor; }
    void setWordSelectionAnchor(std::optional<WordAnchor> anchor) { m_wordSelectionAnchor = anchor; }
    std::optional<int> rowSelectionAnchor() const { return m_rowSelectionAnchor; }
    void setRowSelectionAnchor(std::optional<int> row) { m_rowSelectionAnchor = row; }
    bool isMultiLine() const { return m_start.row != m_end.row; }

    // A new selection at a screen cell, in character mode.
    void startSelection(int row, int col);
    // The position kept inside the active buffer's columns and lines.
    Position clamp(const Position& position) const;
    // Shows a range (a found match); mode, pivot and anchors stay.
    void setSelection(const Position& start, const Position& end);
    // Collapses to the start, in character mode.
    void startSelection();
    // A press: start and end at the cell, active without a range; mode and anchors stay.
    void setSoftStart(int row, int col);
    void setSoftStart(const Position& bufferPosition);
    // Shift-click: extends from the far end of the selection.
    void shiftExtend(int row, int col);
    void shiftExtend(const Position& bufferPosition);
    // From the pivot to the position.
    void pivotExtend(int row, int col);
    void pivotExtend(const Position& bufferPosition);
    // A drag: moves the end, by words in word mode and by rows in row mode.
    void dragExtend(int row, int col);
    void dragExtend(const Position& bufferPosition);
    // Every stored line of the active buffer.
    void selectAll();
    bool selectingRows() const { return m_selectingRows; }
    void setSelectingRows(bool selectingRows) { m_selectingRows = selectingRows; }
    SelectionMode selectionMode() const { return m_selectionMode; }
    void setSelectionMode(SelectionMode mode) { m_selectionMode = mode; }
    // Triple-click on a buffer row.
    void select(int row);
    // Selects the run of cells around `from` on its row whose characters satisfy `includeFunc`.
    void simpleScanSelection(const Position& from, Buffer& buffer,
                             const std::function<bool(const std::u32string&)>& includeFunc);
    // From an opening bracket to its partner, searched no further than the bottom of the screen;
    // without one, nothing is selected.
    void balancedSearchForward(const Position& from, Buffer& buffer);
    // From a closing bracket back to its partner; without one, nothing is selected.
    void balancedSearchBackward(const Position& from, Buffer& buffer);
    // The position moved to the edge of the run (word characters, spaces or empty cells) it lies in,
    // on its own row; unchanged on any other character.
    Position extendToWordBoundary(const Position& position, Buffer& buffer, WordDirection direction) const;
    // Double-click: the word, run of spaces or empty cells, or bracketed expression at the position.
    void selectWordOrExpression(const Position& at, Buffer& buffer);
    // Clears an active selection (inactive, anchors and row mode dropped) and tells the terminal's
    // delegate that the selection changed.
    virtual void selectNone();
    // The text from the earlier to the later end (the end column excluded); "" for equal ends.
    std::string getSelectedText() const;
    std::string debugDescription() const;

    // What an empty cell reads as.
    static constexpr char32_t nullChar = U'\0';

private:
    void setStart(const Position& position);
    void setEnd(const Position& position);
    void setRowSelection(int from, int through);
    void clear();
    void notify();
    // The character of a cell of the buffer: nullChar for an empty cell.
    std::u32string characterAt(Buffer& buffer, const Position& position) const;
    Position bufferPosition(int row, int col) const;

    Terminal& m_terminal;
    bool m_active = false;
    bool m_hasSelectionRange = false;
    Position m_start;
    std::optional<Position> m_pivot = Position {};
    std::optional<WordAnchor> m_wordSelectionAnchor;
    std::optional<int> m_rowSelectionAnchor;
    Position m_end;
    bool m_selectingRows = false;
    SelectionMode m_selectionMode = SelectionMode::character;
};

} // namespace zentrova
