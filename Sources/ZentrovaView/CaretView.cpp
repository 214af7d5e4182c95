#include "ZentrovaView/CaretView.h"

#include "Zentrova/Screen/UnicodeUtil.h"
#include "ZentrovaView/CustomGlyphs/CustomGlyphPainter.h"
#include "ZentrovaView/CustomGlyphs/PowerlineGeometry.h"
#include "ZentrovaView/TerminalView.h"

#include <QEasingCurve>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace zentrova {
namespace {

bool isBlock(CursorStyle style)
{
    return style == CursorStyle::blinkBlock || style == CursorStyle::steadyBlock;
}

bool isBlinking(CursorStyle style)
{
    return style == CursorStyle::blinkBlock || style == CursorStyle::blinkUnderline || style == CursorStyle::blinkBar;
}

// The platform's ease-in: slow at the start, full speed at the end.
QEasingCurve easeIn()
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.42, 0), QPointF(1, 1), QPointF(1, 1));
    return curve;
}

} // namespace

CaretView::CaretView(TerminalView& terminal, CursorStyle style, MainQueue& queue)
    : QWidget(&terminal)
    , m_terminal(&terminal)
    , m_queue(&queue)
    , m_style(style)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    m_fade.setStartValue(1.0);
    m_fade.setEndValue(0.0);
    m_fade.setDuration(int(blinkDuration.count()));
    m_fade.setEasingCurve(easeIn());
    update();
}

CaretView::~CaretView()
{
    if (m_blinkFrame)
        m_blinkFrame->cancel();
}

void CaretView::setText(const CharData& cell)
{
    m_glyphColumnWidth = std::max(cell.width(), 1);
    m_attribute = cell.attribute();
    const bool hidden = m_terminal && !m_terminal->textBlinkVisible()
        && cell.attribute().style.contains(CharacterStyle::blink);
    m_powerlineCodePoint.reset();
    if (!hidden && PowerlineRenderer::glyph(cell.code()))
        m_powerlineCodePoint = cell.code();
    const std::string character = m_terminal && !hidden ? m_terminal->terminal().getCharacter(cell.code()) : " ";
    m_text = QString::fromStdString(UnicodeUtil::textPresentationAdjusted(character));
    update();
}

bool CaretView::drawsFocused() const
{
    return m_tracksFocus && m_terminal ? m_terminal->hasFocus() : true;
}

void CaretView::setQueue(MainQueue& queue)
{
    const bool wasBlinking = blinking();
    disableAnimations();
    m_queue = &queue;
    if (wasBlinking)
        updateCursorStyle();
}

void CaretView::updateCursorStyle()
{
    if (isBlinking(m_style))
        updateAnimation(drawsFocused());
    else
        disableAnimations();
    update();
}

void CaretView::updateAnimation(bool focused)
{
    disableAnimations();
    if (!focused)
        return;
    m_blinkStart = m_queue->now();
    scheduleBlinkFrame();
}

void CaretView::disableAnimations()
{
    if (m_blinkFrame)
        m_blinkFrame->cancel();
    m_blinkFrame.reset();
    m_blinkStart.reset();
    m_opacity = 1;
    update();
}

void CaretView::scheduleBlinkFrame()
{
    // A hidden caret needs no frames; showing it again resumes the blink where the clock stands.
    if (!isVisible())
        return;
    m_blinkFrame = m_queue->postAfter(blinkFrame, [this] { blinkFrameDue(); });
}

void CaretView::blinkFrameDue()
{
    m_blinkFrame.reset();
    if (!m_blinkStart)
        return;
    // Out and back again: the second half plays the fade in reverse.
    const auto period = 2 * std::chrono::duration_cast<std::chrono::nanoseconds>(blinkDuration);
    const auto intoPeriod = (m_queue->now() - *m_blinkStart) % period;
    const auto intoFade = intoPeriod < period / 2 ? intoPeriod : period - intoPeriod;
    m_fade.setCurrentTime(int(std::chrono::duration_cast<std::chrono::milliseconds>(intoFade).count()));
    m_opacity = m_fade.currentValue().toDouble();
    update();
    scheduleBlinkFrame();
}

void CaretView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_blinkStart && !m_blinkFrame)
        scheduleBlinkFrame();
}

void CaretView::paintEvent(QPaintEvent*)
{
    if (!m_terminal)
        return;
    QPainter painter(this);
    painter.setOpacity(m_opacity);
    const QRectF bounds = rect();
    const QColor caretColor = m_terminal->effectiveCaretColor();
    if (!drawsFocused()) {
        // Half the pen falls outside the widget, leaving a 1.5-pixel frame.
        painter.setPen(QPen(caretColor, 3));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(bounds);
        return;
    }
    switch (m_style) {
    case CursorStyle::blinkBlock:
    case CursorStyle::steadyBlock:
        painter.fillRect(bounds, caretColor);
        break;
    case CursorStyle::blinkUnderline:
    case CursorStyle::steadyUnderline:
        painter.fillRect(QRectF(0, bounds.height() - 2, bounds.width(), 2), caretColor);
        break;
    case CursorStyle::blinkBar:
    case CursorStyle::steadyBar:
        painter.fillRect(QRectF(0, 0, 2, bounds.height()), caretColor);
        break;
    }
    if (!isBlock(m_style))
        return;
    const QColor textColor = m_terminal->effectiveCaretTextColor();
    if (m_powerlineCodePoint && m_terminal->customBlockGlyphs()) {
        // The same shape the row draws, on the device-pixel grid.
        const double scale = devicePixelRatioF() > 0 ? devicePixelRatioF() : 1;
        painter.scale(1 / scale, 1 / scale);
        const auto shape = PowerlineRenderer::shape(*PowerlineRenderer::glyph(*m_powerlineCodePoint), 0, 0,
                                                    width() * scale, height() * scale, 1, 1);
        CustomGlyphPainter::paintPowerline(painter, shape, textColor);
        return;
    }
    drawGlyph(painter, textColor);
}

void CaretView::drawGlyph(QPainter& painter, const QColor& color)
{
    if (m_text.trimmed().isEmpty())
        return;
    const CellStyle style = m_terminal->getAttributedValue(m_attribute, m_terminal->effectiveCaretColor(), color);
    const QFont font = m_terminal->fontSet().font(style.font);
    QRawFont raw = TerminalView::resolvedFont(m_text, font);
    const QList<quint32> glyphs = raw.glyphIndexesForString(m_text);
    if (glyphs.isEmpty())
        return;

    const QSizeF cell = m_terminal->cellDimension().value_or(QSizeF(width(), height()));
    const QSizeF box(cell.width() * m_glyphColumnWidth, cell.height());
    const auto inkAndAdvance = [&glyphs](const QRawFont& face) {
        const QList<QPointF> advances = face.advancesForGlyphIndexes(glyphs);
        QRectF ink;
        double x = 0;
        for (qsizetype i = 0; i < glyphs.size(); i++) {
            ink |= face.boundingRect(glyphs[i]).translated(x, 0);
            x += advances[i].x();
        }
        return std::pair(ink, x);
    };
    auto [ink, advance] = inkAndAdvance(raw);

    // A glyph that overflows the box shrinks to fit, to no less than a tenth, and is centred on it.
    double scale = 1;
    if (ink.width() > box.width() || ink.height() > box.height())
        scale = std::clamp(std::min(box.width() / ink.width(), box.height() / ink.height()), 0.1, 1.0);
    double baseline = box.height() - std::ceil(QFontMetricsF(m_terminal->fontSet().normal).descent()
                                               + QFontMetricsF(m_terminal->fontSet().normal).leading());
    if (scale < 1) {
        raw.setPixelSize(raw.pixelSize() * scale);
        std::tie(ink, advance) = inkAndAdvance(raw);
        baseline = box.height() / 2 - ink.center().y();
    }

    const QList<QPointF> advances = raw.advancesForGlyphIndexes(glyphs);
    QList<QPointF> positions;
    double x = (box.width() - advance) / 2;
    for (const QPointF& step : advances) {
        positions.push_back({ x, baseline });
        x += step.x();
    }
    QGlyphRun run;
    run.setRawFont(raw);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    painter.setPen(color);
    painter.drawGlyphRun(QPointF(0, 0), run);
}

} // namespace zentrova
