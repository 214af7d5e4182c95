// What the view does for each terminal event: most are passed on to the host, the rest keep the
// scroll bar, the selection and the cell size in step.

#include "ZentrovaView/TerminalView.h"

#include "Zentrova/Text/SelectionService.h"
#include "ZentrovaView/TerminalViewDelegate.h"

#include <cmath>

namespace zentrova {

void TerminalView::setTerminalTitle(Terminal&, const std::string& title)
{
    if (m_terminalDelegate)
        m_terminalDelegate->setTerminalTitle(*this, QString::fromStdString(title));
}

void TerminalView::sizeChanged(Terminal&)
{
    // A program's switch to 80 or 132 columns cannot grow the window the view sits in: the grid goes
    // back to what the view shows before anyone hears of it, so the program learns its real size.
    if (m_cellDimension && !size().isEmpty()) {
        const QSize grid = gridSizeFor(size());
        if (grid != QSize(m_terminal->cols, m_terminal->rows))
            m_terminal->resize(grid.width(), grid.height());
    }
    if (m_terminalDelegate)
        m_terminalDelegate->sizeChanged(*this, m_terminal->cols, m_terminal->rows);
    invalidateSearch();
    updateScroller();
}

void TerminalView::send(Terminal&, std::span<const uint8_t> data)
{
    if (m_terminalDelegate)
        m_terminalDelegate->send(*this, data);
}

void TerminalView::scrolled(Terminal&, int)
{
    // The caret follows with the next redraw: output scrolls once per line, far more often than the
    // screen is drawn.
    updateScroller();
    if (m_terminalDelegate)
        m_terminalDelegate->scrolled(*this, scrollPosition());
}

void TerminalView::linefeed(Terminal&)
{
    if (m_allowMouseReporting && m_selection && m_selection->active())
        m_selection->selectNone();
}

void TerminalView::bufferActivated(Terminal&)
{
    // The selection and the search's line texts belong to the buffer that went away (after a full
    // reset it is gone for good).
    if (m_selection)
        m_selection->selectNone();
    invalidateSearch();
    updateScroller();
}

void TerminalView::synchronizedOutputChanged(Terminal&, bool active)
{
    if (active)
        return;
    updateScroller();
    queuePendingDisplay();
    if (m_terminalDelegate)
        m_terminalDelegate->scrolled(*this, scrollPosition());
}

void TerminalView::selectionChanged(Terminal&)
{
    update();
    m_accessibility.postSelectionChange(*this);
    Q_EMIT menuStateChanged();
}

std::optional<std::pair<int, int>> TerminalView::cellSizeInPixels(Terminal&)
{
    const QSizeF cell = m_cellDimension.value_or(computeFontDimensions());
    const double scale = devicePixelRatioF() > 0 ? devicePixelRatioF() : 1;
    return std::pair(int(std::lround(cell.width() * scale)), int(std::lround(cell.height() * scale)));
}

void TerminalView::hostCurrentDirectoryUpdated(Terminal&)
{
    if (!m_terminalDelegate)
        return;
    std::optional<QString> directory;
    if (m_terminal->hostCurrentDirectory)
        directory = QString::fromStdString(*m_terminal->hostCurrentDirectory);
    m_terminalDelegate->hostCurrentDirectoryUpdate(*this, directory);
}

void TerminalView::iTermContent(Terminal&, std::span<const uint8_t> content)
{
    if (m_terminalDelegate)
        m_terminalDelegate->iTermContent(*this, content);
}

void TerminalView::clipboardCopy(Terminal&, std::span<const uint8_t> content)
{
    if (m_terminalDelegate)
        m_terminalDelegate->clipboardCopy(*this, content);
}

std::optional<std::vector<uint8_t>> TerminalView::clipboardRead(Terminal&)
{
    if (!m_terminalDelegate)
        return std::nullopt;
    const auto content = m_terminalDelegate->clipboardRead(*this);
    if (!content)
        return std::nullopt;
    return std::vector<uint8_t>(content->begin(), content->end());
}

} // namespace zentrova
