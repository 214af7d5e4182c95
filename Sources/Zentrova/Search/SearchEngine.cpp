#include "Zentrova/Search/SearchEngine.h"

#include "Zentrova/Engine/Terminal.h"
#include "Zentrova/Search/SearchLine.h"
#include "Zentrova/Search/SearchLineCache.h"

#include <unicode/regex.h>
#include <unicode/utext.h>

#include <algorithm>
#include <vector>

namespace zentrova {

namespace {

// The row of a logical line that holds a character offset; an offset on a row's start belongs to
// that row.
size_t rowOfOffset(const std::vector<int>& lineOffsets, int offset)
{
    return size_t(std::upper_bound(lineOffsets.begin() + 1, lineOffsets.end(), offset) - (lineOffsets.begin() + 1));
}

// Hands a line's text to the matcher for as long as this lives; the text must outlive it too.
class MatcherInput {
public:
    MatcherInput(icu::RegexMatcher& matcher, const std::u16string& text)
    {
        UErrorCode status = U_ZERO_ERROR;
        utext_openUChars(&m_text, text.data(), int64_t(text.size()), &status);
        matcher.reset(&m_text);
    }
    ~MatcherInput() { utext_close(&m_text); }
    MatcherInput(const MatcherInput&) = delete;
    MatcherInput& operator=(const MatcherInput&) = delete;

private:
    UText m_text = UTEXT_INITIALIZER;
};

} // namespace

SearchEngine::SearchEngine(Terminal& terminal, SearchLineCache& lineCache)
    : m_terminal(terminal)
    , m_lineCache(lineCache)
{
}

SearchEngine::~SearchEngine() = default;

icu::RegexMatcher* SearchEngine::matcher(const std::string& term, const SearchOptions& options)
{
    if (m_compiledOptions && m_compiledTerm == term && m_compiledOptions->caseSensitive == options.caseSensitive
        && m_compiledOptions->regex == options.regex)
        return m_outOfTime ? nullptr : m_matcher.get();
    m_compiledTerm = term;
    m_compiledOptions = options;
    m_matcher.reset();
    m_outOfTime = false;
    uint32_t flags = 0;
    if (!options.caseSensitive)
        flags |= UREGEX_CASE_INSENSITIVE;
    if (!options.regex)
        flags |= UREGEX_LITERAL;
    UErrorCode status = U_ZERO_ERROR;
    const auto pattern = icu::UnicodeString::fromUTF8(icu::StringPiece(term.data(), int32_t(term.size())));
    auto compiled = std::make_unique<icu::RegexMatcher>(pattern, flags, status);
    if (U_FAILURE(status))
        return nullptr;
    // Anchors, word boundaries and look-around see the whole logical line, not only the part
    // searched: `^` is where the line starts, never where the previous match ended.
    compiled->useTransparentBounds(true);
    compiled->useAnchoringBounds(false);
    // Searches run on the main thread: a pattern that backtracks without end on one line must not
    // freeze the window. Once it runs out of time it finds nothing anywhere until the term changes,
    // so a whole scrollback costs one time-out, not one per line.
    compiled->setTimeLimit(regexStepLimit, status);
    m_matcher = std::move(compiled);
    return m_matcher.get();
}

bool SearchEngine::isWholeWord(const Match& match, const SearchLine& line) const
{
    if (match.start > 0 && !line.characterIsOneOf(match.start - 1, nonWordCharacters))
        return false;
    return match.end >= line.characterCount() || line.characterIsOneOf(match.end, nonWordCharacters);
}

std::optional<SearchEngine::Match> SearchEngine::firstMatch(icu::RegexMatcher& matcher, const SearchLine& line, int from,
                                                            const SearchOptions& options)
{
    const auto length = int64_t(line.text.size());
    UErrorCode status = U_ZERO_ERROR;
    matcher.region(line.utf16Offset(from), length, status);
    while (U_SUCCESS(status) && matcher.find(status)) {
        const int64_t start = matcher.start64(status);
        const int64_t end = matcher.end64(status);
        if (U_FAILURE(status) || start == end)
            return std::nullopt;
        const Match match { line.characterAt(int32_t(start)), line.charactersBefore(int32_t(end)) };
        if (!options.wholeWord || isWholeWord(match, line))
            return match;
        // Not a word of its own: the next occurrence on the line may be. Occurrences of plain text
        // may overlap, so the next one is looked for from the following character.
        if (!options.regex) {
            if (match.start + 1 > line.characterCount())
                return std::nullopt;
            matcher.region(line.utf16Offset(match.start + 1), length, status);
        }
    }
    noteTimeOut(status);
    return std::nullopt;
}

void SearchEngine::noteTimeOut(UErrorCode status)
{
    if (status == U_REGEX_TIME_OUT)
        m_outOfTime = true;
}

std::optional<SearchEngine::Match> SearchEngine::lastMatch(icu::RegexMatcher& matcher, const SearchLine& line, int before,
                                                           const SearchOptions& options)
{
    const int64_t limit = line.utf16Offset(before);
    std::vector<std::pair<int64_t, int64_t>> found;
    UErrorCode status = U_ZERO_ERROR;
    matcher.region(0, limit, status);
    while (U_SUCCESS(status) && matcher.find(status)) {
        const int64_t start = matcher.start64(status);
        found.emplace_back(start, matcher.end64(status));
        // Plain text: every occurrence counts, overlapping ones too, so the last is the nearest.
        if (!options.regex) {
            const int next = line.characterAt(int32_t(start)) + 1;
            if (next > before)
                break;
            matcher.region(line.utf16Offset(next), limit, status);
        }
    }
    if (U_FAILURE(status)) {
        noteTimeOut(status);
        return std::nullopt;
    }
    for (auto it = found.rbegin(); it != found.rend(); ++it) {
        if (it->first == it->second)
            return std::nullopt;
        const Match match { line.characterAt(int32_t(it->first)), line.charactersBefore(int32_t(it->second)) };
        if (!options.wholeWord || isWholeWord(match, line))
            return match;
    }
    return std::nullopt;
}

std::optional<SearchResult> SearchEngine::findInLine(const std::string& term, Position& searchPosition,
                                                     const SearchOptions& options, bool isReverseSearch)
{
    Buffer& buffer = m_terminal.buffer();
    if (searchPosition.row < 0 || searchPosition.row >= buffer.lines().count())
        return std::nullopt;
    const int cols = m_terminal.cols;
    while (searchPosition.row > 0 && buffer.line(searchPosition.row).isWrapped()) {
        searchPosition.col += cols;
        if (isReverseSearch)
            return std::nullopt;
        searchPosition.row--;
    }
    icu::RegexMatcher* regex = matcher(term, options);
    if (!regex)
        return std::nullopt;
    const int firstRow = searchPosition.row;
    const SearchLine& line = m_lineCache.line(firstRow);
    const int offset = std::min(bufferColsToStringOffset(firstRow, searchPosition.col, line), line.characterCount());
    MatcherInput input(*regex, line.text);
    const auto match = isReverseSearch ? lastMatch(*regex, line, offset, options) : firstMatch(*regex, line, offset, options);
    if (!match)
        return std::nullopt;

    const size_t startRow = rowOfOffset(line.lineOffsets, match->start);
    const size_t endRow = rowOfOffset(line.lineOffsets, match->end);
    const int col = stringLengthToBufferSize(firstRow + int(startRow), match->start - line.lineOffsets[startRow]);
    const int endCol = stringLengthToBufferSize(firstRow + int(endRow), match->end - line.lineOffsets[endRow]);
    SearchResult result { term, col, firstRow + int(startRow), endCol - col + cols * int(endRow - startRow) };
    if (options.regex) {
        const int32_t start = line.utf16Offset(match->start);
        result.term.clear();
        icu::UnicodeString(false, line.text.data() + start, line.utf16Offset(match->end) - start).toUTF8String(result.term);
    }
    return result;
}

std::optional<SearchResult> SearchEngine::findInRowsFrom(const std::string& term, int row, const SearchOptions& options,
                                                         std::optional<int> endRow)
{
    Buffer& buffer = m_terminal.buffer();
    const int end = std::min(endRow.value_or(buffer.lines().count()), buffer.lines().count());
    for (; row < end; row++) {
        // A wrapped row was searched with the row its logical line starts on.
        if (row > 0 && buffer.line(row).isWrapped())
            continue;
        Position position { 0, row };
        if (auto result = findInLine(term, position, options, false))
            return result;
    }
    return std::nullopt;
}

std::optional<SearchResult> SearchEngine::find(const std::string& term, int startRow, int startCol,
                                               const SearchOptions& options)
{
    if (term.empty() || startCol > m_terminal.cols)
        return std::nullopt;
    Position position { startCol, startRow };
    if (auto result = findInLine(term, position, options, false))
        return result;
    return findInRowsFrom(term, startRow + 1, options);
}

std::optional<SearchResult> SearchEngine::findNextWithSelection(const std::string& term, const SearchOptions& options,
                                                                const std::optional<std::string>& cachedSearchTerm,
                                                                const std::optional<SearchSelection>& previousSelection)
{
    if (term.empty())
        return std::nullopt;
    Position start;
    if (previousSelection)
        start = cachedSearchTerm == term ? previousSelection->end : previousSelection->start;
    Position position = start;
    if (auto result = findInLine(term, position, options, false))
        return result;
    if (auto result = findInRowsFrom(term, start.row + 1, options))
        return result;
    if (auto result = findInRowsFrom(term, 0, options, start.row))
        return result;
    if (!previousSelection)
        return std::nullopt;
    position = { 0, previousSelection->start.row };
    return findInLine(term, position, options, false);
}

std::optional<SearchResult> SearchEngine::findPreviousWithSelection(const std::string& term, const SearchOptions& options,
                                                                    const std::optional<std::string>& cachedSearchTerm,
                                                                    const std::optional<SearchSelection>& previousSelection)
{
    if (term.empty())
        return std::nullopt;
    const int cols = m_terminal.cols;
    const int count = m_terminal.buffer().lines().count();
    Position position { cols, count - 1 };
    if (previousSelection) {
        if (cachedSearchTerm != term) {
            Position start = previousSelection->start;
            if (auto result = findInLine(term, start, options, false))
                return result;
            position = previousSelection->end;
        } else {
            position = previousSelection->start;
        }
    }
    if (auto result = findInLine(term, position, options, true))
        return result;
    position.col = std::max(position.col, cols);
    const int startRow = position.row;
    for (int row = std::min(startRow, count) - 1; row >= 0; row--) {
        position.row = row;
        if (auto result = findInLine(term, position, options, true))
            return result;
    }
    for (int row = count - 1; row >= std::max(startRow, 0); row--) {
        position.row = row;
        if (auto result = findInLine(term, position, options, true))
            return result;
    }
    return std::nullopt;
}

int SearchEngine::bufferColsToStringOffset(int startRow, int cols, const SearchLine& line)
{
    // Whole rows are counted by where the next row's text begins: a row that left a blank cell
    // for a wide character moved on has one character less than it has cells.
    const int terminalCols = std::max(m_terminal.cols, 1);
    const size_t rowIndex = size_t(std::max(cols, 0) / terminalCols);
    if (rowIndex >= line.lineOffsets.size())
        return line.characterCount();
    const BufferLine& row = m_terminal.buffer().line(startRow + int(rowIndex));
    const int last = row.count() - 1;
    const int take = std::max(cols, 0) % terminalCols;
    int offset = line.lineOffsets[rowIndex];
    for (int col = 0; col < take && last >= 0; col++)
        offset += row.data()[std::min(col, last)].width() > 0 ? 1 : 0;
    return offset;
}

int SearchEngine::stringLengthToBufferSize(int row, int offset)
{
    Buffer& buffer = m_terminal.buffer();
    if (row < 0 || row >= buffer.lines().count() || offset == 0)
        return 0;
    const BufferLine& line = buffer.line(row);
    const CharData* cells = line.data();
    int result = offset;
    for (int col = 0; col < line.count() && col < result; col++) {
        if (cells[col].width() == 2 && col + 1 < line.count() && cells[col + 1].width() == 0)
            result++;
    }
    return result;
}

} // namespace zentrova
