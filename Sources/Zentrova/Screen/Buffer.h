#pragma once

#include "Zentrova/Screen/BufferLine.h"
#include "Zentrova/Screen/CharSets.h"
#include "Zentrova/Screen/CircularBufferLineList.h"
#include "Zentrova/Screen/DiagnosticLog.h"
#include "Zentrova/Screen/IdentityToken.h"
#include "Zentrova/Screen/Position.h"
#include "Zentrova/Screen/SemanticContent.h"
#include "Zentrova/Screen/SemanticInputState.h"
#include "Zentrova/Screen/SemanticPrompt.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace zentrova {

// One screen of a terminal (the main screen with its scrollback, or the alternate screen): the ring
// of rows, the cursor, the scroll region, the margins, the tab stops and the saved cursor. It also
// places printed characters, because wrapping, insert mode and wide characters are decided against
// its cursor and margins.
//
// Coordinates: a ring index counts rows from the oldest row of the ring. `yBase` is the ring index of
// the top screen row and the cursor row `y` counts from there, so the cursor's ring index is
// y + yBase. `yDisp` is the ring index of the top row displayed (yBase unless the user scrolled back).
// The owning terminal reads and writes most fields directly; main thread only.
class Buffer {
public:
    // The hyperlink payload of printed cells; none means payload 0.
    using PayloadResolver = std::function<std::optional<TinyAtom>()>;
    // Installed by the owner: printing must continue on a new row while the cursor is on or below the
    // last row of the scroll region. The argument says the new row continues a wrapped one.
    using ScrollCallback = std::function<void(bool isWrapped)>;

    // `reusedLines`, the ring of a buffer being replaced, is emptied and taken over when its capacity
    // is the one this buffer needs, so that a full reset does not allocate a ring the scrollback's size.
    Buffer(int cols, int rows, int tabStopWidth, std::optional<int> scrollback,
           const BidiPresentationState& bidiState = BidiPresentationState::Default,
           std::unique_ptr<CircularBufferLineList> reusedLines = nullptr);
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;

    // This buffer's identity token (a full reset makes a new buffer with a new one).
    uint64_t id() const { return m_id; }

    CircularBufferLineList& lines() { return *m_lines; }
    // Gives the ring away; the buffer must not be used after that.
    std::unique_ptr<CircularBufferLineList> takeLines() { return std::move(m_lines); }
    const CircularBufferLineList& lines() const { return *m_lines; }
    // The row at a ring index (below lines().count()).
    BufferLine& line(int ringIndex) { return *(*m_lines)[ringIndex]; }

    int cols() const { return m_cols; }
    int rows() const { return m_rows; }
    std::optional<int> scrollback() const { return m_scrollback; }
    bool hasScrollback() const { return m_hasScrollback; }
    bool isReflowEnabled() const { return m_hasScrollback; }
    int totalLinesTrimmed() const { return linesTop; }

    // Negative values are ignored: the old value stays. Inline: every cursor motion sets them.
    int x() const { return m_x; }
    void setX(int x)
    {
        if (x >= 0)
            m_x = x;
    }
    int y() const { return m_y; }
    void setY(int y)
    {
        if (y >= 0)
            m_y = y;
    }
    int yBase() const { return m_yBase; }
    void setYBase(int yBase) { m_yBase = yBase; }
    int yDisp() const { return m_yDisp; }
    void setYDisp(int yDisp);
    int scrollTop() const { return m_scrollTop; }
    void setScrollTop(int row);
    int scrollBottom() const { return m_scrollBottom; }
    void setScrollBottom(int row);
    int marginLeft() const { return m_marginLeft; }
    void setMarginLeft(int col) { m_marginLeft = col; }
    int marginRight() const { return m_marginRight; }
    void setMarginRight(int col) { m_marginRight = col; }

    // The cursor's row is among the rows displayed.
    bool isCursorInViewPort() const;

    int getCorrectBufferLength(int rows) const;
    // A new row of cols() blank cells (code 0, width 1) in `attribute`.
    std::shared_ptr<BufferLine> getBlankLine(const Attribute& attribute, bool isWrapped = false);
    // A space in `attribute`, or in Attribute::empty without one.
    static CharData getNullCell(std::optional<Attribute> attribute = std::nullopt);
    // Fills an empty ring with rows() blank rows (default attribute without one).
    void fillViewportRows(std::optional<Attribute> attribute = std::nullopt);

    // The cell at a column of a displayed row (row counted from yDisp), or at a ring index;
    // CharData::Null outside the row.
    CharData getChar(const Position& at);
    CharData getCharAtBufferRelative(const Position& at);

    // Full reset: cursor, viewport and ring back to the start (the ring is left empty), region and
    // margins to the whole screen, prompt state cleared.
    void clear();
    // Saved cursor, saved attribute and charset, margins and saved modes back to their defaults.
    void softReset();
    // Drops the rows above the screen.
    void clearScrollback();
    // New scrollback (none: no history, reflow off); the oldest rows go when the ring shrinks.
    void changeHistorySize(std::optional<int> scrollback);

    // Changes the screen size: screen rows are added at the bottom or taken back from the
    // scrollback, removed below the cursor or pushed into the scrollback above it, and the cursor,
    // yBase and yDisp stay on the same text. With scrollback, soft-wrapped rows are re-wrapped at the
    // new width (the rows holding the cursor keep their wrapping); without, a narrower screen leaves
    // the rows' cells as they are.
    void resize(int newCols, int newRows);

    // Reflow (Reflow.cpp). Rows to insert before ring index `start`; `isNull` ends a list.
    struct InsertionSet {
        std::vector<std::shared_ptr<BufferLine>> lines;
        int start = 0;
        bool isNull = false;
    };
    // The cells a row contributes to its wrapped group at width `cols`: all of them unless it is the
    // last row, less the blank left where a wide character moved down to the next row.
    static int getWrappedLineTrimmedLength(const BufferLine& line, const BufferLine* next, int cols);
    int getWrappedLineTrimmedLength(int ringIndex, int cols);
    // The lengths of the rows a wrapped group needs at the new width; a wide character never
    // straddles two rows.
    static std::vector<int> getNewLineLengths(const std::vector<BufferLine*>& wrappedLines, int oldCols, int newCols);

    // Tab stops, one flag per column.
    void setupTabStops(int index, int tabStopWidth);
    // -1 stands for the cursor column.
    int previousTabStop(int col = -1) const;
    int nextTabStop(bool marginMode, int col = -1) const;
    void tabSet(int pos);
    void tabClear(int pos);
    const std::vector<bool>& tabStops() const { return m_tabStops; }

    // Writes one printed cell at the cursor, wrapping, clamping at the right margin and making room
    // in insert mode as the modes say; a wide character also writes its filler cells.
    void insertCharacter(CharData character, const PayloadResolver& resolvePayload);
    // insertCharacter() with the payload looked up already. A character of width 1 or 2 that fits
    // before the right margin (without wraparound, that does not end on it), outside insert mode,
    // is written here inline: the print path hands over cells it has just built in registers, and
    // a call would pass them through memory.
    void insertResolvedCharacter(CharData character, TinyAtom payload)
    {
        const int width = character.width();
        const int right = marginMode ? m_marginRight : m_cols - 1;
        const uint8_t semanticCode = semanticContent.code();
        if (insertMode || width < 1 || width > 2 || m_x + width - int(wraparound) > right
            || !(character.payload() == payload)
            || character.semanticContentCode() != semanticCode) [[unlikely]] {
            placeCharacter(character, payload, semanticCode);
            return;
        }
        BufferLine& row = line(m_y + m_yBase);
        row.breakWideCharacterAt(m_x);
        row.breakWideCharacterAt(m_x + width);
        row.setCell(m_x++, character);
        if (width == 2)
            row.setCell(m_x++, character.withValue(0, 0));
    }
    // The fast path of plain ASCII: writes the bytes with one attribute and one payload lookup.
    // Returns the number written; fewer than given only when wraparound is off and the run reached
    // the right margin, and 0 in insert mode. The caller prints the rest through insertCharacter().
    int insertAsciiRun(std::span<const uint8_t> bytes, const Attribute& attribute,
                       const PayloadResolver& resolvePayload);

    // The first row, testing outwards from `hint` (hint, hint + 1, hint - 1, ...), that satisfies
    // the predicate.
    std::optional<int> findRow(int hint, const std::function<bool(const BufferLine&)>& predicate);
    // The ring index of a row object.
    std::optional<int> absoluteRow(const BufferLine& line);

    // Prompt marks and groups (SemanticPrompt.cpp). Rows are ring indexes.
    // Opens a new prompt group whose prompt starts on the row; nothing for a row outside the ring.
    void beginSemanticPromptGroup(int originRow);
    // Marks the row (column clamped to its cells) with the active group.
    void setSemanticMark(SemanticPromptKind kind, int row, int column);
    // A new initial prompt on the row continues the active group instead of opening one.
    bool canReuseSemanticGroup(int atRow);
    // The row where the active prompt began, found again by identity (rebound to another opening
    // mark of the group when it is gone); none when no row of the group keeps one.
    std::optional<int> semanticPromptStartRow();
    std::vector<SemanticPromptAnchor> semanticPromptMarks(int row);
    std::optional<Position> activeSemanticPromptOrigin();
    // The opening mark on the start row: its first initial mark, else its first secondary one.
    struct SemanticOrigin {
        const BufferLine* line = nullptr;
        SemanticPromptKind kind = SemanticPromptKind::initial;
        int column = 0;
    };
    std::optional<SemanticOrigin> rawSemanticOrigin() const;
    // The origin mark moved to this row of the ring (a row outside it is found again later by the
    // rebinding search).
    void setSemanticPromptStartLine(const BufferLine& row);
    // How the row belongs to the active prompt: initial for its origin row, continuation for rows
    // that continue it (soft wraps, joining marks, or hard breaks within the one group).
    std::optional<SemanticPromptKind> semanticRowKind(int row);
    bool rowContinuesActiveGroupHard(int row);
    // The mark a position counts from: the last secondary mark of the group before it, else the origin.
    std::optional<Position> semanticPromptRelativeOrigin(const Position& position);

    bool hasAnyImages() const { return m_linesWithImagesCount > 0; }
    void clearImagesFromLine(int ringIndex);
    // Appends an image to the row at a ring index (nothing outside the ring).
    void attachImage(std::shared_ptr<TerminalImage> image, int ringIndex);
    // The row's images become `images`; an empty list leaves it without any.
    void replaceImagesOnLine(int ringIndex, BufferLine::Images images);
    void recalculateLinesWithImagesCount();

    int xDisp = 0;
    int xBase = 0;
    int linesTop = 0;
    int savedX = 0;
    int savedY = 0;
    bool savedOriginMode = false;
    bool savedMarginMode = false;
    bool savedWraparound = false;
    bool savedReverseWraparound = false;
    Attribute savedAttr = CharData::Null.attribute();
    std::optional<CharSets::CharSet> savedCharset;
    Attribute curAttr = Attribute::empty;
    bool insertMode = false;
    bool marginMode = false;
    bool wraparound = false;
    SemanticContent semanticContent = SemanticContent::none;
    SemanticInputState semanticInput = SemanticInputState::idle;
    uint64_t activeSemanticGroupID = 0;
    std::shared_ptr<BufferLine> semanticPromptStartLine;
    int semanticPromptStartRowCache = 0;
    int semanticPromptRowScanCount = 0;
    uint64_t semanticGroupCounter = 0;
    SemanticPromptClickMode semanticClickMode = SemanticPromptClickMode::none;
    bool semanticUsesSpecialCursorKeys = false;
    BidiPresentationState defaultBidiState;
    ScrollCallback scroll;
    // Set by the owner: where the diagnostics of this screen, its rows and its ring go.
    DiagnosticLog log;

private:
    std::unique_ptr<CircularBufferLineList> makeRing(int capacity);
    // Installs this buffer's callbacks on a ring it takes over.
    std::unique_ptr<CircularBufferLineList> adoptRing(std::unique_ptr<CircularBufferLineList> ring);
    // Reflow (Reflow.cpp).
    void reflowWider(int oldCols, int newCols, int newRows);
    void reflowNarrower(int oldCols, int newCols, int newRows);
    // Joins each wrapped group's cells up to the new width; returns (first ring index, count) pairs
    // of the rows left over.
    std::vector<int> getLinesToRemove(int oldCols, int newCols, int bufferAbsoluteY, const CharData& nullChar);
    void rearrange(std::vector<InsertionSet> toInsert, int countToInsert);
    // Every row must hold at least the screen's columns after a resize.
    void ensureRowsCover(int newCols);
    // Prompt marks (SemanticPrompt.cpp).
    bool rowHasGroupOpeningMark(int row);
    std::optional<int> findSemanticPromptRebindRow();
    std::optional<uint64_t> originMarkGroup(int row, std::optional<int> activeOrigin);
    std::optional<uint64_t> joiningMarkGroup(int row);
    void shrinkRing(int capacity);
    // The cursor leaves the right margin for the start of the next row, scrolling at the bottom.
    void wrapCursor();
    void placeCharacter(CharData character, TinyAtom payload, uint8_t semanticCode);

    int m_cols;
    int m_rows;
    std::optional<int> m_scrollback;
    bool m_hasScrollback;
    std::unique_ptr<CircularBufferLineList> m_lines;
    int m_yDisp = 0;
    int m_x = 0;
    int m_y = 0;
    int m_yBase = 0;
    int m_linesWithImagesCount = 0;
    int m_scrollBottom;
    int m_scrollTop = 0;
    int m_marginLeft = 0;
    int m_marginRight;
    std::vector<bool> m_tabStops;
    // Where findRow() found a row last; the common case asks for the same row again.
    int m_lastFoundRow = 0;
    // The cell ASCII runs print from, for the attribute, payload and semantic content printed last:
    // packing an attribute into a cell costs more than comparing two.
    bool m_asciiCellValid = false;
    Attribute m_asciiAttribute;
    CharData m_asciiCell;
    uint64_t m_id = nextIdentityToken();
};

} // namespace zentrova
