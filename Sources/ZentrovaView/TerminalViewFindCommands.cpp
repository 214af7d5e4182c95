// The find commands: the find bar, made on first use over the view's top-right corner, and find
// next and previous from the bar's field or, with the bar hidden, from the application's find term.

#include "ZentrovaView/TerminalView.h"

#include "Zentrova/Text/SelectionService.h"
#include "ZentrovaView/FindPasteboard.h"
#include "ZentrovaView/TerminalFindBarView.h"

#include <QLineEdit>
#include <QPointer>

namespace zentrova {

void TerminalView::performFindPanelAction(int tag)
{
    switch (tag) {
    case FindCommandTag::showFindBar:
        showFindBar(true);
        break;
    case FindCommandTag::findNext:
        performFind(true);
        break;
    case FindCommandTag::findPrevious:
        performFind(false);
        break;
    case FindCommandTag::useSelectionForFind:
        setFindPasteboardFromSelection();
        showFindBar(true);
        break;
    default:
        break;
    }
}

void TerminalView::performTextFinderAction(int tag)
{
    if (tag == FindCommandTag::hideFindBar)
        closeFindBar();
    else
        performFindPanelAction(tag);
}

void TerminalView::performFind(bool next)
{
    const bool barShown = m_findBar && !m_findBar->isHidden();
    const QString term = barShown ? m_findBar->searchField()->text() : FindPasteboard::string();
    if (term.isEmpty())
        return;
    FindPasteboard::setString(term);
    const SearchOptions options = m_findBar ? m_findBar->options() : SearchOptions {};
    if (next)
        findNext(term, options, true);
    else
        findPrevious(term, options, true);
}

void TerminalView::setFindPasteboardFromSelection()
{
    if (!m_selection || !m_selection->active())
        return;
    const QString text = QString::fromStdString(m_selection->getSelectedText());
    if (!text.isEmpty())
        FindPasteboard::setString(text);
}

TerminalFindBarView& TerminalView::ensureFindBar()
{
    if (m_findBar)
        return *m_findBar;
    m_findBar = new TerminalFindBarView(this);
    m_findBar->hide();
    // The bar is the view's child and goes with it; the guard covers a callback run while it goes.
    QPointer<TerminalView> view(this);
    m_findBar->onSearchChanged = [view](const QString& term) {
        if (view)
            view->handleFindBarSearchChanged(term);
    };
    m_findBar->onFindNext = [view] {
        if (view)
            view->performFind(true);
    };
    m_findBar->onFindPrevious = [view] {
        if (view)
            view->performFind(false);
    };
    m_findBar->onClose = [view] {
        if (view)
            view->closeFindBar();
    };
    m_findBar->onOptionsChanged = [view](const SearchOptions& options) {
        if (!view)
            return;
        view->m_findBarOptions = options;
        if (!view->m_findBarTerm.isEmpty())
            view->findNext(view->m_findBarTerm, options, true);
    };
    return *m_findBar;
}

void TerminalView::showFindBar(bool prefillSelection)
{
    TerminalFindBarView& bar = ensureFindBar();
    bar.place();
    bar.show();
    bar.raise();
    QString term;
    if (prefillSelection && m_selection && m_selection->active())
        term = QString::fromStdString(m_selection->getSelectedText());
    if (term.isEmpty())
        term = FindPasteboard::string();
    if (!term.isEmpty()) {
        bar.searchField()->setText(term);
        handleFindBarSearchChanged(term);
    }
    bar.searchField()->setFocus(Qt::ShortcutFocusReason);
    bar.searchField()->selectAll();
}

void TerminalView::handleFindBarSearchChanged(const QString& term)
{
    m_findBarTerm = term;
    if (term.isEmpty()) {
        clearSearch();
        return;
    }
    FindPasteboard::setString(term);
    findNext(term, m_findBarOptions, true);
}

void TerminalView::closeFindBar()
{
    // The current match stays selected.
    if (m_findBar)
        m_findBar->hide();
    setFocus(Qt::OtherFocusReason);
}

} // namespace zentrova
