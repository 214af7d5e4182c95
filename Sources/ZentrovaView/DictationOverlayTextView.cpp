#include "ZentrovaView/DictationOverlayTextView.h"

#include <QAbstractTextDocumentLayout>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

namespace zentrova {

DictationOverlayTextView::DictationOverlayTextView(QWidget* parent)
    : QTextEdit(parent)
{
    setFrameShape(QFrame::NoFrame);
    setAttribute(Qt::WA_TranslucentBackground);
    viewport()->setAutoFillBackground(false);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    setPalette(palette);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void DictationOverlayTextView::setOverlayBackgroundColor(const QColor& color)
{
    m_overlayBackgroundColor = color;
    viewport()->update();
}

void DictationOverlayTextView::paintEvent(QPaintEvent* event)
{
    if (m_overlayBackgroundColor.alpha() > 0) {
        QPainter painter(viewport());
        // Document coordinates to the viewport's: the document may be scrolled.
        const QPointF offset(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
        QAbstractTextDocumentLayout* layout = document()->documentLayout();
        for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
            const QTextLayout* lines = block.layout();
            const QPointF origin = layout->blockBoundingRect(block).topLeft() + offset;
            for (int i = 0; i < lines->lineCount(); i++) {
                const QRectF line = lines->lineAt(i).rect().translated(origin);
                if (line.intersects(event->rect()))
                    painter.fillRect(line, m_overlayBackgroundColor);
            }
        }
    }
    QTextEdit::paintEvent(event);
}

} // namespace zentrova
