#pragma once

#include "BrambletCore/Sync/SyncPlan.h"
#include "BrambletCore/Sync/SyncProgress.h"

#include <QFuture>
#include <QObject>
#include <QPointer>

#include <memory>

class QProgressDialog;
class QTimer;
class QWidget;

namespace bramblet {

// The wait for one sync plan. A plan of a large tree takes a while, so once it has run for half a
// second a window-modal progress sheet on `window` shows how many items have been listed and
// offers Cancel; a quick plan never shows it. The UI thread only redraws the count: it never waits
// on the walk. Deletes itself once the plan has finished and `finished` has been emitted.
class SyncPlanProgress : public QObject {
    Q_OBJECT

public:
    SyncPlanProgress(QFuture<SyncPlan> future, std::shared_ptr<const SyncProgress> progress, QWidget* window,
                     QObject* parent);
    ~SyncPlanProgress() override;

    // Stops the walk; `finished` then comes without a plan or failure to show.
    void cancel();
    bool isCancelled() const { return m_cancelled; }

    // Shown once the plan has run long enough; null before and after.
    QProgressDialog* sheet() const;
    // Shows the sheet at once (tests; the delay would otherwise decide).
    void showSheet();

    // The sheet's text for a count of listed items.
    static QString label(qint64 listedItems);

signals:
    // The plan, when it arrived and nobody cancelled it; otherwise the failure, if any.
    void finished(const QFuture<SyncPlan>& future, bool cancelled);

private:
    void updateLabel();

    QFuture<SyncPlan> m_future;
    std::shared_ptr<const SyncProgress> m_progress;
    QPointer<QWidget> m_window;
    QPointer<QProgressDialog> m_sheet;
    QTimer* m_redraw;
    bool m_cancelled = false;
};

} // namespace bramblet
