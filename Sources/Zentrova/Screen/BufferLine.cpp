#include "Zentrova/Screen/BufferLine.h"

#include "Zentrova/Screen/Buffer.h"
#include "Zentrova/Screen/Utf8.h"

#include <algorithm>
#include <cstring>

namespace zentrova {
namespace {

CharData blankCell(const Attribute& attribute)
{
    return CharData(attribute, 0, 1);
}

} // namespace

BufferLine::BufferLine(int cols, std::optional<CharData> fillData, bool isWrapped, const BidiPresentationState& bidiState)
    : m_isWrapped(isWrapped)
    , m_bidiState(bidiState)
    , m_fillCharacter(fillData.value_or(CharData::Null))
{
    allocate(std::max(cols, 0));
    m_dataSize = m_capacity;
    std::fill_n(m_data.get(), m_dataSize, m_fillCharacter);
    m_blankCell = m_fillCharacter;
}

BufferLine::BufferLine(const BufferLine& from)
    : m_isWrapped(from.m_isWrapped)
    , m_bidiState(from.m_bidiState)
    , m_renderMode(from.m_renderMode)
    , m_semanticMarks(from.m_semanticMarks)
    , m_semanticHardContinuationGroup(from.m_semanticHardContinuationGroup)
    , m_fillCharacter(from.m_fillCharacter)
    , m_blankFrom(from.m_blankFrom)
    , m_blankCell(from.m_blankCell)
    , m_images(from.m_images)
{
    allocate(from.m_dataSize);
    m_dataSize = from.m_dataSize;
    std::copy_n(from.m_data.get(), m_dataSize, m_data.get());
}

void BufferLine::allocate(int capacity)
{
    m_data = capacity > 0 ? std::make_unique<CharData[]>(size_t(capacity)) : nullptr;
    m_capacity = capacity;
}

const CharData& BufferLine::operator[](int col) const
{
    if (m_dataSize == 0)
        return CharData::Null;
    return m_data[size_t(std::clamp(col, 0, m_dataSize - 1))];
}

void BufferLine::setClampedCell(int col, const CharData& cell)
{
    if (m_owningBuffer && m_owningBuffer->log)
        m_owningBuffer->log(clampMessage);
    if (m_dataSize == 0)
        return;
    const int clamped = std::clamp(col, 0, m_dataSize - 1);
    m_data[size_t(clamped)] = cell;
    m_generation++;
    noteChanged(clamped + 1);
}

void BufferLine::noteFilled(int from, int end, const CharData& cell)
{
    if (from >= end)
        return;
    if (end >= m_dataSize && !(cell == m_blankCell)) {
        m_blankFrom = from;
        m_blankCell = cell;
    } else if (cell == m_blankCell && end >= m_blankFrom) {
        m_blankFrom = std::min(m_blankFrom, from);
    } else {
        noteChanged(end);
    }
}

bool BufferLine::hasContent(int index) const
{
    const auto& cell = (*this)[index];
    return cell.code() != 0 || !cell.hasDefaultAttribute();
}

bool BufferLine::hasAnyContent() const
{
    for (int col = 0; col < m_dataSize; col++) {
        if (hasContent(col))
            return true;
    }
    return false;
}

int BufferLine::getTrimmedLength() const
{
    for (int col = m_dataSize - 1; col >= 0; col--) {
        if (m_data[size_t(col)].code() != 0)
            return col + m_data[size_t(col)].width();
    }
    return 0;
}

std::vector<CharData> BufferLine::getData() const
{
    return std::vector<CharData>(m_data.get(), m_data.get() + m_dataSize);
}

std::string BufferLine::translateToString(bool trimRight, int startCol, int endCol, bool skipNullCellsFollowingWide,
                                          const CharacterProvider& characterProvider) const
{
    int end = endCol == -1 ? m_dataSize : std::min(endCol, m_dataSize);
    if (trimRight)
        end = std::max(startCol, std::min(getTrimmedLength(), end));
    std::string text;
    for (int col = std::max(startCol, 0); col < end; col++) {
        const auto& cell = m_data[size_t(col)];
        if (skipNullCellsFollowingWide && cell.code() == 0 && col > 0 && m_data[size_t(col - 1)].width() == 2)
            continue;
        if (characterProvider)
            text += characterProvider(cell);
        else
            appendUtf8(text, cell.getCharacter());
        if (skipNullCellsFollowingWide && cell.width() == 2 && col + 1 < end && m_data[size_t(col + 1)].code() == 0)
            col++;
    }
    return text;
}

std::string BufferLine::debugDescription() const
{
    std::string text;
    for (int col = 0; col < m_dataSize; col++)
        appendUtf8(text, m_data[size_t(col)].getCharacter());
    return text;
}

void BufferLine::fill(const CharData& cell)
{
    std::fill_n(m_data.get(), m_capacity, cell);
    m_generation++;
    m_blankFrom = 0;
    m_blankCell = cell;
}

void BufferLine::fill(const CharData& cell, int atCol, int len)
{
    int from = std::clamp(atCol, 0, m_dataSize);
    int to = std::clamp(atCol + len, from, m_dataSize);
    std::fill(m_data.get() + from, m_data.get() + to, cell);
    m_generation++;
    noteFilled(from, to, cell);
}

void BufferLine::breakWideCharacter(int col)
{
    CharData* cells = m_data.get();
    if (cells[col - 1].width() != 2)
        return;
    const CharData blank(cells[col - 1].attribute(), 0, 1);
    cells[col - 1] = blank;
    cells[col] = blank;
    m_generation++;
    noteChanged(col + 1);
}

void BufferLine::replaceCells(int start, int end, const CharData& fillData)
{
    breakWideCharacterAt(start);
    breakWideCharacterAt(end);
    int stop = std::min(end, m_dataSize);
    if (start < stop) {
        const int from = std::max(start, 0);
        // The blank tail already holds the fill when it is the same cell: an erase to the end of
        // a row writes only the cells before it.
        const int written = fillData == m_blankCell ? std::clamp(m_blankFrom, from, stop) : stop;
        std::fill(m_data.get() + from, m_data.get() + written, fillData);
        noteFilled(from, stop, fillData);
    }
    m_generation++;
}

void BufferLine::insertCells(int pos, int n, int rightMargin, const CharData& fillData)
{
    // A row shorter than the margin only shifts the cells it has.
    int len = std::min(rightMargin + 1, m_dataSize);
    if (len > 0 && n > 0) {
        pos = pos % len;
        breakWideCharacterAt(pos);
        breakWideCharacterAt(len);
        CharData* cells = m_data.get();
        if (n < len - pos) {
            std::memmove(static_cast<void*>(cells + pos + n), cells + pos, size_t(len - n - pos) * sizeof(CharData));
            std::fill(cells + pos, cells + pos + n, fillData);
            // A wide character pushed against the margin lost its right half.
            if (cells[len - 1].width() == 2)
                cells[len - 1] = CharData(cells[len - 1].attribute(), 0, 1);
        } else {
            std::fill(cells + pos, cells + len, fillData);
        }
        noteChanged(len);
    }
    m_generation++;
    marksShift(pos, n, rightMargin);
}

void BufferLine::deleteCells(int pos, int n, int rightMargin, const CharData& fillData)
{
    int len = std::min(rightMargin + 1, m_dataSize);
    if (len > 0 && n > 0) {
        pos = std::clamp(pos, 0, len - 1);
        breakWideCharacterAt(pos);
        breakWideCharacterAt(std::min(pos + n, len));
        breakWideCharacterAt(len);
        CharData* cells = m_data.get();
        if (n < len - pos) {
            std::memmove(static_cast<void*>(cells + pos), cells + pos + n, size_t(len - pos - n) * sizeof(CharData));
            std::fill(cells + len - n, cells + len, fillData);
        } else {
            std::fill(cells + pos, cells + len, fillData);
        }
        noteChanged(len);
    }
    m_generation++;
    marksShift(pos, -n, rightMargin);
}

void BufferLine::copyFrom(BufferLine& source, int srcCol, int dstCol, int len)
{
    bool wholeRow = srcCol == 0 && dstCol == 0 && len >= m_dataSize;
    if (srcCol >= 0 && dstCol >= 0)
        len = std::min({ len, source.m_dataSize - srcCol, m_dataSize - dstCol });
    if (len > 0 && srcCol >= 0 && dstCol >= 0) {
        std::memmove(static_cast<void*>(m_data.get() + dstCol), source.m_data.get() + srcCol,
                     size_t(len) * sizeof(CharData));
        noteChanged(dstCol + len);
    }
    m_generation++;

    std::vector<SemanticMark> moving;
    for (const auto& mark : source.m_semanticMarks) {
        if (mark.column >= srcCol && mark.column < srcCol + len)
            moving.push_back(mark);
    }
    // Read before the marks move: the origin is found on the start row's marks.
    std::optional<Buffer::SemanticOrigin> origin;
    if (!moving.empty() && m_owningBuffer)
        origin = m_owningBuffer->rawSemanticOrigin();
    // The marks of the source span travel with its cells; those of the destination span were
    // overwritten with them.
    size_t sourceMarks = source.m_semanticMarks.size();
    source.removeMarks(srcCol, srcCol + len);
    if (&source != this && source.m_semanticMarks.size() != sourceMarks)
        source.m_generation++;
    removeMarks(dstCol, dstCol + len);
    // The prompt's origin mark wins over a mark of its kind already on the destination, and the
    // buffer follows it to its new row.
    bool originMoved = false;
    for (auto mark : moving) {
        const bool isOrigin = origin && origin->line == &source && origin->kind == mark.kind && origin->column == mark.column;
        mark.column += dstCol - srcCol;
        auto taken = std::find_if(m_semanticMarks.begin(), m_semanticMarks.end(),
                                  [&](const SemanticMark& other) { return other.kind == mark.kind; });
        if (taken == m_semanticMarks.end()) {
            m_semanticMarks.push_back(mark);
        } else if (isOrigin) {
            const bool destinationIsOrigin = origin->line == this && origin->kind == mark.kind;
            if (!destinationIsOrigin || taken->column != origin->column)
                *taken = mark;
        } else {
            continue;
        }
        originMoved = originMoved || (isOrigin && &source != this);
    }
    sortMarks();
    if (originMoved)
        m_owningBuffer->setSemanticPromptStartLine(*this);

    if (wholeRow) {
        m_semanticHardContinuationGroup = source.m_semanticHardContinuationGroup;
        if (&source != this) {
            source.m_semanticHardContinuationGroup.reset();
            source.m_generation++;
        }
    }
}

void BufferLine::copyFrom(const BufferLine& line)
{
    if (m_capacity < line.m_dataSize)
        allocate(line.m_dataSize);
    m_dataSize = line.m_dataSize;
    std::copy_n(line.m_data.get(), m_dataSize, m_data.get());
    m_blankFrom = line.m_blankFrom;
    m_blankCell = line.m_blankCell;
    m_isWrapped = line.m_isWrapped;
    m_semanticMarks = line.m_semanticMarks;
    m_semanticHardContinuationGroup = line.m_semanticHardContinuationGroup;
    m_bidiState = line.m_bidiState;
    m_generation++;
}

void BufferLine::resize(int cols, const CharData& fillData)
{
    if (cols == m_dataSize)
        return;
    auto old = std::move(m_data);
    int oldSize = m_dataSize;
    allocate(std::max(cols, 0));
    m_dataSize = m_capacity;
    std::copy_n(old.get(), std::min(oldSize, m_dataSize), m_data.get());
    m_blankFrom = std::min(m_blankFrom, m_dataSize);
    if (m_dataSize > oldSize) {
        std::fill(m_data.get() + oldSize, m_data.get() + m_dataSize, fillData);
        noteFilled(oldSize, m_dataSize, fillData);
    } else {
        marksClampTo(cols);
    }
    m_generation++;
}

void BufferLine::clear(const Attribute& attribute)
{
    clear(blankCell(attribute));
}

void BufferLine::clear(const CharData& blank)
{
    if (m_images)
        setImages(std::nullopt);
    std::fill_n(m_data.get(), blank == m_blankCell ? m_blankFrom : m_dataSize, blank);
    m_generation++;
    m_blankFrom = 0;
    m_blankCell = blank;
}

void BufferLine::prefetchForClear() const
{
    const auto* bytes = reinterpret_cast<const char*>(m_data.get());
    const size_t size = size_t(m_blankFrom) * sizeof(CharData);
    for (size_t offset = 0; offset < size; offset += 64)
        __builtin_prefetch(bytes + offset, 1);
}

void BufferLine::setIsWrapped(bool isWrapped)
{
    m_isWrapped = isWrapped;
    m_generation++;
}

void BufferLine::setBidiState(const BidiPresentationState& state)
{
    m_bidiState = state;
    m_generation++;
}

void BufferLine::setImages(std::optional<Images> images)
{
    m_images = std::move(images);
    m_generation++;
}

void BufferLine::setSemanticHardContinuationGroup(std::optional<uint64_t> group)
{
    m_semanticHardContinuationGroup = group;
    m_generation++;
}

void BufferLine::setSemanticMark(SemanticPromptKind kind, int column, uint64_t group)
{
    std::erase_if(m_semanticMarks, [&](const SemanticMark& mark) { return mark.kind == kind; });
    m_semanticMarks.push_back({ kind, column, group });
    sortMarks();
    m_generation++;
}

void BufferLine::marksShift(int from, int by, int rightMargin)
{
    if (by == 0 || m_semanticMarks.empty())
        return;
    for (auto& mark : m_semanticMarks) {
        if (mark.column >= from && mark.column <= rightMargin)
            mark.column = std::clamp(mark.column + by, from, std::max(from, rightMargin));
    }
    sortMarks();
    m_generation++;
}

void BufferLine::marksClampTo(int width)
{
    if (width <= 0)
        m_semanticMarks.clear();
    for (auto& mark : m_semanticMarks)
        mark.column = std::clamp(mark.column, 0, width - 1);
    m_generation++;
}

void BufferLine::destroySemanticState()
{
    m_semanticMarks.clear();
    m_semanticHardContinuationGroup.reset();
    m_generation++;
}

void BufferLine::sortMarks()
{
    std::stable_sort(m_semanticMarks.begin(), m_semanticMarks.end(),
                     [](const SemanticMark& a, const SemanticMark& b) { return a.column < b.column; });
}

void BufferLine::removeMarks(int fromCol, int toCol)
{
    std::erase_if(m_semanticMarks,
                  [&](const SemanticMark& mark) { return mark.column >= fromCol && mark.column < toCol; });
}

} // namespace zentrova
