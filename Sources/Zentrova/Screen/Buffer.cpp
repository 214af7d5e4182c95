#include "Zentrova/Screen/Buffer.h"

#include <algorithm>
#include <limits>

namespace zentrova {
namespace {

// The attribute new rows are made with: default colours, no style (CharData::Null's).
const Attribute& defaultAttribute()
{
    static const Attribute attribute = CharData::Null.attribute();
    return attribute;
}

// Out of line, so the cell the print path copies stays whole in registers.
[[gnu::noinline]] CharData withPayload(CharData cell, TinyAtom payload, uint8_t semanticCode)
{
    cell.setPayload(payload);
    cell.setSemanticContentCode(semanticCode);
    return cell;
}

} // namespace

Buffer::Buffer(int cols, int rows, int tabStopWidth, std::optional<int> scrollback, const BidiPresentationState& bidiState,
               std::unique_ptr<CircularBufferLineList> reusedLines)
    : defaultBidiState(bidiState)
    , m_cols(cols)
    , m_rows(rows)
    , m_scrollback(scrollback)
    , m_hasScrollback(scrollback.has_value())
    , m_scrollBottom(rows - 1)
    , m_marginRight(cols - 1)
    , m_tabStops(size_t(std::max(cols, 0)), false)
{
    const int capacity = getCorrectBufferLength(rows);
    if (reusedLines && reusedLines->maxLength() == capacity) {
        reusedLines->clear();
        m_lines = adoptRing(std::move(reusedLines));
    } else {
        m_lines = makeRing(capacity);
    }
    setupTabStops(-1, tabStopWidth);
}

std::unique_ptr<CircularBufferLineList> Buffer::makeRing(int capacity)
{
    return adoptRing(std::make_unique<CircularBufferLineList>(capacity));
}

std::unique_ptr<CircularBufferLineList> Buffer::adoptRing(std::unique_ptr<CircularBufferLineList> ring)
{
    ring->makeEmpty = [this](int) { return getBlankLine(defaultAttribute()); };
    // The ring lives inside this buffer, so the callbacks cannot outlive it.
    ring->onLineRecycled = [this](bool hadImages) {
        if (hadImages)
            m_linesWithImagesCount--;
    };
    ring->onLinePushed = [this](bool hasImages) {
        if (hasImages)
            m_linesWithImagesCount++;
    };
    ring->onLineAttached = [this](BufferLine& line) { line.setOwningBuffer(this); };
    ring->log = [this](std::string_view line) {
        if (log)
            log(line);
    };
    return ring;
}

void Buffer::setYDisp(int yDisp)
{
    if (yDisp >= 0)
        m_yDisp = yDisp;
}

void Buffer::setScrollTop(int row)
{
    if (row >= 0)
        m_scrollTop = row;
}

void Buffer::setScrollBottom(int row)
{
    if (row >= 0)
        m_scrollBottom = row;
}

bool Buffer::isCursorInViewPort() const
{
    const int shownRow = m_yBase + m_y - m_yDisp;
    return shownRow >= 0 && shownRow < m_rows;
}

int Buffer::getCorrectBufferLength(int rows) const
{
    if (!m_hasScrollback)
        return rows;
    const int64_t length = int64_t(rows) + m_scrollback.value_or(0);
    return int(std::min<int64_t>(length, std::numeric_limits<int32_t>::max()));
}

std::shared_ptr<BufferLine> Buffer::getBlankLine(const Attribute& attribute, bool isWrapped)
{
    auto line = std::make_shared<BufferLine>(m_cols, CharData(attribute, 0, 1), isWrapped, defaultBidiState);
    line->setOwningBuffer(this);
    return line;
}

CharData Buffer::getNullCell(std::optional<Attribute> attribute)
{
    return CharData(attribute.value_or(Attribute::empty), ' ', 1);
}

void Buffer::fillViewportRows(std::optional<Attribute> attribute)
{
    if (m_lines->count() != 0)
        return;
    for (int row = 0; row < m_rows; row++)
        m_lines->push(getBlankLine(attribute.value_or(defaultAttribute())));
}

CharData Buffer::getChar(const Position& at)
{
    return getCharAtBufferRelative({ at.col, at.row + m_yDisp });
}

CharData Buffer::getCharAtBufferRelative(const Position& at)
{
    if (at.row < 0 || at.row >= m_lines->count())
        return CharData::Null;
    const BufferLine& row = line(at.row);
    if (at.col < 0 || at.col >= row.count())
        return CharData::Null;
    return row[at.col];
}

void Buffer::clear()
{
    m_yDisp = m_yBase = m_x = m_y = 0;
    xBase = 0;
    linesTop = 0;
    m_lines = makeRing(getCorrectBufferLength(m_rows));
    m_linesWithImagesCount = 0;
    m_lastFoundRow = 0;
    m_scrollTop = 0;
    m_scrollBottom = m_rows - 1;
    m_marginLeft = 0;
    m_marginRight = m_cols - 1;
    semanticContent = SemanticContent::none;
    semanticInput = SemanticInputState::idle;
    activeSemanticGroupID = 0;
    semanticGroupCounter = 0;
    semanticPromptStartLine.reset();
    semanticPromptStartRowCache = 0;
}

void Buffer::softReset()
{
    savedX = savedY = 0;
    savedAttr = defaultAttribute();
    savedCharset.reset();
    m_marginLeft = 0;
    m_marginRight = m_cols - 1;
    savedOriginMode = savedMarginMode = savedWraparound = savedReverseWraparound = false;
}

void Buffer::clearScrollback()
{
    if (m_yBase <= 0)
        return;
    m_lines->trimStart(m_yBase);
    savedY = std::max(savedY - m_yBase, 0);
    m_yBase = m_yDisp = 0;
}

void Buffer::changeHistorySize(std::optional<int> scrollback)
{
    m_scrollback = scrollback;
    m_hasScrollback = scrollback.has_value();
    const int capacity = getCorrectBufferLength(m_rows);
    if (capacity < m_lines->maxLength())
        shrinkRing(capacity);
    else if (capacity > m_lines->maxLength())
        m_lines->setMaxLength(capacity);
}

void Buffer::shrinkRing(int capacity)
{
    // The oldest rows that no longer fit go, and the row numbers that count from them follow.
    const int diff = m_lines->count() - capacity;
    if (diff > 0) {
        m_lines->trimStart(diff);
        m_yBase = std::max(m_yBase - diff, 0);
        m_yDisp = std::max(m_yDisp - diff, 0);
        savedY = std::max(savedY - diff, 0);
    }
    m_lines->setMaxLength(capacity);
}

void Buffer::resize(int newCols, int newRows)
{
    m_marginRight = std::min(m_marginRight, newCols - 1);
    m_marginLeft = std::min(m_marginLeft, m_marginRight);
    const int capacity = getCorrectBufferLength(newRows);
    if (m_lines->maxLength() < capacity)
        m_lines->setMaxLength(capacity);

    if (m_lines->count() > 0) {
        if (m_cols < newCols) {
            for (int index = 0; index < m_lines->count(); index++)
                line(index).resize(newCols, CharData::Null);
        }
        int addToY = 0;
        for (int row = m_rows; row < newRows && m_lines->count() < newRows + m_yBase; row++) {
            if (m_yBase > 0 && m_lines->count() <= m_yBase + row + addToY + 1) {
                // A row comes back from the scrollback above the screen.
                m_yBase--;
                addToY++;
                if (m_yDisp > 0)
                    m_yDisp--;
            } else {
                m_lines->push(std::make_shared<BufferLine>(newCols, CharData::Null, false, defaultBidiState));
            }
        }
        for (int row = m_rows; row > newRows && m_lines->count() > newRows + m_yBase; row--) {
            if (m_lines->count() > m_yBase + m_y + 1) {
                // Rows below the cursor go first.
                m_lines->setCount(m_lines->count() - 1);
            } else {
                // Then the top of the screen moves into the scrollback, keeping the cursor's row.
                m_yBase++;
                m_yDisp++;
            }
        }
        if (m_lines->maxLength() > capacity)
            shrinkRing(capacity);
        m_x = std::min(m_x, newCols - 1);
        m_y = std::min(m_y, newRows - 1) + addToY;
        savedX = std::min(savedX, newCols - 1);
        m_scrollTop = 0;
    }
    m_scrollBottom = newRows - 1;
    m_tabStops.resize(size_t(std::max(newCols, 0)), false);
    if (isReflowEnabled() && m_cols != newCols) {
        if (m_cols < newCols)
            reflowWider(m_cols, newCols, newRows);
        else
            reflowNarrower(m_cols, newCols, newRows);
        recalculateLinesWithImagesCount();
        if (m_cols > newCols) {
            for (int index = 0; index < m_lines->count(); index++)
                line(index).resize(newCols, CharData::Null);
        }
    }
    ensureRowsCover(newCols);
    m_cols = newCols;
    m_rows = newRows;
}

void Buffer::setupTabStops(int index, int tabStopWidth)
{
    tabStopWidth = std::max(tabStopWidth, 1);
    int start = 0;
    if (index < 0) {
        m_tabStops.assign(size_t(m_cols), false);
    } else {
        m_tabStops.resize(size_t(m_cols), false);
        const int probe = std::min(m_cols - 1, index);
        start = m_tabStops[size_t(probe)] ? index : previousTabStop(probe);
    }
    for (int col = start; col < m_cols; col += tabStopWidth)
        m_tabStops[size_t(col)] = true;
}

int Buffer::previousTabStop(int col) const
{
    if (col == -1)
        col = m_x;
    int found = 0;
    for (int i = std::min(col, int(m_tabStops.size())) - 1; i >= 0; i--) {
        if (m_tabStops[size_t(i)]) {
            found = i;
            break;
        }
    }
    return std::min(found, m_cols - 1);
}

int Buffer::nextTabStop(bool marginMode, int col) const
{
    const int limit = marginMode ? m_marginRight : m_cols - 1;
    if (col == -1)
        col = m_x;
    for (int i = std::max(col + 1, 0); i < limit && i < int(m_tabStops.size()); i++) {
        if (m_tabStops[size_t(i)])
            return i;
    }
    return limit;
}

void Buffer::tabSet(int pos)
{
    if (pos >= 0 && pos < int(m_tabStops.size()))
        m_tabStops[size_t(pos)] = true;
}

void Buffer::tabClear(int pos)
{
    if (pos >= 0 && pos < int(m_tabStops.size()))
        m_tabStops[size_t(pos)] = false;
}

void Buffer::wrapCursor()
{
    m_x = marginMode ? m_marginLeft : 0;
    if (m_y < m_scrollBottom) {
        m_y++;
        BufferLine& row = line(m_y + m_yBase);
        row.setIsWrapped(true);
        row.setBidiState(line(m_y + m_yBase - 1).bidiState());
    } else if (scroll) {
        scroll(true);
    }
}

void Buffer::insertCharacter(CharData character, const PayloadResolver& resolvePayload)
{
    placeCharacter(character, resolvePayload ? resolvePayload().value_or(TinyAtom {}) : TinyAtom {},
                   semanticContent.code());
}

// Without wraparound the cursor stays on a right margin inside the screen: the column after it lies
// outside the margins, where a cursor movement would start from. Only the screen's last column
// leaves the cursor one past it, the wait that every movement ends.
void Buffer::placeCharacter(CharData character, TinyAtom payload, uint8_t semanticCode)
{
    const int right = marginMode ? m_marginRight : m_cols - 1;
    const int width = character.width();

    if (m_x + width - 1 > right) {
        if (wraparound) {
            wrapCursor();
        } else {
            // No room and no wrapping: a wide character cannot be split, anything else overwrites
            // the last cell.
            if (width == 2)
                return;
            m_x = right;
        }
    }

    m_x = std::min(m_x, m_cols - 1);
    BufferLine& row = line(m_y + m_yBase);
    // The character replaces whole characters: halves left of and right of it are blanked.
    row.breakWideCharacterAt(m_x);
    if (insertMode) {
        const CharData fill(curAttr, 0, 1);
        row.insertCells(m_x, width, right, fill);
        // A wide character pushed to the last column lost its right half.
        if (row[std::min(m_cols - 1, row.count() - 1)].width() == 2)
            row.setCell(m_cols - 1, fill);
    } else {
        row.breakWideCharacterAt(m_x + width);
    }

    // Only when they differ: rewriting part of the cell just before copying it stalls the copy.
    if (!(character.payload() == payload) || character.semanticContentCode() != semanticCode)
        character = withPayload(character, payload, semanticCode);
    row.setCell(m_x, character);
    m_x++;

    if (width > 1) {
        // The right half: no character, the same attribute, payload and semantic content.
        const CharData filler = character.withValue(0, 0);
        for (int i = 1; i < width && m_x < m_cols; i++) {
            row.setCell(m_x, filler);
            m_x++;
        }
    }
    if (!wraparound && m_x == right + 1 && right < m_cols - 1)
        m_x = right;
}

int Buffer::insertAsciiRun(std::span<const uint8_t> bytes, const Attribute& attribute,
                           const PayloadResolver& resolvePayload)
{
    if (insertMode || bytes.empty())
        return 0;
    const int right = marginMode ? m_marginRight : m_cols - 1;
    const TinyAtom payload = resolvePayload ? resolvePayload().value_or(TinyAtom {}) : TinyAtom {};
    const uint8_t semanticCode = semanticContent.code();
    if (!m_asciiCellValid || !(attribute == m_asciiAttribute) || !(payload == m_asciiCell.payload())
        || semanticCode != m_asciiCell.semanticContentCode()) {
        m_asciiCellValid = true;
        m_asciiAttribute = attribute;
        m_asciiCell = CharData(attribute, 0, 1, payload, semanticCode);
    }

    size_t written = 0;
    while (written < bytes.size()) {
        if (m_x > right) {
            if (!wraparound)
                return int(written);
            wrapCursor();
        }
        const size_t chunk = std::min(bytes.size() - written, size_t(std::max(right - m_x + 1, 1)));
        BufferLine& row = line(m_y + m_yBase);
        row.breakWideCharacterAt(m_x);
        row.breakWideCharacterAt(m_x + int(chunk));
        row.setAsciiCells(m_x, bytes.subspan(written, chunk), m_asciiCell);
        m_x += int(chunk);
        written += chunk;
        if (!wraparound && m_x == right + 1 && right < m_cols - 1) {
            m_x = right;
            return int(written);
        }
    }
    return int(written);
}

std::optional<int> Buffer::findRow(int hint, const std::function<bool(const BufferLine&)>& predicate)
{
    const int count = m_lines->count();
    if (count == 0)
        return std::nullopt;
    hint = std::clamp(hint, 0, count - 1);
    for (int distance = 0; hint - distance >= 0 || hint + distance < count; distance++) {
        if (hint + distance < count && predicate(line(hint + distance)))
            return hint + distance;
        if (distance > 0 && hint - distance >= 0 && predicate(line(hint - distance)))
            return hint - distance;
    }
    return std::nullopt;
}

std::optional<int> Buffer::absoluteRow(const BufferLine& row)
{
    auto found = findRow(m_lastFoundRow, [&](const BufferLine& candidate) { return &candidate == &row; });
    if (found)
        m_lastFoundRow = *found;
    return found;
}

void Buffer::clearImagesFromLine(int ringIndex)
{
    if (ringIndex < 0 || ringIndex >= m_lines->count())
        return;
    BufferLine& row = line(ringIndex);
    if (!row.images())
        return;
    m_linesWithImagesCount--;
    row.setImages(std::nullopt);
}

void Buffer::attachImage(std::shared_ptr<TerminalImage> image, int ringIndex)
{
    if (ringIndex < 0 || ringIndex >= m_lines->count())
        return;
    BufferLine& row = line(ringIndex);
    BufferLine::Images images = row.images().value_or(BufferLine::Images());
    images.push_back(std::move(image));
    replaceImagesOnLine(ringIndex, std::move(images));
}

void Buffer::replaceImagesOnLine(int ringIndex, BufferLine::Images images)
{
    if (ringIndex < 0 || ringIndex >= m_lines->count())
        return;
    BufferLine& row = line(ringIndex);
    const bool had = row.images().has_value();
    if (images.empty()) {
        if (had)
            m_linesWithImagesCount--;
        row.setImages(std::nullopt);
        return;
    }
    if (!had)
        m_linesWithImagesCount++;
    row.setImages(std::move(images));
}

void Buffer::recalculateLinesWithImagesCount()
{
    int count = 0;
    for (int i = 0; i < m_lines->count(); i++) {
        if (line(i).images())
            count++;
    }
    m_linesWithImagesCount = count;
}

} // namespace zentrova
