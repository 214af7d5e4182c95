// The caret: where it stands, whether it shows, the focus and style it draws with, and the rows'
// pixels under it that its blink frames are painted over.

#include "ZentrovaView/TerminalView.h"

#include "ZentrovaView/CaretView.h"
#include "ZentrovaView/Gpu/MetalSurface.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace zentrova {

void TerminalView::setHasFocus(bool focused)
{
    m_hasFocus = focused;
    m_caretView->setFocused(focused);
    m_caretView->updateCursorStyle();
    queueMetalDisplay();
}

bool TerminalView::caretViewTracksFocus() const
{
    return m_caretView->tracksFocus();
}

void TerminalView::setCaretViewTracksFocus(bool on)
{
    m_caretView->setTracksFocus(on);
    m_caretView->updateCursorStyle();
    queueMetalDisplay();
}

void TerminalView::showCursor(Terminal&)
{
    // The GPU renderer draws the cursor while it is on.
    if (m_caretView->isHidden() && !m_metalView)
        m_caretView->show();
}

void TerminalView::hideCursor(Terminal&)
{
    m_caretView->hide();
}

void TerminalView::cursorStyleChanged(Terminal&, CursorStyle newStyle)
{
    m_caretView->setStyle(newStyle);
    m_caretView->updateCursorStyle();
    if (m_cellDimension)
        m_caretView->resize(QSize(int(std::ceil(m_cellDimension->width())), int(std::ceil(m_cellDimension->height()))));
    m_caretView->updateCursorStyle();
    queueMetalDisplay();
}

bool TerminalView::paintCaretBackdrop(QPainter& painter, const QRegion& region)
{
    const QRect box = m_caretView && m_caretView->isVisible() ? m_caretView->geometry() : QRect();
    if (box.isEmpty() || !box.contains(region.boundingRect()))
        return false;
    const double ratio = backingScale();
    if (m_caretBackdrop.isNull() || m_caretBackdropBox != box || m_caretBackdrop.devicePixelRatio() != ratio) {
        QPixmap backdrop(box.size() * ratio);
        backdrop.setDevicePixelRatio(ratio);
        backdrop.fill(palette().color(QPalette::Window));
        QPainter backdropPainter(&backdrop);
        backdropPainter.translate(-box.topLeft());
        drawTerminalContents(box, backdropPainter, m_terminal->buffer().yDisp());
        m_caretBackdrop = std::move(backdrop);
        m_caretBackdropBox = box;
    }
    painter.drawPixmap(box.topLeft(), m_caretBackdrop);
    return true;
}

void TerminalView::updateCursorPosition()
{
    // Output may have changed the cells under the caret.
    m_caretBackdrop = QPixmap();
    if (!m_cellDimension || !m_caretView)
        return;
    Buffer& buffer = m_terminal->buffer();
    const int row = buffer.yBase() + buffer.y();
    if (row >= buffer.yDisp() + m_terminal->rows || row < buffer.yDisp() || m_terminal->cursorHidden) {
        m_caretView->hide();
        return;
    }
    m_caretView->setVisible(!m_metalView);

    const BufferLine& line = *buffer.lines()[row];
    const int col = std::clamp(buffer.x(), 0, m_terminal->cols - 1);
    int visualCol = col;
    if (m_bidiHostPolicy == BidiHostPolicy::respectTerminal) {
        const auto layout = bidiLayout(row, line, m_terminal->cols);
        if (layout && size_t(col) < layout->logicalToVisualCol.size())
            visualCol = layout->logicalToVisualCol[size_t(col)];
    }
    const CharData& cell = line[col];
    const int widthFactor = line.renderMode() == BufferLine::RenderLineMode::single ? 1 : 2;
    const QSizeF cellSize = *m_cellDimension;
    const int screenRow = row - buffer.yDisp();
    const double x = cellSize.width() * visualCol * widthFactor;
    const double y = cellSize.height() * screenRow;
    const double w = cellSize.width() * std::max(cell.width(), 1) * widthFactor;
    m_caretView->setGeometry(QRectF(x, y, w, cellSize.height()).toAlignedRect());
    m_caretView->setText(cell);
}

} // namespace zentrova
