#pragma once

#include "Zentrova/Search/SearchLine.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace zentrova {

class Terminal;

// The texts of the active buffer's logical lines, built once and reused while stepping through
// matches. Only the slot of a logical line's first row is filled. The cache lives at most
// `lifetime` without use (on the terminal's main-queue clock) and is rebuilt when the number of
// lines changes or another buffer becomes active; whoever feeds or resizes the terminal drops it.
class SearchLineCache {
public:
    static constexpr std::chrono::seconds lifetime { 15 };

    explicit SearchLineCache(Terminal& terminal);

    // Keeps the cache while it is fresh and fits the active buffer, else starts an empty one; in
    // both cases the cache counts as used now. Every find calls it first.
    void initLinesCache();
    // Drops every entry; the next find starts afresh.
    void clear();

    // The text of the logical line whose first row is `row`, built and stored when missing.
    const SearchLine& line(int row);
    // The text of the logical line starting at `lineIndex`; with trimRight the last row's trailing
    // blank cells are left out. A row outside the ring gives an empty text.
    SearchLine translateBufferLineToStringWithWrap(int lineIndex, bool trimRight) const;
    // Stores an entry for a row inside the cache; does nothing otherwise.
    void setLineInCache(int row, SearchLine entry);

private:
    std::chrono::nanoseconds now() const;

    Terminal& m_terminal;
    std::optional<std::vector<std::unique_ptr<SearchLine>>> m_linesCache;
    // The buffer the entries were read from.
    uint64_t m_bufferId = 0;
    std::chrono::nanoseconds m_lastAccessTimestamp { 0 };
    // A line read outside the cache, kept until the next read.
    SearchLine m_uncachedLine;
};

} // namespace zentrova
