#include "ZentrovaView/TerminalDebugView.h"

#include "ZentrovaView/CellGeometry.h"
#include "ZentrovaView/TerminalView.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>

#include <cstdio>

namespace zentrova {
namespace {

QTextCharFormat prefixFormat(bool hilight)
{
    QTextCharFormat format;
    format.setForeground(hilight ? Qt::red : Qt::black);
    format.setBackground(hilight ? Qt::black : Qt::white);
    return format;
}

} // namespace

TerminalDebugView::TerminalDebugView(QWidget* parent, TerminalView* terminalView)
    : QWidget(parent)
    , m_terminalView(terminalView)
    , m_terminal(terminalView->terminal())
    // The overlay's own fonts are not on this platform; the system's fixed-pitch font stands in.
    , m_font(QFontDatabase::systemFont(QFontDatabase::FixedFont))
{
    m_font.setPointSizeF(8);
    m_height = QFontMetricsF(m_font).boundingRect("W").height();
    m_dbg = new QLabel("WAITING", this);
    m_dbg->setFont(m_font);
    m_dbg->setGeometry(0, height() - 8 - 14, width(), 14);
    terminalView->setDebug(this);
}

QString TerminalDebugView::statusLine() const
{
    Buffer& buffer = m_terminal.buffer();
    return QString("x: %1 y: %2 yDisp: %3 yBase: %4 clc: %5 startIndex: %6")
        .arg(buffer.x())
        .arg(buffer.y())
        .arg(buffer.yDisp())
        .arg(buffer.yBase())
        .arg(buffer.lines().maxLength())
        .arg(buffer.lines().startIndex());
}

void TerminalDebugView::update()
{
    QWidget::update();
    m_dbg->setGeometry(0, height() - 8 - 14, width(), 14);
    m_dbg->setText(statusLine());
}

TerminalDebugView::DebugString TerminalDebugView::getDebugString(const BufferLine* line, int cols,
                                                                 const QString& prefix, bool hilight, int) const
{
    DebugString result { prefix, { { 0, int(prefix.size()), prefixFormat(hilight) } } };
    if (hilight)
        std::puts("here");
    if (!line) {
        result.text += "<empty>";
        return result;
    }
    const QTextCharFormat normal = prefixFormat(false);
    int runStart = int(result.text.size());
    for (int col = 0; col < std::min(cols, line->count()); col++) {
        const CharData& cell = (*line)[col];
        if (col > 0 && !(cell.attributeKey() == (*line)[col - 1].attributeKey())) {
            result.formats.push_back({ runStart, int(result.text.size()) - runStart, normal });
            runStart = int(result.text.size());
        }
        result.text += cell.code() == 0 ? QString(" ") : QString::fromStdString(m_terminal.getCharacter(cell.code()));
    }
    if (int(result.text.size()) > runStart)
        result.formats.push_back({ runStart, int(result.text.size()) - runStart, normal });
    return result;
}

void TerminalDebugView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    Buffer& buffer = m_terminal.buffer();
    CircularBufferLineList& lines = buffer.lines();
    // Text lines of the overlay font's height, the first one a line below the top.
    const CellGeometry textLines(QSizeF(width(), m_height));
    for (int i = 0; i < lines.maxLength(); i++) {
        const int slot = (i + lines.startIndex()) % lines.maxLength();
        QString prefix = QString("[%1:%2]").arg(i, 3, 10, QChar('0')).arg(slot, 3, 10, QChar('0'));
        prefix += i == buffer.yDisp() ? "D" : " ";
        prefix += i == buffer.yBase() ? "B" : " ";
        const BufferLine* line = i < lines.count() ? &buffer.line(i) : nullptr;
        const DebugString row = getDebugString(line, m_terminal.cols, prefix, false, 0);
        QTextLayout layout(row.text, m_font);
        layout.setFormats(row.formats);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        layout.draw(&painter, QPointF(0, textLines.rowTop(i + 1)));
    }
}

QList<QRect> rectsBeingDrawn(const QPaintEvent& event)
{
    return QList<QRect>(event.region().begin(), event.region().end());
}

void pending(const QString& label, const QPaintEvent& event)
{
    std::printf("%s\n", label.toLocal8Bit().constData());
    for (const QRect& rect : rectsBeingDrawn(event))
        std::printf("   -> (%d, %d, %d, %d)\n", rect.x(), rect.y(), rect.width(), rect.height());
}

} // namespace zentrova
