#include "Zentrova/Search/SearchService.h"

#include "Zentrova/Engine/Terminal.h"

#include <algorithm>

namespace zentrova {

SearchService::SearchService(Terminal& terminal)
    : m_terminal(terminal)
    , m_lineCache(terminal)
    , m_engine(terminal, m_lineCache)
{
}

Position SearchService::advanced(const Position& from, int cells) const
{
    const int width = std::max(m_terminal.cols, 1);
    const int64_t index = int64_t(from.row) * width + from.col + cells;
    return { int(index % width), int(index / width) };
}

std::optional<SearchResult> SearchService::step(Step find, const std::string& term, const SearchOptions& options)
{
    if (term.empty()) {
        lastSelection.reset();
        m_lastResult.reset();
        m_state = {};
        return std::nullopt;
    }
    m_state.lastSearchOptions = options;
    m_lineCache.initLinesCache();
    auto result = (m_engine.*find)(term, options, m_state.cachedSearchTerm, lastSelection);
    m_state.cachedSearchTerm = term;
    m_lastResult = result;
    if (result) {
        const Position start { result->col, result->row };
        lastSelection = SearchSelection { start, advanced(start, result->size) };
    } else {
        lastSelection.reset();
    }
    return result;
}

std::optional<SearchResult> SearchService::findNext(const std::string& term, const SearchOptions& options)
{
    return step(&SearchEngine::findNextWithSelection, term, options);
}

std::optional<SearchResult> SearchService::findPrevious(const std::string& term, const SearchOptions& options)
{
    return step(&SearchEngine::findPreviousWithSelection, term, options);
}

std::vector<SearchResult> SearchService::findAll(const std::string& term, const SearchOptions& options, int limit)
{
    std::vector<SearchResult> results;
    if (term.empty() || limit <= 0)
        return results;
    m_lineCache.initLinesCache();
    auto result = m_engine.find(term, 0, 0, options);
    while (result) {
        results.push_back(*result);
        if (int(results.size()) >= limit)
            break;
        Position next = advanced({ result->col, result->row }, std::max(result->size, 1));
        const int nextRow = next.row;
        auto following = m_engine.findInLine(term, next, options, false);
        if (!following)
            following = m_engine.findInRowsFrom(term, nextRow + 1, options);
        if (following && following->row == result->row && following->col == result->col)
            break;
        result = std::move(following);
    }
    return results;
}

void SearchService::reset()
{
    m_state = {};
    m_lineCache.clear();
    lastSelection.reset();
    m_lastResult.reset();
}

void SearchService::invalidate()
{
    m_lineCache.clear();
    lastSelection.reset();
    m_lastResult.reset();
}

} // namespace zentrova
