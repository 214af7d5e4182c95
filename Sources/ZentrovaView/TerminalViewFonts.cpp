// Fonts and cell geometry: measuring the font set into a cell size, the grid size for a widget size,
// keeping the terminal in step with it, fitting oversized glyphs and finding fallback fonts.

#include "ZentrovaView/TerminalView.h"

#include "Zentrova/Text/SelectionService.h"
#include "ZentrovaView/CaretView.h"
#include "ZentrovaView/TerminalViewDelegate.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QScrollBar>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace zentrova {

QSizeF TerminalView::computeFontDimensions() const
{
    const double scale = devicePixelRatioF() > 0 ? devicePixelRatioF() : 1;
    const QFontMetricsF metrics(m_fontSet.normal);
    const double lineHeight = metrics.ascent() + metrics.descent() + metrics.leading();
    const double height
        = std::clamp(std::ceil(std::ceil(lineHeight * m_lineSpacing) * scale) / scale, 1.0, 8192.0);
    const double width = std::max(std::round(metrics.horizontalAdvance(QLatin1Char('W')) * scale) / scale, 1.0);
    return { width, height };
}

void TerminalView::resetCaches()
{
    m_attributes.clear();
    m_urlAttributes.clear();
    m_trueColors.clear();
    m_colors.fill(std::nullopt);
}

void TerminalView::setFont(const QFont& font)
{
    m_fontSet = FontSet(font);
    resetFont();
    if (m_selection)
        m_selection->selectNone();
}

void TerminalView::resetFontSize()
{
    m_fontSet = FontSet(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    resetFont();
}

void TerminalView::setLineSpacing(double spacing)
{
    m_lineSpacing = spacing;
    resetFont();
}

void TerminalView::fontSetChanged()
{
    m_rawFonts.fill(std::nullopt);
    m_fontIdentity = nextIdentityToken();
}

void TerminalView::resetFont()
{
    resetCaches();
    fontSetChanged();
    m_cellDimension = computeFontDimensions();
    // Only the grid follows the new cell size: a soft reset here would take a full-screen program's
    // scroll region, cursor-key mode, cursor visibility and rendition away under it.
    if (width() > 0 && height() > 0) {
        const QSize grid = gridSizeFor(size());
        m_terminal->resize(grid.width(), grid.height());
    }
    update();
}

double TerminalView::usableWidth(double width) const
{
    const bool scrollerShown = !m_scroller || !m_scroller->isHidden();
    return std::max(0.0, width - (scrollerShown ? scrollerWidth() : 0));
}

QSize TerminalView::gridSizeFor(QSizeF size) const
{
    const CellGeometry cells = cellGeometry();
    return { cells.columnsIn(usableWidth(size.width())), cells.rowsIn(size.height()) };
}

QRect TerminalView::getOptimalFrameSize() const
{
    const QSizeF cell = m_cellDimension.value_or(QSizeF());
    const bool scrollerShown = !m_scroller || !m_scroller->isHidden();
    const double width = cell.width() * m_terminal->cols + (scrollerShown ? scrollerWidth() : 0);
    return { 0, 0, int(std::ceil(width)), int(std::ceil(cell.height() * m_terminal->rows)) };
}

void TerminalView::setupOptions(double width, double height)
{
    resetCaches();
    fontSetChanged();
    m_cellDimension = computeFontDimensions();
    TerminalOptions options = m_terminal ? m_terminal->options : m_startupOptions;
    if (width != 0 || height != 0) {
        const CellGeometry cells = cellGeometry();
        options.cols = cells.columnsIn(width);
        options.rows = cells.rowsIn(height);
    }
    if (m_terminal) {
        m_terminal->options = options;
        m_terminal->setup(false);
    } else {
        m_terminal = std::make_unique<Terminal>(this, options, &m_mainQueue);
        m_terminal->setBackgroundColor(Color::defaultBackground);
        m_terminal->setForegroundColor(Color::defaultForeground);
        m_caretView = new CaretView(*this, options.cursorStyle, m_mainQueue);
    }
    m_caretView->updateCursorStyle();
    updateCursorPosition();
    update();
}

bool TerminalView::processSizeChange(QSize newSize)
{
    if ((newSize.width() == 0 && newSize.height() == 0) || !m_cellDimension)
        return false;
    const QSize grid = gridSizeFor(newSize);
    if (grid.width() == m_terminal->cols && grid.height() == m_terminal->rows)
        return false;
    if (m_selection)
        m_selection->selectNone();
    m_terminal->resize(grid.width(), grid.height());
    if (m_terminalDelegate)
        m_terminalDelegate->sizeChanged(*this, m_terminal->cols, m_terminal->rows);
    updateScroller();
    return true;
}

void TerminalView::resizeTerminal(int cols, int rows)
{
    // No soft reset after it: that would take a full-screen program's margins, cursor-key mode,
    // cursor visibility and pen from under it.
    m_terminal->resize(cols, rows);
}

QFont TerminalView::tryUrlFont()
{
    const QStringList installed = QFontDatabase::families();
    for (const char* family : { "Optima", "Helvetica", "Helvetica Neue" }) {
        if (installed.contains(QLatin1StringView(family), Qt::CaseInsensitive))
            return QFont(family, 12);
    }
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(12);
    return font;
}

GlyphSlotFit TerminalView::glyphSlotFit(const QRawFont& font, quint32 glyph, int columnWidth) const
{
    const QFontMetricsF metrics(m_fontSet.normal);
    return GlyphSlotFit::fit(font, glyph, columnWidth, m_cellDimension, metrics.descent() + metrics.leading());
}

QRawFont TerminalView::resolvedFont(const QString& text, const QFont& base)
{
    // Shared by every view; emptied whole when full. QFont::key() names the font's description, so two
    // equal fonts share their entries.
    static QHash<QPair<QString, QString>, QRawFont> cache;
    const QPair<QString, QString> key(base.key(), text);
    if (const auto found = cache.constFind(key); found != cache.constEnd())
        return *found;
    if (cache.size() > 1023)
        cache.clear();
    QTextLayout layout(text, base);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    const QRawFont font = runs.isEmpty() ? QRawFont::fromFont(base) : runs.first().rawFont();
    cache.insert(key, font);
    return font;
}

} // namespace zentrova
