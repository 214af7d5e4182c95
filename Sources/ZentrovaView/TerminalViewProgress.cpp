// Progress reports (OSC 9 ; 4): what the view remembers between reports, the bar that shows them
// along the top edge, and the 15-second clear when reports stop coming.

#include "ZentrovaView/TerminalView.h"

#include "ZentrovaView/TerminalProgressBarView.h"

#include <QMetaObject>
#include <QThread>

namespace zentrova {

void TerminalView::setupProgressBar()
{
    m_progressBarView = new TerminalProgressBarView(this, *m_displayQueue);
    layoutProgressBar();
}

void TerminalView::layoutProgressBar()
{
    // Qt's y axis points down: the top edge is y 0.
    m_progressBarView->setGeometry(0, 0, width(), progressBarHeight);
    m_progressBarView->raise();
}

void TerminalView::progressReport(Terminal&, const ProgressReport& report)
{
    if (QThread::currentThread() == thread()) {
        handleProgressReport(report);
        return;
    }
    QMetaObject::invokeMethod(
        this,
        [view = QPointer<TerminalView>(this), report] {
            if (view)
                view->handleProgressReport(report);
        },
        Qt::QueuedConnection);
}

void TerminalView::handleProgressReport(const ProgressReport& report)
{
    std::optional<uint8_t> value;
    switch (report.state) {
    case ProgressReportState::remove:
        clearProgressReport();
        return;
    case ProgressReportState::set:
        value = report.progress.value_or(0);
        m_lastProgressValue = value;
        break;
    case ProgressReportState::error:
        // Without a value the last one stays; without either the bar slides in the error colour.
        value = report.progress ? report.progress : m_lastProgressValue;
        if (report.progress)
            m_lastProgressValue = report.progress;
        break;
    case ProgressReportState::indeterminate:
        break;
    case ProgressReportState::pause:
        value = report.progress.value_or(m_lastProgressValue.value_or(100));
        m_lastProgressValue = value;
        break;
    }
    m_progressBarView->apply(report.state, value);
    resetProgressReportTimer();
}

void TerminalView::resetProgressReportTimer()
{
    if (m_progressReportTimer)
        m_progressReportTimer->cancel();
    m_progressReportTimer = m_displayQueue->postAfter(progressReportLifetime, [this] {
        m_progressReportTimer.reset();
        clearProgressReport();
    });
}

void TerminalView::clearProgressReport()
{
    if (m_progressReportTimer)
        m_progressReportTimer->cancel();
    m_progressReportTimer.reset();
    m_lastProgressValue.reset();
    m_progressBarView->apply(ProgressReportState::remove, std::nullopt);
}

} // namespace zentrova
