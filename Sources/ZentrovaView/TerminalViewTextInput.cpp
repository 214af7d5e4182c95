// What the view tells an input method (caret, font, selection) and the overlay that shows the text an
// input method is still composing.

#include "ZentrovaView/CaretView.h"
#include "ZentrovaView/DictationOverlayTextView.h"
#include "ZentrovaView/TerminalView.h"

#include "Zentrova/Text/SelectionService.h"

#include <QFontMetricsF>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace zentrova {
namespace {

// The overlay keeps this far from the view's left and right edges.
constexpr double overlayInset = 4;

} // namespace

TerminalView::TextRange TerminalView::selectedRange() const
{
    const qsizetype columns = m_terminal->cols;
    if (m_selection && m_selection->active()) {
        const qsizetype start = qsizetype(m_selection->start().row) * columns + m_selection->start().col;
        const qsizetype end = qsizetype(m_selection->end().row) * columns + m_selection->end().col;
        if (start != end)
            return { std::min(start, end), std::abs(end - start) };
    }
    // Buffer rows, as the selection counts them, so both answers share one frame.
    const Buffer& buffer = m_terminal->buffer();
    return { qsizetype(buffer.yBase() + buffer.y()) * columns + buffer.x(), 0 };
}

QVariant TerminalView::inputMethodQuery(Qt::InputMethodQuery query) const
{
    switch (query) {
    case Qt::ImEnabled:
        return true;
    case Qt::ImCursorRectangle:
        // The candidate window opens beside the caret.
        return m_caretView ? QRectF(m_caretView->geometry()) : QRectF();
    case Qt::ImFont:
        return font();
    case Qt::ImCursorPosition: {
        const TextRange range = selectedRange();
        return int(range.location + range.length);
    }
    case Qt::ImAnchorPosition:
        return int(selectedRange().location);
    case Qt::ImCurrentSelection:
        return m_selection && m_selection->active() ? QString::fromStdString(m_selection->getSelectedText()) : QString();
    case Qt::ImHints:
        // A shell line is not prose: no capitals or word guesses of the input method's own.
        return int(Qt::ImhNoAutoUppercase | Qt::ImhNoPredictiveText);
    default:
        // The screen is no editable text around the cursor: an input method gets nothing to rewrite.
        return QWidget::inputMethodQuery(query);
    }
}

void TerminalView::updateMarkedTextOverlay()
{
    if (m_markedText.isEmpty()) {
        delete m_markedTextOverlay;
        m_markedTextOverlay = nullptr;
        return;
    }
    if (!m_markedTextOverlay) {
        m_markedTextOverlay = new DictationOverlayTextView(this);
        m_markedTextOverlay->setReadOnly(true);
        m_markedTextOverlay->setTextInteractionFlags(Qt::NoTextInteraction);
        m_markedTextOverlay->setFocusPolicy(Qt::NoFocus);
        m_markedTextOverlay->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_markedTextOverlay->setLineWrapMode(QTextEdit::FixedPixelWidth);
        m_markedTextOverlay->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        m_markedTextOverlay->document()->setDocumentMargin(0);
        m_markedTextOverlay->raise();
    }
    m_markedTextOverlay->setOverlayBackgroundColor(effectiveNativeBackgroundColor());

    const QSizeF cell = m_cellDimension.value_or(QSizeF(1, 1));
    const QRect caret = m_caretView ? m_caretView->geometry() : QRect();
    const double width = std::max(cell.width(), double(this->width()) - 2 * overlayInset);

    // The cells' pitch: a font whose "W" is narrower than a cell is spaced out to it.
    QFont font = this->font();
    const double kerning = cell.width() - QFontMetricsF(font).horizontalAdvance(QLatin1Char('W'));
    font.setLetterSpacing(QFont::AbsoluteSpacing, std::max(kerning, 0.0));
    QTextCharFormat characters;
    characters.setFont(font);
    characters.setForeground(effectiveNativeForegroundColor());
    QTextBlockFormat lines;
    lines.setLineHeight(cell.height(), QTextBlockFormat::FixedHeight);

    QTextDocument* document = m_markedTextOverlay->document();
    document->clear();
    m_markedTextOverlay->setLineWrapColumnOrWidth(int(width));
    QTextCursor cursor(document);
    cursor.setBlockFormat(lines);
    cursor.setBlockCharFormat(characters);
    cursor.insertText(m_markedText, characters);
    cursor.select(QTextCursor::Document);
    cursor.mergeBlockFormat(lines);
    // The first line starts at the caret; the lines after it wrap back to the left edge.
    const double firstLineIndent = caret.x() - overlayInset;
    if (firstLineIndent > 0) {
        QTextBlockFormat first = document->begin().blockFormat();
        first.setTextIndent(firstLineIndent);
        QTextCursor(document->begin()).setBlockFormat(first);
    }

    const double height = document->size().height();
    m_markedTextOverlay->setGeometry(QRectF(overlayInset, caret.top(), width, height).toAlignedRect());
    m_markedTextOverlay->show();
}

} // namespace zentrova
