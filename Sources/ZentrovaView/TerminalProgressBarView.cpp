#include "ZentrovaView/TerminalProgressBarView.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace zentrova {
namespace {

// The platform's ease-in-ease-out timing.
QEasingCurve easeInOut()
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.42, 0), QPointF(0.58, 1), QPointF(1, 1));
    return curve;
}

double fraction(std::chrono::nanoseconds elapsed, std::chrono::milliseconds duration)
{
    return std::clamp(double(elapsed.count()) / double(std::chrono::nanoseconds(duration).count()), 0.0, 1.0);
}

} // namespace

const QColor TerminalProgressBarView::pauseColor = QColor(255, 149, 0);
const QColor TerminalProgressBarView::errorColor = QColor(255, 59, 48);

TerminalProgressBarView::TerminalProgressBarView(QWidget* parent, MainQueue& queue)
    : QWidget(parent)
    , m_queue(&queue)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    m_easing.setStartValue(0.0);
    m_easing.setEndValue(1.0);
    m_easing.setDuration(1000);
    m_easing.setEasingCurve(easeInOut());
    hide();
}

TerminalProgressBarView::~TerminalProgressBarView()
{
    stopAnimations();
}

void TerminalProgressBarView::setQueue(MainQueue& queue)
{
    stopAnimations();
    m_queue = &queue;
    if (m_state != ProgressReportState::remove)
        apply(m_state, m_progress);
}

void TerminalProgressBarView::apply(ProgressReportState state, std::optional<uint8_t> progress)
{
    // Shown first: a resize Qt held back for the hidden bar lands now and lays out the old report,
    // not this one, which then moves on from there.
    setVisible(state != ProgressReportState::remove);
    m_state = state;
    m_progress = progress;
    if (state == ProgressReportState::remove) {
        stopAnimations();
        return;
    }
    if (progress)
        showDeterminate(*progress, true);
    else
        showIndeterminate();
    update();
}

QColor TerminalProgressBarView::barColor() const
{
    switch (m_state) {
    case ProgressReportState::pause:
        return pauseColor;
    case ProgressReportState::error:
        return errorColor;
    default:
        return palette().color(QPalette::Highlight);
    }
}

void TerminalProgressBarView::showDeterminate(uint8_t progress, bool animated)
{
    const double target = width() * std::min<int>(progress, 100) / 100.0;
    const double current = m_slide ? 0 : barRect().width();
    m_trackVisible = false;
    m_slide.reset();
    m_growth = { animated ? current : target, target, m_queue->now() };
    scheduleFrame();
}

void TerminalProgressBarView::showIndeterminate()
{
    m_trackVisible = true;
    m_growth = {};
    const double segment = width() * barWidthRatio;
    // Too narrow a bar has no room for the segment to move.
    if (segment > 0 && segment < width()) {
        m_slide = m_queue->now();
        scheduleFrame();
    } else {
        m_slide.reset();
    }
}

QRectF TerminalProgressBarView::barRect() const
{
    const double now = double(m_queue->now().count());
    if (m_trackVisible) {
        const double segment = width() * barWidthRatio;
        if (!m_slide)
            return { 0, 0, segment, double(height()) };
        // To the far end and back again, eased each way, for as long as it is shown.
        const double period = 2.0 * double(std::chrono::nanoseconds(indeterminateDuration).count());
        const double phase = std::fmod(now - double(m_slide->count()), period) / period * 2;
        const double leg = phase <= 1 ? phase : 2 - phase;
        m_easing.setCurrentTime(int(std::lround(leg * 1000)));
        const double travel = width() - segment;
        return { m_easing.currentValue().toDouble() * travel, 0, segment, double(height()) };
    }
    const double t = fraction(m_queue->now() - m_growth.start, determinateDuration);
    m_easing.setCurrentTime(int(std::lround(t * 1000)));
    const double eased = m_easing.currentValue().toDouble();
    return { 0, 0, m_growth.from + (m_growth.to - m_growth.from) * eased, double(height()) };
}

bool TerminalProgressBarView::animating() const
{
    if (!isVisible())
        return false;
    if (m_slide)
        return true;
    return !m_trackVisible && m_queue->now() - m_growth.start < determinateDuration && m_growth.from != m_growth.to;
}

void TerminalProgressBarView::scheduleFrame()
{
    if (m_frame || !animating())
        return;
    m_frame = m_queue->postAfter(frameInterval, [this] {
        m_frame.reset();
        update();
        scheduleFrame();
    });
}

void TerminalProgressBarView::stopAnimations()
{
    if (m_frame)
        m_frame->cancel();
    m_frame.reset();
    m_slide.reset();
}

void TerminalProgressBarView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    scheduleFrame();
}

void TerminalProgressBarView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_state == ProgressReportState::remove)
        return;
    stopAnimations();
    if (m_progress)
        showDeterminate(*m_progress, false);
    else
        showIndeterminate();
}

void TerminalProgressBarView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QColor color = barColor();
    if (m_trackVisible) {
        QColor track = color;
        track.setAlphaF(0.3f);
        painter.fillRect(rect(), track);
    }
    painter.fillRect(barRect(), color);
}

} // namespace zentrova
