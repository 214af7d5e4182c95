#include "Zentrova/Search/SearchLineCache.h"

#include "Zentrova/Engine/Terminal.h"

#include <unicode/utf16.h>

namespace zentrova {

namespace {

void appendScalar(std::u16string& text, char32_t scalar)
{
    if (scalar <= 0xFFFF) {
        text += char16_t(scalar);
    } else {
        text += char16_t(U16_LEAD(scalar));
        text += char16_t(U16_TRAIL(scalar));
    }
}

// The character a cell shows: an empty cell is a space, and so is a code that is no character.
void appendCellCharacter(std::u16string& text, const Terminal& terminal, uint32_t code)
{
    if (code == 0) {
        text += u' ';
        return;
    }
    // Plain characters of the basic plane, the bulk of any screen, skip the cluster lookup.
    if (code < 0xD800 || (code > 0xDFFF && code <= 0xFFFF)) {
        text += char16_t(code);
        return;
    }
    for (char32_t scalar : terminal.character(code))
        appendScalar(text, scalar);
}

} // namespace

SearchLineCache::SearchLineCache(Terminal& terminal)
    : m_terminal(terminal)
{
}

std::chrono::nanoseconds SearchLineCache::now() const
{
    if (const MainQueue* queue = m_terminal.mainQueue())
        return queue->now();
    return std::chrono::steady_clock::now().time_since_epoch();
}

void SearchLineCache::initLinesCache()
{
    const auto time = now();
    const Buffer& buffer = m_terminal.buffer();
    const auto count = size_t(buffer.lines().count());
    const bool fresh = time - m_lastAccessTimestamp < lifetime;
    if (!m_linesCache || !fresh || m_linesCache->size() != count || m_bufferId != buffer.id()) {
        m_linesCache.emplace(count);
        m_bufferId = buffer.id();
    }
    m_lastAccessTimestamp = time;
}

void SearchLineCache::clear()
{
    m_linesCache.reset();
    m_lastAccessTimestamp = std::chrono::nanoseconds { 0 };
}

const SearchLine& SearchLineCache::line(int row)
{
    if (m_linesCache && row >= 0 && size_t(row) < m_linesCache->size()) {
        auto& slot = (*m_linesCache)[size_t(row)];
        if (!slot)
            slot = std::make_unique<SearchLine>(translateBufferLineToStringWithWrap(row, true));
        return *slot;
    }
    m_uncachedLine = translateBufferLineToStringWithWrap(row, true);
    return m_uncachedLine;
}

void SearchLineCache::setLineInCache(int row, SearchLine entry)
{
    if (m_linesCache && row >= 0 && size_t(row) < m_linesCache->size())
        (*m_linesCache)[size_t(row)] = std::make_unique<SearchLine>(std::move(entry));
}

SearchLine SearchLineCache::translateBufferLineToStringWithWrap(int lineIndex, bool trimRight) const
{
    SearchLine line;
    Buffer& buffer = m_terminal.buffer();
    const int count = buffer.lines().count();
    if (lineIndex < 0 || lineIndex >= count)
        return line;
    std::vector<int32_t> starts;
    bool oneUnitEach = true;
    int characters = 0;
    for (int row = lineIndex;; row++) {
        const BufferLine& current = buffer.line(row);
        const BufferLine* next = row + 1 < count && buffer.line(row + 1).isWrapped() ? &buffer.line(row + 1) : nullptr;
        int cells = current.count();
        if (!next && trimRight)
            cells = std::min(cells, current.getTrimmedLength());
        const CharData* data = current.data();
        int rowCharacters = 0;
        bool lastCellTaken = false;
        for (int col = 0; col < cells; col++) {
            const uint32_t code = data[col].code();
            // The right half of a wide character.
            lastCellTaken = !(code == 0 && col > 0 && data[col - 1].width() == 2);
            if (!lastCellTaken)
                continue;
            const auto start = int32_t(line.text.size());
            appendCellCharacter(line.text, m_terminal, code);
            starts.push_back(start);
            oneUnitEach = oneUnitEach && line.text.size() == size_t(start) + 1;
            rowCharacters++;
        }
        // A wide character that did not fit at the row's end left a blank cell there and went on
        // the next row: the blank is no text.
        if (next && lastCellTaken && next->count() > 0 && (*next)[0].width() == 2) {
            const CharData& last = data[cells - 1];
            if (last.code() == 0 && last.width() <= 1) {
                line.text.resize(size_t(starts.back()));
                starts.pop_back();
                rowCharacters--;
            }
        }
        characters += rowCharacters;
        if (!next)
            break;
        line.lineOffsets.push_back(characters);
    }
    if (!oneUnitEach) {
        starts.push_back(int32_t(line.text.size()));
        line.characterStarts = std::move(starts);
    }
    return line;
}

} // namespace zentrova
