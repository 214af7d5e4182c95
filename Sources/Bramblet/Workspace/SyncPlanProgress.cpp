#include "Bramblet/Workspace/SyncPlanProgress.h"

#include "Bramblet/Pane/FutureWatch.h"

#include <QLocale>
#include <QProgressDialog>
#include <QTimer>

namespace bramblet {

namespace {

// Long enough that a plan of an ordinary folder shows nothing but its result.
constexpr int sheetDelayMs = 500;
constexpr int redrawIntervalMs = 100;

} // namespace

SyncPlanProgress::SyncPlanProgress(QFuture<SyncPlan> future, std::shared_ptr<const SyncProgress> progress,
                                   QWidget* window, QObject* parent)
    : QObject(parent)
    , m_future(std::move(future))
    , m_progress(std::move(progress))
    , m_window(window)
    , m_redraw(new QTimer(this))
{
    m_redraw->setInterval(redrawIntervalMs);
    connect(m_redraw, &QTimer::timeout, this, &SyncPlanProgress::updateLabel);
    QTimer::singleShot(sheetDelayMs, this, &SyncPlanProgress::showSheet);
    whenFinished(m_future, this, [this](const QFuture<SyncPlan>& done) {
        m_redraw->stop();
        if (m_sheet)
            m_sheet->deleteLater();
        emit finished(done, m_cancelled);
        deleteLater();
    });
}

SyncPlanProgress::~SyncPlanProgress()
{
    // The executor waits for its work when the workspace goes: a walk must not hold it up.
    m_future.cancel();
    delete m_sheet;
}

void SyncPlanProgress::cancel()
{
    m_cancelled = true;
    m_future.cancel();
}

QProgressDialog* SyncPlanProgress::sheet() const
{
    return m_sheet;
}

void SyncPlanProgress::showSheet()
{
    if (m_sheet || m_cancelled)
        return;
    m_sheet = new QProgressDialog(label(m_progress ? m_progress->listedItems() : 0), QStringLiteral("Cancel"), 0, 0,
                                  m_window);
    m_sheet->setWindowTitle(QStringLiteral("Compare & Sync"));
    m_sheet->setWindowModality(m_window ? Qt::WindowModal : Qt::ApplicationModal);
    m_sheet->setMinimumDuration(0);
    m_sheet->setAutoClose(false);
    m_sheet->setAutoReset(false);
    connect(m_sheet, &QProgressDialog::canceled, this, &SyncPlanProgress::cancel);
    m_sheet->open();
    m_redraw->start();
}

QString SyncPlanProgress::label(qint64 listedItems)
{
    return QStringLiteral("Comparing the two folders\u2026 %1 item%2 listed.")
        .arg(QLocale().toString(listedItems))
        .arg(listedItems == 1 ? QString() : QStringLiteral("s"));
}

void SyncPlanProgress::updateLabel()
{
    if (m_sheet && m_progress)
        m_sheet->setLabelText(label(m_progress->listedItems()));
}

} // namespace bramblet
