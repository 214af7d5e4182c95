#pragma once

#include "Zentrova/Search/SearchEngine.h"
#include "Zentrova/Search/SearchLineCache.h"
#include "Zentrova/Search/SearchOptions.h"
#include "Zentrova/Search/SearchResult.h"
#include "Zentrova/Search/SearchSelection.h"
#include "Zentrova/Search/SearchState.h"

#include <optional>
#include <string>
#include <vector>

namespace zentrova {

class Terminal;

// Finds text in a terminal's active buffer, scrollback included, for its find bar: the next or the
// previous match relative to the current one, or all of them for a counter. The view owns one per
// terminal, sets `lastSelection` from its selection before each step and drops the caches whenever
// it feeds output, resizes, changes the options or another buffer becomes active.
class SearchService {
public:
    explicit SearchService(Terminal& terminal);

    // The match after (before) `lastSelection`, wrapping around; remembered as the last result and
    // the new `lastSelection`. An empty term forgets the search.
    std::optional<SearchResult> findNext(const std::string& term, const SearchOptions& options = {});
    std::optional<SearchResult> findPrevious(const std::string& term, const SearchOptions& options = {});
    // Every match in buffer order from the top, at most `limit`.
    std::vector<SearchResult> findAll(const std::string& term, const SearchOptions& options, int limit);

    // The user cleared the search: term, options, line texts, selection and result are forgotten.
    void reset();
    // The screen changed: line texts, selection and result are dropped; term and options stay.
    void invalidate();

    const SearchState& state() const { return m_state; }
    std::optional<SearchSelection> lastSelection;
    const std::optional<SearchResult>& lastResult() const { return m_lastResult; }

private:
    using Step = std::optional<SearchResult> (SearchEngine::*)(const std::string&, const SearchOptions&,
                                                              const std::optional<std::string>&,
                                                              const std::optional<SearchSelection>&);
    std::optional<SearchResult> step(Step find, const std::string& term, const SearchOptions& options);
    // The position `cells` cells after `from`, in reading order over the terminal's width.
    Position advanced(const Position& from, int cells) const;

    Terminal& m_terminal;
    SearchState m_state;
    SearchLineCache m_lineCache;
    SearchEngine m_engine;
    std::optional<SearchResult> m_lastResult;
};

} // namespace zentrova
