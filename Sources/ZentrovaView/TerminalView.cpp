#include "ZentrovaView/TerminalView.h"

#include "Zentrova/Search/SearchService.h"
#include "Zentrova/Text/SelectionService.h"
#include "ZentrovaView/CaretView.h"
#include "ZentrovaView/Gpu/MetalSurface.h"
#include "ZentrovaView/RowDrawingBuffers.h"
#include "ZentrovaView/TerminalProgressBarView.h"
#include "ZentrovaView/TerminalViewDelegate.h"

#include <QFontDatabase>
#include <QResizeEvent>
#include <QScrollBar>

namespace zentrova {

TerminalView::TerminalView(QWidget* parent, const std::optional<QFont>& font, const TerminalOptions& options,
                           QSize initialSize)
    : QWidget(parent)
    , m_fontSet(font.value_or(QFontDatabase::systemFont(QFontDatabase::FixedFont)))
    , m_startupOptions(options)
{
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::IBeamCursor);
    // Input methods compose into the view (preedit and commit events).
    setAttribute(Qt::WA_InputMethodEnabled);
    if (!initialSize.isEmpty())
        resize(initialSize);
    setup(initialSize);
}

TerminalView::~TerminalView()
{
    // The caret blinks on this view's main queue, which dies before Qt deletes the children.
    delete m_caretView;
    delete m_progressBarView;
    if (m_pendingDisplayHandle)
        m_pendingDisplayHandle->cancel();
    if (m_progressReportTimer)
        m_progressReportTimer->cancel();
    if (m_pendingMetalDisplayHandle)
        m_pendingMetalDisplayHandle->cancel();
    stopTextBlinking();
}

void TerminalView::setup(QSize initialSize)
{
    // Only rows that changed are redrawn, and drawing never leaves the widget (Qt clips to it).
    m_disableFullRedrawOnAnyChanges = true;
    setupScroller();
    setupProgressBar();
    const QSizeF size = initialSize.isEmpty() ? QSizeF(0, 0) : QSizeF(initialSize);
    setupOptions(usableWidth(size.width()), size.height());
    // The terminal reported its default colours while it was made, so the background is known here.
    setAutoFillBackground(true);
    applyBackgroundColor();
    setupTextBlinking();
}

void TerminalView::setSelection(std::shared_ptr<SelectionService> selection)
{
    m_selection = std::move(selection);
    if (m_selection)
        m_terminal->registerSelection(m_selection);
}

void TerminalView::setLinkHighlightMode(LinkHighlightMode mode)
{
    m_linkHighlightMode = mode;
    setLinkHighlightRange(std::nullopt);
    if (m_terminal->mouseMode() == MouseMode::anyEvent || m_commandActive || mode == LinkHighlightMode::hover)
        startTracking();
    else
        deregisterTrackingInterest();
    markFullScreenForRedraw();
}

void TerminalView::setBidiHostPolicy(BidiHostPolicy policy)
{
    m_bidiHostPolicy = policy;
    markFullScreenForRedraw();
}

void TerminalView::setTextBlinkVisible(bool visible)
{
    m_textBlinkVisible = visible;
    markFullScreenForRedraw();
}

void TerminalView::setCustomBlockGlyphs(bool on)
{
    m_customBlockGlyphs = on;
    markFullScreenForRedraw();
}

void TerminalView::setAntiAliasCustomBlockGlyphs(bool on)
{
    m_antiAliasCustomBlockGlyphs = on;
    markFullScreenForRedraw();
}

bool TerminalView::hasFocus() const
{
    return m_hasFocus && (!window() || window()->isActiveWindow());
}

void TerminalView::ensureCaretIsVisible()
{
    if (m_terminal->synchronizedOutputActive)
        return;
    Buffer& buffer = m_terminal->buffer();
    const int cursorRow = buffer.y() + buffer.yBase();
    if (cursorRow < buffer.yDisp() || cursorRow > buffer.yDisp() + m_terminal->rows - 1)
        scrollTo(buffer.yBase());
}

void TerminalView::configureNativeColors()
{
    setNativeForegroundColor(QPalette().color(QPalette::Text));
    setNativeBackgroundColor(QPalette().color(QPalette::Base));
}

void TerminalView::markFullScreenForRedraw()
{
    m_terminal->updateFullScreen();
    queuePendingDisplay();
}

void TerminalView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutScroller();
    layoutProgressBar();
    processSizeChange(event->size());
    updateScroller();
    // What was selected may now lie elsewhere on the screen, even when the grid kept its size.
    if (m_selection)
        m_selection->selectNone();
    updateCursorPosition();
    metalFrameSizeChanged();
}

void TerminalView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    updateTextBlinkLifecycle();
    // Shown anew, perhaps in another window: the GPU renderer follows.
    metalWindowChanged();
}

void TerminalView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    updateTextBlinkLifecycle();
}

} // namespace zentrova
