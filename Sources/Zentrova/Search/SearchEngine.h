#pragma once

#include "Zentrova/Screen/Position.h"
#include "Zentrova/Search/SearchOptions.h"
#include "Zentrova/Search/SearchResult.h"
#include "Zentrova/Search/SearchSelection.h"

#include <unicode/utypes.h>
#include <unicode/uversion.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

U_NAMESPACE_BEGIN
class RegexMatcher;
U_NAMESPACE_END

namespace zentrova {

class SearchLineCache;
struct SearchLine;
class Terminal;

// Finds a term in the active buffer's logical lines, plain text or an ICU regular expression
// (plain text is matched by ICU too, as a literal), forwards and backwards from a position, with
// wrap-around. The line texts come from the cache it shares with its service.
class SearchEngine {
public:
    // The characters that end a word for a whole-word match: a character touching a match on
    // either side must be one of these (or there must be none).
    static constexpr std::u16string_view nonWordCharacters = u" ~!@#$%^&*()+`-=[]{}|\\;:\"',./<>?";

    SearchEngine(Terminal& terminal, SearchLineCache& lineCache);
    ~SearchEngine();
    SearchEngine(const SearchEngine&) = delete;
    SearchEngine& operator=(const SearchEngine&) = delete;

    // The first match at or after (startCol, startRow), to the end of the buffer; nothing for an
    // empty term or a start column beyond the terminal's columns.
    std::optional<SearchResult> find(const std::string& term, int startRow, int startCol, const SearchOptions& options);
    // The match after the previous one (from its end when the term is the cached one, from its
    // start when the term changed), wrapping around to the top.
    std::optional<SearchResult> findNextWithSelection(const std::string& term, const SearchOptions& options,
                                                      const std::optional<std::string>& cachedSearchTerm,
                                                      const std::optional<SearchSelection>& previousSelection);
    // The match before the previous one, wrapping around to the bottom; a changed term first tries
    // the previous match's place.
    std::optional<SearchResult> findPreviousWithSelection(const std::string& term, const SearchOptions& options,
                                                          const std::optional<std::string>& cachedSearchTerm,
                                                          const std::optional<SearchSelection>& previousSelection);

    // One logical line. Forwards: the first match from the position to the line's end (a wrapped
    // row is searched as part of the line's first row). Backwards: the last match before the
    // position; on a wrapped row the column is widened by a row and nothing is searched, so that
    // the caller's next row up covers it.
    std::optional<SearchResult> findInLine(const std::string& term, Position& searchPosition,
                                           const SearchOptions& options, bool isReverseSearch);
    // The rows from `row` on, each from column 0, to the end of the buffer (or before `endRow`).
    std::optional<SearchResult> findInRowsFrom(const std::string& term, int row, const SearchOptions& options,
                                               std::optional<int> endRow = std::nullopt);

private:
    // ICU's steps for one match operation, each on the order of a millisecond: far beyond any
    // pattern that does not backtrack without end, short enough not to be felt.
    static constexpr int32_t regexStepLimit = 100;

    struct Match {
        int start = 0;
        int end = 0;
    };

    std::optional<Match> firstMatch(icu::RegexMatcher& matcher, const SearchLine& line, int from, const SearchOptions& options);
    std::optional<Match> lastMatch(icu::RegexMatcher& matcher, const SearchLine& line, int before, const SearchOptions& options);
    // The matcher for a term and options, compiled once for repeated finds; null for a pattern
    // that does not compile.
    icu::RegexMatcher* matcher(const std::string& term, const SearchOptions& options);
    bool isWholeWord(const Match& match, const SearchLine& line) const;
    // Remembers that the compiled pattern ran out of time, so it is not tried on further lines.
    void noteTimeOut(UErrorCode status);
    // The character offset, in the logical line starting at `startRow`, of a column counted across
    // its rows.
    int bufferColsToStringOffset(int startRow, int cols, const SearchLine& line);
    // The cells that `offset` characters from the row's start cover.
    int stringLengthToBufferSize(int row, int offset);

    Terminal& m_terminal;
    SearchLineCache& m_lineCache;
    std::string m_compiledTerm;
    std::optional<SearchOptions> m_compiledOptions;
    std::unique_ptr<icu::RegexMatcher> m_matcher;
    // The compiled pattern ran out of time on some line: it finds nothing until the term changes.
    bool m_outOfTime = false;
};

} // namespace zentrova
