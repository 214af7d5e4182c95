// Searching the terminal's text: each match becomes the selection and is scrolled into view.

#include "ZentrovaView/TerminalView.h"

#include "Zentrova/Search/SearchService.h"
#include "Zentrova/Text/SelectionService.h"

#include <algorithm>

namespace zentrova {

SearchService& TerminalView::searchService()
{
    if (!m_search)
        m_search = std::make_unique<SearchService>(*m_terminal);
    return *m_search;
}

SelectionService& TerminalView::ensureSelection()
{
    if (!m_selection)
        setSelection(std::make_shared<SelectionService>(*m_terminal));
    return *m_selection;
}

bool TerminalView::findNext(const QString& term, const SearchOptions& options, bool scrollToResult)
{
    return runFind(true, term, options, scrollToResult);
}

bool TerminalView::findPrevious(const QString& term, const SearchOptions& options, bool scrollToResult)
{
    return runFind(false, term, options, scrollToResult);
}

bool TerminalView::runFind(bool forward, const QString& term, const SearchOptions& options, bool scrollToResult)
{
    SearchService& search = searchService();
    SelectionService& selection = ensureSelection();
    // The search steps on from what the user sees selected, which may be a match or their own choice.
    search.lastSelection.reset();
    if (selection.active()) {
        Position start = selection.start();
        Position end = selection.end();
        if (Position::compare(end, start) == Position::CompareResult::before)
            std::swap(start, end);
        search.lastSelection = SearchSelection { start, end };
    }
    const std::string text = term.toStdString();
    const std::optional<SearchResult> result = forward ? search.findNext(text, options) : search.findPrevious(text, options);
    if (!result || !search.lastSelection) {
        selection.selectNone();
        update();
        return false;
    }
    selection.setSelection(search.lastSelection->start, search.lastSelection->end);
    if (scrollToResult)
        scrollToReveal(result->row);
    update();
    return true;
}

void TerminalView::clearSearch()
{
    searchService().reset();
    if (m_selection && m_selection->active()) {
        m_selection->selectNone();
        update();
    }
}

std::pair<int, int> TerminalView::searchMatchSummary(const QString& term, const SearchOptions& options, int limit)
{
    SearchService& search = searchService();
    const std::vector<SearchResult> matches = search.findAll(term.toStdString(), options, limit);
    int index = 0;
    if (const auto& current = search.lastResult()) {
        const auto found = std::find_if(matches.begin(), matches.end(), [&](const SearchResult& match) {
            return match.row == current->row && match.col == current->col;
        });
        if (found != matches.end())
            index = int(found - matches.begin()) + 1;
    }
    return { index, int(matches.size()) };
}

void TerminalView::scrollToReveal(int row)
{
    // The alternate screen has no scrollback to move through.
    if (m_terminal->isCurrentBufferAlternate())
        return;
    Buffer& buffer = m_terminal->buffer();
    const int lineCount = buffer.lines().count();
    const int rows = m_terminal->rows;
    if (lineCount == 0 || (row >= buffer.yDisp() && row <= buffer.yDisp() + rows - 1))
        return;
    scrollTo(std::clamp(row - rows / 2, 0, std::max(lineCount - rows, 0)));
}

void TerminalView::invalidateSearch()
{
    if (m_search)
        m_search->invalidate();
}

} // namespace zentrova
