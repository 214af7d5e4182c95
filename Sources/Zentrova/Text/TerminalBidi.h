#pragma once

#include "Zentrova/Text/BidiRowLayout.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace zentrova {

class Buffer;
class BufferLine;
class Terminal;

// The visual order of rows that hold right-to-left text. The terminal keeps cells in logical order;
// this computes, per row, the order the view and the GPU renderer draw them in, the maps between
// logical and visual columns, the base direction, and a replacement glyph for cells drawn mirrored
// or in an Arabic presentation form. It works on paragraphs: rows joined by soft wraps are
// reordered as a whole. The bidirectional algorithm itself runs in BidiTypesetter on a probe string
// of one UTF-16 unit per cell; the Arabic shaping is done here, cell by cell.
//
// Results are cached for the process under one lock, by paragraph position and by paragraph content
// (so text that scrolled to other rows is not laid out again). Callable from any thread; rows are
// ring indexes of the buffer (0 is the oldest scrollback row).
class TerminalBidi {
public:
    TerminalBidi() = delete;

    // How a letter joins its neighbours.
    enum class Joining : uint8_t { none, transparent, causing, right, left, dual };

    // One logical cell of a paragraph.
    struct Cell {
        int row = 0; // the row's offset from the paragraph's first row
        int logicalCol = 0;
        int width = 1;
        std::u32string text; // never empty: a blank cell holds " "

        bool operator==(const Cell&) const = default;
    };

    // The layouts of one paragraph's rows by ring index; a row without one is drawn in logical order.
    struct ParagraphResult {
        std::unordered_map<int, BidiRowLayout> rows;
        BidiDirection baseDirection = BidiDirection::leftToRight;
    };
    // Shared with the caches; never changed once built.
    using SharedParagraphResult = std::shared_ptr<const ParagraphResult>;

    // Ring indexes first...last.
    struct RowRange {
        int first = 0;
        int last = 0;

        bool operator==(const RowRange&) const = default;
    };

    // False means the row holds no right-to-left trigger among its first `cols` columns.
    static bool mayNeedBidi(const BufferLine& line, int cols, const Terminal& terminal);
    // The layouts of the paragraph holding `row` in implicit mode; null for a row out of range, an
    // explicit row, a paragraph longer than the terminal's maximumBidiParagraphRows, or no columns. `font` is the
    // identity token of the font the caller draws with (nextIdentityToken()).
    static SharedParagraphResult paragraphResult(int row, Buffer& buffer, int cols, const Terminal& terminal,
                                                 uint64_t font);
    // The row reversed and mirrored, without shaping, for explicit right-to-left mode; none for a row
    // out of range or no columns.
    static std::optional<BidiRowLayout> explicitRightToLeftLayout(int row, Buffer& buffer, int cols,
                                                                  const Terminal& terminal);
    // Changed rows widened to the whole paragraphs that hold their ends.
    static RowRange renderingDependencyRange(RowRange rows, Buffer& buffer, int maximumRows);
    // The revision of the paragraph holding `row`; 0 for a row out of range, explicit, or in a
    // paragraph too long to reorder.
    static uint64_t layoutRevision(int row, Buffer& buffer, int maximumRows);

    // The steps the operations above are made of.
    // The soft-wrapped rows around `row`; none out of range or beyond `maximumRows` rows.
    static std::optional<RowRange> paragraphBounds(int row, Buffer& buffer, int maximumRows);
    // Changes with any cell, any row object replaced in a slot and any change of wrapping.
    static uint64_t paragraphRevision(RowRange rows, Buffer& buffer);
    // The first strong letter (or direction mark) decides; none decides gives `fallback`.
    static BidiDirection detectedBaseDirection(std::span<const Cell> cells, BidiDirection fallback);
    static bool isRightToLeftTrigger(char32_t scalar);
    // The one UTF-16 unit standing for a cell's text in the typesetter's string, of the same
    // bidirectional class where it matters.
    static char16_t probeScalar(std::u32string_view text);
    // One entry per cell: the presentation form (with the cell's marks) to draw instead of its own
    // character, or none.
    static std::vector<std::optional<std::u32string>> shapeArabic(std::span<const Cell> cells);

    // The Unicode tables (TerminalBidiTables.cpp), fixed at compile time.
    struct JoiningRange {
        char32_t first;
        char32_t last;
        Joining type;
    };
    // Isolated, final, initial and medial presentation forms of a letter; 0 where it has no initial
    // and medial form (it never joins the letter after it).
    struct ArabicForms {
        char32_t letter;
        char32_t isolated;
        char32_t final;
        char32_t initial;
        char32_t medial;
    };
    struct LamAlef {
        char32_t alef;
        char32_t isolated;
        char32_t final;
    };
    using MirrorPair = std::pair<char32_t, char32_t>;
    static std::span<const JoiningRange> joiningRanges();
    static std::span<const ArabicForms> arabicForms();
    static std::span<const LamAlef> lamAlefLigatures();
    // Each pair in both directions, sorted by the first scalar.
    static std::span<const MirrorPair> mirrorPairs();
    static std::span<const MirrorPair> boxMirrorPairs();
    // Lookups in the tables above.
    static std::optional<Joining> joiningType(char32_t scalar);
    static const ArabicForms* forms(char32_t letter);
    static const LamAlef* lamAlef(char32_t alef);
    static std::optional<char32_t> mirror(char32_t scalar);
    static std::optional<char32_t> boxMirror(char32_t scalar);

    struct CacheStatistics {
        uint64_t contentHits = 0;
        uint64_t contentMisses = 0;
        size_t paragraphEntries = 0;
        size_t contentEntries = 0;
    };
    static CacheStatistics cacheStatistics();
    // Empties both caches and zeroes the counters (tests and cold measurements).
    static void clearCaches();
};

} // namespace zentrova
