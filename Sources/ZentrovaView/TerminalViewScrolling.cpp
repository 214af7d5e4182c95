// The scroll bar on the right edge and the scrolling operations it, the keys and the wheel use.

#include "ZentrovaView/TerminalView.h"

#include "ZentrovaView/TerminalViewDelegate.h"

#include <QScrollBar>
#include <QStyle>

#include <algorithm>
#include <cstdio>

namespace zentrova {
namespace {

// The scroll bar's integer range stands for positions 0...1.
constexpr int scrollerRange = 1 << 20;

constexpr uint8_t pageDownKey[] = { 0x1B, '[', '6', '~' };
constexpr uint8_t pageUpKey[] = { 0x1B, '[', '5', '~' };

int maxScroll(Terminal& terminal)
{
    return std::max(0, terminal.buffer().lines().count() - terminal.rows);
}

} // namespace

int TerminalView::scrollerWidth() const
{
    return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_scroller);
}

void TerminalView::setupScroller()
{
    if (!m_scroller) {
        m_scroller = new QScrollBar(Qt::Vertical, this);
        // The view's text cursor is not for the bar.
        m_scroller->setCursor(Qt::ArrowCursor);
        connect(m_scroller, &QScrollBar::actionTriggered, this, &TerminalView::scrollerActivated);
    }
    m_scroller->setRange(0, scrollerRange);
    m_scroller->setPageStep(scrollerRange / 9); // a knob a tenth of the track
    m_scroller->setEnabled(false);
    layoutScroller();
}

void TerminalView::layoutScroller()
{
    const int barWidth = scrollerWidth();
    m_scroller->setGeometry(width() - barWidth, 0, barWidth, height());
}

void TerminalView::setScrollerStyle(ScrollerStyle style)
{
    m_scrollerStyle = style;
    layoutScroller();
}

void TerminalView::setScrollSensitivity(double sensitivity)
{
    m_scrollSensitivity = std::max(sensitivity, 0.05);
}

void TerminalView::updateScroller()
{
    m_scroller->setEnabled(canScroll());
    // Qt's knob is pageStep / (range + pageStep) of the track.
    const double knob = std::clamp(scrollThumbsize(), 0.01, 0.99);
    m_scroller->setPageStep(int(scrollerRange * knob / (1 - knob)));
    m_scroller->setValue(int(scrollPosition() * scrollerRange));
}

void TerminalView::scrollerActivated(int action)
{
    switch (action) {
    case QAbstractSlider::SliderPageStepSub:
        pageUp();
        break;
    case QAbstractSlider::SliderMove:
        scroll(double(m_scroller->sliderPosition()) / scrollerRange);
        break;
    case QAbstractSlider::SliderPageStepAdd:
        if (m_terminal->isCurrentBufferAlternate())
            send(pageDownKey);
        else
            scrollDown(m_terminal->rows);
        break;
    case QAbstractSlider::SliderSingleStepSub:
        std::puts("Scroller .decrementLine clicked");
        break;
    case QAbstractSlider::SliderSingleStepAdd:
        std::puts("Scroller .incrementLine clicked");
        break;
    default:
        std::puts("Scroller: New value introduced");
        break;
    }
    // Qt moves the knob by its own rule after this; the knob must show where the view really is.
    m_scroller->setSliderPosition(int(scrollPosition() * scrollerRange));
}

double TerminalView::scrollPosition()
{
    Buffer& buffer = m_terminal->buffer();
    const int limit = maxScroll(*m_terminal);
    if (m_terminal->isCurrentBufferAlternate() || buffer.yDisp() <= 0)
        return 0;
    return buffer.yDisp() < limit ? double(buffer.yDisp()) / limit : 1;
}

double TerminalView::scrollThumbsize()
{
    if (m_terminal->isCurrentBufferAlternate())
        return 0.01;
    return std::max(double(m_terminal->rows) / m_terminal->buffer().lines().count(), 0.01);
}

bool TerminalView::canScroll()
{
    Buffer& buffer = m_terminal->buffer();
    return !m_terminal->isCurrentBufferAlternate() && buffer.hasScrollback() && m_terminal->rows < buffer.lines().count();
}

void TerminalView::updateUserScrollingState(int row)
{
    m_userScrolling = row < maxScroll(*m_terminal);
    m_terminal->userScrolling = m_userScrolling;
}

void TerminalView::scrollTo(int row)
{
    row = std::clamp(row, 0, maxScroll(*m_terminal));
    updateUserScrollingState(row);
    Buffer& buffer = m_terminal->buffer();
    if (row == buffer.yDisp())
        return;
    buffer.setYDisp(row);
    m_terminal->updateFullScreen();
    updateDisplay();
    if (m_terminalDelegate)
        m_terminalDelegate->scrolled(*this, scrollPosition());
    updateScroller();
    update();
}

void TerminalView::scroll(double toPosition)
{
    const int limit = maxScroll(*m_terminal);
    const int target = std::min(limit, std::max(0, int(toPosition * limit)));
    if (target == m_terminal->buffer().yDisp())
        updateUserScrollingState(target);
    else
        scrollTo(target);
}

void TerminalView::scrollUp(int lines)
{
    scrollTo(std::max(0, m_terminal->buffer().yDisp() - lines));
}

void TerminalView::scrollDown(int lines)
{
    scrollTo(std::max(0, std::min(maxScroll(*m_terminal), m_terminal->buffer().yDisp() + lines)));
}

void TerminalView::pageUp()
{
    if (m_terminal->isCurrentBufferAlternate())
        send(pageUpKey);
    else
        scrollTo(std::max(0, m_terminal->buffer().yDisp() - m_terminal->rows));
}

void TerminalView::pageDown()
{
    if (m_terminal->isCurrentBufferAlternate())
        send(pageDownKey);
    else
        scrollDown(m_terminal->rows);
}

} // namespace zentrova
