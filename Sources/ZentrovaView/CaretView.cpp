#include "ZentrovaView/CaretView.h"

#include "Zentrova/Screen/UnicodeUtil.h"
#include "ZentrovaView/CustomGlyphs/CustomGlyphPainter.h"
#include "ZentrovaView/CustomGlyphs/PowerlineGeometry.h"
#include "ZentrovaView/GlyphSlotFit.h"
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
const QEasingCurve& easeIn()
{
    static const QEasingCurve curve = [] {
        QEasingCurve made(QEasingCurve::BezierSpline);
        made.addCubicBezierSegment(QPointF(0.42, 0), QPointF(1, 1), QPointF(1, 1));
        return made;
    }();
    return curve;
}

constexpr std::chrono::nanoseconds blinkPeriod = 2 * std::chrono::nanoseconds(CaretView::blinkDuration);

// The opacity `intoFade` into a fade from opaque to clear, before it is rounded to a level.
double fadeValue(std::chrono::nanoseconds intoFade)
{
    return 1 - easeIn().valueForProgress(double(intoFade.count()) / double(blinkPeriod.count() / 2));
}

// The times within a blink period at which the rounded opacity changes: where the fade crosses the
// midpoints between levels on its way out, and again on its way back. Found once by bisection.
const std::vector<std::chrono::nanoseconds>& levelChanges()
{
    static const std::vector<std::chrono::nanoseconds> changes = [] {
        std::vector<std::chrono::nanoseconds> times;
        const auto fade = blinkPeriod / 2;
        for (int level = 0; level < CaretView::fadeLevels; level++) {
            const double midpoint = (level + 0.5) / CaretView::fadeLevels;
            std::chrono::nanoseconds low { 0 }, high = fade;
            while (high - low > std::chrono::microseconds(10)) {
                const auto middle = low + (high - low) / 2;
                (fadeValue(middle) > midpoint ? low : high) = middle;
            }
            times.push_back(high);
            times.push_back(blinkPeriod - high);
        }
        std::sort(times.begin(), times.end());
        return times;
    }();
    return changes;
}

} // namespace

CaretView::CaretView(TerminalView& terminal, CursorStyle style, MainQueue& queue)
    : QWidget(&terminal)
    , m_terminal(&terminal)
    , m_queue(&queue)
    , m_style(style)
    , m_blinkFrame(queue.makeTimer([this] { blinkFrameDue(); }))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    update();
}

CaretView::~CaretView() = default;

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
    m_image = QPixmap();
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
    m_blinkFrame = queue.makeTimer([this] { blinkFrameDue(); });
    if (wasBlinking)
        updateCursorStyle();
}

void CaretView::updateCursorStyle()
{
    m_image = QPixmap();
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
    resumeOrPauseFrames();
}

void CaretView::disableAnimations()
{
    m_blinkFrame->stop();
    m_blinkStart.reset();
    m_opacity = 1;
    update();
}

bool CaretView::mayAnimate() const
{
    return isVisible() && isActiveWindow();
}

void CaretView::resumeOrPauseFrames()
{
    if (m_blinkStart && mayAnimate()) {
        if (!m_blinkFrame->isActive())
            blinkFrameDue();
        return;
    }
    // Paused, the caret stands opaque; resuming picks the fade up where the clock stands.
    m_blinkFrame->stop();
    if (m_opacity != 1) {
        m_opacity = 1;
        update();
    }
}

double CaretView::fadeOpacity(std::chrono::nanoseconds intoPeriod)
{
    const auto intoFade = intoPeriod < blinkPeriod / 2 ? intoPeriod : blinkPeriod - intoPeriod;
    return std::round(fadeValue(intoFade) * fadeLevels) / fadeLevels;
}

std::chrono::nanoseconds CaretView::untilNextLevel(std::chrono::nanoseconds intoPeriod)
{
    const auto& changes = levelChanges();
    const auto next = std::upper_bound(changes.begin(), changes.end(), intoPeriod);
    return (next == changes.end() ? blinkPeriod + changes.front() : *next) - intoPeriod;
}

void CaretView::scheduleBlinkFrame()
{
    const auto intoPeriod = (m_queue->now() - *m_blinkStart) % blinkPeriod;
    // A millisecond past the change, so the frame lands on the new level.
    const auto delay = std::chrono::ceil<std::chrono::milliseconds>(untilNextLevel(intoPeriod))
        + std::chrono::milliseconds(1);
    m_blinkFrame->start(std::max(delay, minimumFrameGap));
}

void CaretView::blinkFrameDue()
{
    if (!m_blinkStart || !mayAnimate())
        return;
    const double opacity = fadeOpacity((m_queue->now() - *m_blinkStart) % blinkPeriod);
    if (opacity != m_opacity) {
        m_opacity = opacity;
        // Painted now rather than at the next update request: a frame wakes the program once.
        repaint();
    }
    scheduleBlinkFrame();
}

void CaretView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    resumeOrPauseFrames();
}

void CaretView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    resumeOrPauseFrames();
}

bool CaretView::event(QEvent* event)
{
    const bool handled = QWidget::event(event);
    // The window's activation reaches its shown children as these two.
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::WindowDeactivate)
        resumeOrPauseFrames();
    return handled;
}

CaretView::Look CaretView::currentLook() const
{
    return { size(),
             devicePixelRatioF(),
             m_style,
             drawsFocused(),
             m_terminal->effectiveCaretColor().rgba(),
             m_terminal->effectiveCaretTextColor().rgba(),
             m_terminal->customBlockGlyphs() };
}

void CaretView::paintEvent(QPaintEvent*)
{
    if (!m_terminal || width() <= 0 || height() <= 0)
        return;
    const Look look = currentLook();
    if (m_image.isNull() || look != m_imageLook) {
        m_image = QPixmap(size() * look.ratio);
        m_image.setDevicePixelRatio(look.ratio);
        m_image.fill(Qt::transparent);
        QPainter imagePainter(&m_image);
        drawCaret(imagePainter);
        m_imageLook = look;
    }
    QPainter painter(this);
    painter.setOpacity(m_opacity);
    painter.drawPixmap(0, 0, m_image);
}

void CaretView::drawCaret(QPainter& painter)
{
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

    // A glyph that overflows the box shrinks to fit, to no less than a tenth, and is centred on it; a
    // wide colour glyph fills the box as the row draws it.
    double scale = 1;
    const double fit = std::min(box.width() / ink.width(), box.height() / ink.height());
    if (m_glyphColumnWidth > 1 && GlyphSlotFit::isColorFont(raw) && !ink.isEmpty())
        scale = std::max(fit, 0.1);
    else if (ink.width() > box.width() || ink.height() > box.height())
        scale = std::clamp(fit, 0.1, 1.0);
    double baseline = box.height() - std::ceil(QFontMetricsF(m_terminal->fontSet().normal).descent()
                                               + QFontMetricsF(m_terminal->fontSet().normal).leading());
    if (scale != 1) {
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
