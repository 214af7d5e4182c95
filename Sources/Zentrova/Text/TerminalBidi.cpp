// Paragraphs of wrapped rows, their cells, the layouts built from the typesetter's visual order, and
// the two process-wide caches that spare rebuilding them.

#include "Zentrova/Text/TerminalBidi.h"

#include "Zentrova/Engine/Terminal.h"
#include "Zentrova/Screen/Buffer.h"
#include "Zentrova/Text/BidiTypesetter.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <mutex>

namespace zentrova {
namespace {

using Cell = TerminalBidi::Cell;
using SharedParagraphResult = TerminalBidi::SharedParagraphResult;

// A cache holding more than this many entries is emptied before the next one goes in.
constexpr size_t cacheLimit = 255;

uint64_t mixed(uint64_t value)
{
    value ^= value >> 30;
    value *= 0xbf58476d1ce4e5b9;
    value ^= value >> 27;
    value *= 0x94d049bb133111eb;
    return value ^ (value >> 31);
}

void combine(uint64_t& seed, uint64_t value)
{
    seed = mixed(seed ^ (value + 0x9e3779b97f4a7c15 + (seed << 6) + (seed >> 2)));
}

uint64_t stateBits(const BidiPresentationState& state)
{
    return std::hash<BidiPresentationState> {}(state);
}

// One paragraph at one position of one buffer at one content revision.
struct ParagraphKey {
    uint64_t buffer = 0;
    int firstRow = 0;
    int lastRow = 0;
    uint64_t revision = 0;
    int cols = 0;
    uint64_t font = 0;
    BidiPresentationState state;

    bool operator==(const ParagraphKey&) const = default;
};

// One paragraph's content wherever it stands.
struct ParagraphContentKey {
    uint64_t contentHash = 0;
    int rowCount = 0;
    int cols = 0;
    uint64_t font = 0;
    BidiPresentationState state;

    bool operator==(const ParagraphContentKey&) const = default;
};

struct ParagraphKeyHash {
    size_t operator()(const ParagraphKey& key) const
    {
        uint64_t seed = key.revision;
        for (uint64_t part : { key.buffer, uint64_t(key.firstRow), uint64_t(key.lastRow), uint64_t(key.cols), key.font,
                               stateBits(key.state) })
            combine(seed, part);
        return size_t(seed);
    }
};

struct ParagraphContentKeyHash {
    size_t operator()(const ParagraphContentKey& key) const
    {
        uint64_t seed = key.contentHash;
        for (uint64_t part : { uint64_t(key.rowCount), uint64_t(key.cols), key.font, stateBits(key.state) })
            combine(seed, part);
        return size_t(seed);
    }
};

// A built paragraph kept by content: its cells (rows relative to its first row) and its layouts by
// row offset, with revisions that rebasing replaces.
struct CachedParagraph {
    std::vector<Cell> cells;
    std::vector<std::optional<BidiRowLayout>> rowsByOffset;
    BidiDirection baseDirection = BidiDirection::leftToRight;
};

struct Caches {
    std::mutex lock;
    std::unordered_map<ParagraphKey, SharedParagraphResult, ParagraphKeyHash> paragraphs;
    std::unordered_map<ParagraphContentKey, std::shared_ptr<const CachedParagraph>, ParagraphContentKeyHash> contents;
    uint64_t contentHits = 0;
    uint64_t contentMisses = 0;
};

Caches& caches()
{
    static Caches instance;
    return instance;
}

// Called under the lock.
template <typename Map, typename Key, typename Value>
void storeBounded(Map& map, const Key& key, Value value)
{
    if (map.size() > cacheLimit)
        map.clear();
    map.insert_or_assign(key, std::move(value));
}

bool inRightToLeftBlock(char32_t scalar)
{
    return (scalar >= 0x0590 && scalar <= 0x08FF) || (scalar >= 0xFB1D && scalar <= 0xFDFF)
        || (scalar >= 0xFE70 && scalar <= 0xFEFC) || (scalar >= 0x10800 && scalar <= 0x10FFF)
        || (scalar >= 0x1E800 && scalar <= 0x1EFFF);
}

bool isValidScalar(uint32_t code)
{
    return code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
}

// The cell's text as the layout sees it: blanks and codes that are not scalars read as a space.
std::u32string cellText(const CharData& cell, const Terminal& terminal)
{
    const uint32_t code = cell.code();
    if (code == 0)
        return U" ";
    if (cell.isSimpleRune())
        return isValidScalar(code) ? std::u32string(1, char32_t(code)) : U" ";
    return terminal.character(code);
}

// Appends the row's cells up to its trimmed length and `cols`; returns the column after the last.
int collectRowCells(const BufferLine& line, int rowOffset, int cols, const Terminal& terminal, std::vector<Cell>& cells)
{
    const int end = std::min({ line.getTrimmedLength(), line.count(), cols });
    int col = 0;
    while (col < end) {
        const CharData& cell = line[col];
        const int width = std::max(cell.width(), 1);
        cells.push_back({ rowOffset, col, width, cellText(cell, terminal) });
        col += width;
    }
    return col;
}

std::optional<std::u32string> mirroredDisplay(const std::u32string& text, bool boxMirroring)
{
    if (text.size() != 1)
        return std::nullopt;
    if (const auto mirrored = TerminalBidi::mirror(text.front()))
        return std::u32string(1, *mirrored);
    if (boxMirroring)
        if (const auto mirrored = TerminalBidi::boxMirror(text.front()))
            return std::u32string(1, *mirrored);
    return std::nullopt;
}

// Lays out one row from its cells in visual order. Right-to-left rows put the blank columns beyond
// the text on the left.
BidiRowLayout rowLayout(std::span<const Cell> cells, std::span<const int> order,
                        std::span<const std::optional<std::u32string>> displays, int usedColumns, int cols,
                        BidiDirection base, uint64_t revision)
{
    BidiRowLayout layout;
    layout.baseDirection = base;
    layout.paragraphRevision = revision;
    layout.logicalToVisualCol.assign(size_t(cols), 0);
    layout.visualToLogicalCol.assign(size_t(cols), 0);
    layout.visualCells.reserve(size_t(cols));
    const int used = std::min(usedColumns, cols);
    int visual = 0;
    // The blank columns take their place in the maps too, or the caret and clicks on a right-to-left
    // row would land a tail's width away from the text drawn.
    const auto blank = [&](int col) {
        layout.visualCells.push_back({ col, 1, std::nullopt });
        layout.logicalToVisualCol[size_t(col)] = visual;
        layout.visualToLogicalCol[size_t(visual)] = col;
        visual++;
    };
    if (base == BidiDirection::rightToLeft)
        for (int col = cols - 1; col >= used; col--)
            blank(col);
    for (int index : order) {
        const Cell& cell = cells[size_t(index)];
        layout.visualCells.push_back({ cell.logicalCol, cell.width, displays[size_t(index)] });
        for (int k = 0; k < cell.width; k++) {
            if (cell.logicalCol + k >= 0 && cell.logicalCol + k < cols)
                layout.logicalToVisualCol[size_t(cell.logicalCol + k)] = visual + k;
            if (visual + k < cols)
                layout.visualToLogicalCol[size_t(visual + k)] = cell.logicalCol;
        }
        visual += cell.width;
    }
    if (base == BidiDirection::leftToRight)
        for (int col = used; col < cols; col++)
            blank(col);
    return layout;
}

struct ParagraphCells {
    std::vector<Cell> cells;
    std::vector<std::pair<int, int>> ranges; // per row offset: its cells, half open
    std::vector<int> usedColumns;            // per row offset: the column after its last cell
};

ParagraphCells collectParagraph(TerminalBidi::RowRange bounds, Buffer& buffer, int cols, const Terminal& terminal)
{
    const int rowCount = bounds.last - bounds.first + 1;
    ParagraphCells paragraph;
    paragraph.cells.reserve(size_t(rowCount) * size_t(std::clamp(cols, 0, 80)));
    paragraph.ranges.reserve(size_t(rowCount));
    paragraph.usedColumns.reserve(size_t(rowCount));
    for (int offset = 0; offset < rowCount; offset++) {
        const int start = int(paragraph.cells.size());
        const int used = collectRowCells(buffer.line(bounds.first + offset), offset, cols, terminal, paragraph.cells);
        paragraph.ranges.emplace_back(start, int(paragraph.cells.size()));
        paragraph.usedColumns.push_back(used);
    }
    return paragraph;
}

uint64_t contentHash(std::span<const Cell> cells)
{
    uint64_t seed = cells.size();
    for (const Cell& cell : cells) {
        combine(seed, uint64_t(cell.row) << 40 | uint64_t(uint32_t(cell.logicalCol)) << 8 | uint8_t(cell.width));
        for (char32_t scalar : cell.text)
            combine(seed, scalar);
    }
    return seed;
}

// The layouts by row offset of a paragraph's cells; a row the typesetter cannot lay out gets none.
CachedParagraph buildParagraph(ParagraphCells paragraph, int cols, const BidiPresentationState& state,
                               bool hasPotentialRTL, uint64_t revision)
{
    CachedParagraph built;
    BidiDirection base = state.fallbackDirection;
    if (state.autodetectDirection)
        base = TerminalBidi::detectedBaseDirection(paragraph.cells, base);
    built.baseDirection = base;
    built.rowsByOffset.resize(paragraph.ranges.size());
    if (!hasPotentialRTL && base == BidiDirection::leftToRight) {
        built.cells = std::move(paragraph.cells);
        return built;
    }

    std::vector<char16_t> probe;
    probe.reserve(paragraph.cells.size());
    for (const Cell& cell : paragraph.cells)
        probe.push_back(TerminalBidi::probeScalar(cell.text));
    const auto typesetter = BidiTypesetter::make(std::move(probe), base);
    auto displays = TerminalBidi::shapeArabic(paragraph.cells);

    for (size_t offset = 0; offset < paragraph.ranges.size(); offset++) {
        const auto [lower, upper] = paragraph.ranges[offset];
        std::optional<BidiTypesetter::VisualOrder> visual;
        if (lower == upper)
            visual = BidiTypesetter::VisualOrder {};
        else if (typesetter)
            visual = typesetter->computeVisualOrder(lower, upper, base);
        if (!visual)
            continue;
        for (int local = 0; local < upper - lower; local++) {
            auto& display = displays[size_t(lower + local)];
            if (visual->rtl[size_t(local)] && !display)
                display = mirroredDisplay(paragraph.cells[size_t(lower + local)].text, state.boxMirroring);
        }
        const auto rowCells = std::span(paragraph.cells).subspan(size_t(lower), size_t(upper - lower));
        const auto rowDisplays = std::span(displays).subspan(size_t(lower), size_t(upper - lower));
        built.rowsByOffset[offset]
            = rowLayout(rowCells, visual->order, rowDisplays, paragraph.usedColumns[offset], cols, base, revision);
    }
    built.cells = std::move(paragraph.cells);
    return built;
}

// The cached layouts moved to the paragraph's rows now, under its current revision.
SharedParagraphResult rebase(const CachedParagraph& cached, int firstRow, uint64_t revision)
{
    auto result = std::make_shared<TerminalBidi::ParagraphResult>();
    result->baseDirection = cached.baseDirection;
    for (size_t offset = 0; offset < cached.rowsByOffset.size(); offset++) {
        if (!cached.rowsByOffset[offset])
            continue;
        BidiRowLayout layout = *cached.rowsByOffset[offset];
        layout.paragraphRevision = revision;
        result->rows.emplace(firstRow + int(offset), std::move(layout));
    }
    return result;
}

} // namespace

bool TerminalBidi::isRightToLeftTrigger(char32_t scalar)
{
    return inRightToLeftBlock(scalar) || scalar == 0x200F || scalar == 0x202B || scalar == 0x202E || scalar == 0x2067;
}

bool TerminalBidi::mayNeedBidi(const BufferLine& line, int cols, const Terminal& terminal)
{
    const int end = std::min(line.count(), cols);
    const CharData* cells = line.data();
    for (int col = 0; col < end;) {
        const CharData& cell = cells[col];
        col += std::max(cell.width(), 1);
        const uint32_t code = cell.code();
        if (code < 0x0590)
            continue;
        if (cell.isSimpleRune()) {
            if (isRightToLeftTrigger(code))
                return true;
            continue;
        }
        if (const std::u32string* cluster = terminal.internedCharacters().cluster(code))
            if (std::any_of(cluster->begin(), cluster->end(), isRightToLeftTrigger))
                return true;
    }
    return false;
}

std::optional<TerminalBidi::RowRange> TerminalBidi::paragraphBounds(int row, Buffer& buffer, int maximumRows)
{
    const int count = buffer.lines().count();
    if (row < 0 || row >= count)
        return std::nullopt;
    maximumRows = std::max(maximumRows, 1);
    // The walks stop as soon as the paragraph is too long: a long wrapped run is never laid out.
    RowRange bounds { row, row };
    while (bounds.first > 0 && buffer.line(bounds.first).isWrapped()) {
        if (bounds.last - --bounds.first >= maximumRows)
            return std::nullopt;
    }
    while (bounds.last + 1 < count && buffer.line(bounds.last + 1).isWrapped()) {
        if (++bounds.last - bounds.first >= maximumRows)
            return std::nullopt;
    }
    return bounds;
}

uint64_t TerminalBidi::paragraphRevision(RowRange rows, Buffer& buffer)
{
    uint64_t seed = 0;
    for (int row = rows.first; row <= rows.last; row++) {
        const BufferLine& line = buffer.line(row);
        combine(seed, line.id());
        combine(seed, line.generation());
        combine(seed, line.isWrapped());
    }
    return seed;
}

BidiDirection TerminalBidi::detectedBaseDirection(std::span<const Cell> cells, BidiDirection fallback)
{
    for (const Cell& cell : cells) {
        for (char32_t scalar : cell.text) {
            if (scalar == 0x200E)
                return BidiDirection::leftToRight;
            if (scalar == 0x200F)
                return BidiDirection::rightToLeft;
            if (u_hasBinaryProperty(UChar32(scalar), UCHAR_ALPHABETIC))
                return inRightToLeftBlock(scalar) ? BidiDirection::rightToLeft : BidiDirection::leftToRight;
        }
    }
    return fallback;
}

char16_t TerminalBidi::probeScalar(std::u32string_view text)
{
    const char32_t scalar = text.empty() ? U' ' : text.front();
    if (u_getCombiningClass(UChar32(scalar)) != 0 || u_charType(UChar32(scalar)) == U_NON_SPACING_MARK
        || u_charType(UChar32(scalar)) == U_ENCLOSING_MARK)
        return u'\u00B7';
    // Arabic letters become a letter that never joins, so the typesetter does no shaping of its own.
    const bool arabicLetter = (scalar >= 0x0620 && scalar <= 0x064A) || (scalar >= 0x066E && scalar <= 0x066F)
        || (scalar >= 0x0671 && scalar <= 0x06D5) || (scalar >= 0x06EE && scalar <= 0x06EF)
        || (scalar >= 0x06FA && scalar <= 0x06FF) || (scalar >= 0x0750 && scalar <= 0x077F)
        || (scalar >= 0x0870 && scalar <= 0x088F) || (scalar >= 0x08A0 && scalar <= 0x08D2) || scalar == 0x200D;
    if (arabicLetter)
        return u'\u0621';
    if (scalar <= 0xFFFF)
        return char16_t(scalar);
    if ((scalar >= 0x10800 && scalar <= 0x10FFF) || (scalar >= 0x1E800 && scalar <= 0x1EFFF))
        return u'\u200F';
    return u'\u00B7';
}

TerminalBidi::SharedParagraphResult TerminalBidi::paragraphResult(int row, Buffer& buffer, int cols,
                                                                  const Terminal& terminal, uint64_t font)
{
    if (cols < 1 || row < 0 || row >= buffer.lines().count()
        || buffer.line(row).bidiState().supportMode == BidiSupportMode::explicit_)
        return nullptr;
    const auto bounds = paragraphBounds(row, buffer, terminal.options.maximumBidiParagraphRows());
    if (!bounds)
        return nullptr;
    // The paragraph follows the state of its first row, whichever row asks.
    const BidiPresentationState state = buffer.line(bounds->first).bidiState();
    const uint64_t revision = paragraphRevision(*bounds, buffer);
    const ParagraphKey key { buffer.id(), bounds->first, bounds->last, revision, cols, font, state };
    Caches& shared = caches();
    {
        std::lock_guard guard(shared.lock);
        if (const auto hit = shared.paragraphs.find(key); hit != shared.paragraphs.end())
            return hit->second;
    }

    bool hasPotentialRTL = false;
    for (int each = bounds->first; each <= bounds->last && !hasPotentialRTL; each++)
        hasPotentialRTL = mayNeedBidi(buffer.line(each), cols, terminal);
    if (!hasPotentialRTL && state.fallbackDirection == BidiDirection::leftToRight) {
        auto empty = std::make_shared<const ParagraphResult>();
        std::lock_guard guard(shared.lock);
        storeBounded(shared.paragraphs, key, empty);
        return empty;
    }

    ParagraphCells paragraph = collectParagraph(*bounds, buffer, cols, terminal);
    const ParagraphContentKey contentKey { contentHash(paragraph.cells), bounds->last - bounds->first + 1, cols, font,
                                           state };
    std::shared_ptr<const CachedParagraph> cached;
    {
        std::lock_guard guard(shared.lock);
        if (const auto hit = shared.contents.find(contentKey);
            hit != shared.contents.end() && hit->second->cells == paragraph.cells) {
            shared.contentHits++;
            cached = hit->second;
        } else {
            shared.contentMisses++;
        }
    }
    if (!cached) {
        auto built = std::make_shared<const CachedParagraph>(
            buildParagraph(std::move(paragraph), cols, state, hasPotentialRTL, revision));
        std::lock_guard guard(shared.lock);
        storeBounded(shared.contents, contentKey, built);
        cached = std::move(built);
    }
    SharedParagraphResult result = rebase(*cached, bounds->first, revision);
    std::lock_guard guard(shared.lock);
    storeBounded(shared.paragraphs, key, result);
    return result;
}

std::optional<BidiRowLayout> TerminalBidi::explicitRightToLeftLayout(int row, Buffer& buffer, int cols,
                                                                     const Terminal& terminal)
{
    if (cols < 1 || row < 0 || row >= buffer.lines().count())
        return std::nullopt;
    const BufferLine& line = buffer.line(row);
    std::vector<Cell> cells;
    const int used = collectRowCells(line, 0, cols, terminal, cells);
    std::vector<int> order(cells.size());
    std::vector<std::optional<std::u32string>> displays(cells.size());
    for (size_t index = 0; index < cells.size(); index++) {
        order[index] = int(cells.size() - 1 - index);
        displays[index] = mirroredDisplay(cells[index].text, line.bidiState().boxMirroring);
    }
    return rowLayout(cells, order, displays, used, cols, BidiDirection::rightToLeft, line.generation());
}

TerminalBidi::RowRange TerminalBidi::renderingDependencyRange(RowRange rows, Buffer& buffer, int maximumRows)
{
    const int count = buffer.lines().count();
    if (count == 0)
        return rows;
    const int lower = std::clamp(rows.first, 0, count - 1);
    RowRange widened { lower, std::clamp(rows.last, lower, count - 1) };
    const auto implicitBounds = [&](int row) -> std::optional<RowRange> {
        if (buffer.line(row).bidiState().supportMode != BidiSupportMode::implicit)
            return std::nullopt;
        return paragraphBounds(row, buffer, maximumRows);
    };
    if (const auto first = implicitBounds(widened.first)) {
        widened.first = first->first;
        if (widened.last <= first->last)
            return *first;
    }
    if (const auto last = implicitBounds(widened.last))
        widened.last = last->last;
    return widened;
}

uint64_t TerminalBidi::layoutRevision(int row, Buffer& buffer, int maximumRows)
{
    if (row < 0 || row >= buffer.lines().count()
        || buffer.line(row).bidiState().supportMode == BidiSupportMode::explicit_)
        return 0;
    const auto bounds = paragraphBounds(row, buffer, maximumRows);
    return bounds ? paragraphRevision(*bounds, buffer) : 0;
}

TerminalBidi::CacheStatistics TerminalBidi::cacheStatistics()
{
    Caches& shared = caches();
    std::lock_guard guard(shared.lock);
    return { shared.contentHits, shared.contentMisses, shared.paragraphs.size(), shared.contents.size() };
}

void TerminalBidi::clearCaches()
{
    Caches& shared = caches();
    std::lock_guard guard(shared.lock);
    shared.paragraphs.clear();
    shared.contents.clear();
    shared.contentHits = 0;
    shared.contentMisses = 0;
}

} // namespace zentrova
