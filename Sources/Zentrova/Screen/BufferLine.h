#pragma once

#include "Zentrova/Screen/CharData.h"
#include "Zentrova/Screen/IdentityToken.h"
#include "Zentrova/Screen/SemanticMark.h"
#include "Zentrova/Text/BidiPresentationState.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zentrova {

class Buffer;
class TerminalImage;

// One row of the grid: its cells in one block the row allocates and frees itself, plus the per-row
// state the screen, reflow, bidi layout, image protocols and renderer need. Rows are shared by
// reference (the ring, reflow and the renderer's cache hold the same row) and found again by identity,
// so they are never copied implicitly. Every change advances `generation`, which caches compare.
class BufferLine {
public:
    enum class RenderLineMode : uint8_t { single, doubleWidth, doubledTop, doubledDown };
    using Images = std::vector<std::shared_ptr<TerminalImage>>;
    // The text a cell stands for, where the row cannot tell (interned grapheme clusters).
    using CharacterProvider = std::function<std::string(const CharData&)>;
    static constexpr std::string_view clampMessage =
        "BufferLine: You passed an index out of range, adjusting to prevent crash, but you should debug";

    // `cols` cells, each the fill (CharData::Null when none is given).
    explicit BufferLine(int cols, std::optional<CharData> fillData = std::nullopt, bool isWrapped = false,
                        const BidiPresentationState& bidiState = BidiPresentationState::Default);
    // A copy of `from` with its own block of exactly `from.count()` cells, no owning buffer and a new
    // generation count.
    explicit BufferLine(const BufferLine& from);
    BufferLine& operator=(const BufferLine&) = delete;

    // Cells in use; may differ from the screen's columns.
    int count() const { return m_dataSize; }
    const CharData* data() const { return m_data.get(); }

    // A column at or beyond count() reads the last cell.
    const CharData& operator[](int col) const;
    // A column at or beyond count() writes the last cell, after logging clampMessage to the owning
    // buffer's log. Inline: printing writes every cell through here.
    void setCell(int col, const CharData& cell)
    {
        if (col < 0 || col >= m_dataSize) [[unlikely]] {
            setClampedCell(col, cell);
            return;
        }
        m_data[size_t(col)] = cell;
        m_generation++;
        noteChanged(col + 1);
    }

    // Writes one cell per byte from `col` on, each `pattern` with the byte as its code and width 1.
    // Inline and with one generation step: printing plain text writes whole runs through here.
    void setAsciiCells(int col, std::span<const uint8_t> bytes, const CharData& pattern)
    {
        if (col < 0 || col + int(bytes.size()) > m_dataSize) [[unlikely]] {
            for (size_t i = 0; i < bytes.size(); i++)
                setCell(col + int(i), pattern.withValue(bytes[i], 1));
            return;
        }
        // A local copy: the compiler cannot tell that the pattern is not among the cells written.
        const CharData cell = pattern;
        CharData* cells = m_data.get() + col;
        for (size_t i = 0; i < bytes.size(); i++)
            cells[i] = cell.withValue(bytes[i], 1);
        m_generation++;
        noteChanged(col + int(bytes.size()));
    }

    int getWidth(int index) const { return (*this)[index].width(); }
    // The cell differs from an untouched one: a code, or any attribute but the default.
    bool hasContent(int index) const;
    bool hasAnyContent() const;
    // The column after the last cell with a code (a wide character at the end counts both columns);
    // attributes alone do not count.
    int getTrimmedLength() const;
    std::vector<CharData> getData() const;
    // The text of columns startCol up to endCol (-1: the end). Without a provider a cell reads as its
    // scalar (an empty cell as U+0000, an invalid code as a space).
    std::string translateToString(bool trimRight = false, int startCol = 0, int endCol = -1,
                                  bool skipNullCellsFollowingWide = false,
                                  const CharacterProvider& characterProvider = {}) const;
    std::string debugDescription() const;

    // When the cells at col - 1 and col are the two halves of one wide character, about to be parted
    // by a write or a shift that starts or ends at col, both become blank (in the character's
    // attribute): a row never holds half a character. Inline: printing checks both ends of every
    // character it writes.
    void breakWideCharacterAt(int col)
    {
        if (col > 0 && col < m_dataSize && m_data[size_t(col)].width() == 0) [[unlikely]]
            breakWideCharacter(col);
    }

    void fill(const CharData& cell);
    void fill(const CharData& cell, int atCol, int len);
    // Cells start up to min(end, count()) become the fill.
    void replaceCells(int start, int end, const CharData& fillData);
    // Inserts `n` fill cells at `pos` (taken modulo rightMargin + 1), pushing cells right; cells pushed
    // past the right margin are lost and cells right of it are untouched.
    void insertCells(int pos, int n, int rightMargin, const CharData& fillData);
    // Deletes `n` cells at `pos`, pulling cells left from the right margin and filling behind them.
    void deleteCells(int pos, int n, int rightMargin, const CharData& fillData);
    // Copies `len` cells of `source` (possibly this row) and the prompt marks on them.
    void copyFrom(BufferLine& source, int srcCol, int dstCol, int len);
    // Makes this row a copy of `line`: cells, wrap flag, marks and bidi state. The block is reused when
    // it is large enough.
    void copyFrom(const BufferLine& line);
    // Cuts or extends the row to `cols` cells, new cells being the fill.
    void resize(int cols, const CharData& fillData);
    // Every cell blank (code 0, width 1) in `attribute`; images dropped.
    void clear(const Attribute& attribute);
    // Every cell `blank`; images dropped. Only the cells written since the row was last all blank
    // are cleared: a reused row of a wide screen mostly held a short line.
    void clear(const CharData& blank);
    // Asks for the cells clear() would write to be brought into the cache.
    void prefetchForClear() const;

    bool isWrapped() const { return m_isWrapped; }
    void setIsWrapped(bool isWrapped);
    const BidiPresentationState& bidiState() const { return m_bidiState; }
    void setBidiState(const BidiPresentationState& state);
    RenderLineMode renderMode() const { return m_renderMode; }
    void setRenderMode(RenderLineMode mode)
    {
        m_renderMode = mode;
        m_generation++;
    }
    const CharData& fillCharacter() const { return m_fillCharacter; }
    const std::optional<Images>& images() const { return m_images; }
    void setImages(std::optional<Images> images);

    // The buffer whose ring holds the row; not owned.
    Buffer* owningBuffer() const { return m_owningBuffer; }
    void setOwningBuffer(Buffer* buffer) { m_owningBuffer = buffer; }

    uint64_t generation() const { return m_generation; }
    // This row object's identity token; a recycled row keeps it, a copy gets its own.
    uint64_t id() const { return m_id; }
    // How often the ring has reused this row for a new one.
    uint64_t recycleGeneration() const { return m_recycleGeneration; }
    void setRecycleGeneration(uint64_t value) { m_recycleGeneration = value; }

    // Prompt marks, sorted by column.
    const std::vector<SemanticMark>& semanticMarks() const { return m_semanticMarks; }
    // The prompt group this row continues across a hard line break.
    std::optional<uint64_t> semanticHardContinuationGroup() const { return m_semanticHardContinuationGroup; }
    void setSemanticHardContinuationGroup(std::optional<uint64_t> group);
    // Replaces the row's mark of that kind.
    void setSemanticMark(SemanticPromptKind kind, int column, uint64_t group);
    // Marks in from...rightMargin move by `by`, kept inside that span.
    void marksShift(int from, int by, int rightMargin);
    void marksClampTo(int width);
    void destroySemanticState();

private:
    // Cells before `end` may have changed: the blank tail starts after them.
    void noteChanged(int end) { m_blankFrom = std::max(m_blankFrom, end); }
    // Cells from...end all became `cell`.
    void noteFilled(int from, int end, const CharData& cell);
    void setClampedCell(int col, const CharData& cell);
    void breakWideCharacter(int col);
    void allocate(int capacity);
    void sortMarks();
    void removeMarks(int fromCol, int toCol);

    bool m_isWrapped = false;
    BidiPresentationState m_bidiState;
    RenderLineMode m_renderMode = RenderLineMode::single;
    std::vector<SemanticMark> m_semanticMarks;
    std::optional<uint64_t> m_semanticHardContinuationGroup;
    Buffer* m_owningBuffer = nullptr;
    uint64_t m_recycleGeneration = 0;
    std::unique_ptr<CharData[]> m_data;
    int m_capacity = 0;
    int m_dataSize = 0;
    CharData m_fillCharacter;
    // Every cell from m_blankFrom up to count() is m_blankCell.
    int m_blankFrom = 0;
    CharData m_blankCell;
    std::optional<Images> m_images;
    uint64_t m_generation = 0;
    uint64_t m_id = nextIdentityToken();
};

} // namespace zentrova
