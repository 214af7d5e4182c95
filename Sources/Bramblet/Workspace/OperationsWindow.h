#pragma once

#include "BrambletCore/Models/ActivityRecord.h"

#include <QList>
#include <QWidget>

#include <functional>

class QPushButton;

namespace bramblet {

class StackView;

// The Operations window: a "Cancel pending items" button over the scrolling activity log, newest
// record first. The rows are rebuilt from scratch by showRecords(). Main thread only.
class OperationsWindow : public QWidget {
    Q_OBJECT

public:
    // At most this many of the newest records are shown (and kept between runs).
    static constexpr int shownRecords = 100;

    explicit OperationsWindow(QWidget* parent = nullptr);

    std::function<void()> cancelPending;
    // A row's Retry button; gets the record's identifier as text.
    std::function<void(const QString&)> retry;

    // Replaces the rows with the newest `shownRecords` of `records` (oldest first as given).
    void showRecords(const QList<ActivityRecord>& records);

    QPushButton* cancelButton() const { return m_cancelButton; }
    StackView* activityStack() const { return m_activityStack; }

private:
    QWidget* makeRow(const ActivityRecord& record);

    QPushButton* m_cancelButton;
    StackView* m_activityStack;
};

} // namespace bramblet
