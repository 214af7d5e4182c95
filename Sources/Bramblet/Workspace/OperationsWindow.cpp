#include "Bramblet/Workspace/OperationsWindow.h"

#include "Bramblet/Inspector/ThemedLabel.h"
#include "Bramblet/Theme/StackView.h"
#include "Bramblet/Theme/Theme.h"

#include <QAction>
#include <QBoxLayout>
#include <QPushButton>
#include <QScrollArea>

namespace bramblet {

namespace {

QString capitalized(const QString& text)
{
    return text.isEmpty() ? text : text.left(1).toUpper() + text.mid(1);
}

} // namespace

OperationsWindow::OperationsWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("Operations"));
    resize(720, 460);
    auto* close = new QAction(QStringLiteral("Close"), this);
    close->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(close, &QAction::triggered, this, &QWidget::close);
    addAction(close);

    m_cancelButton = new QPushButton(QStringLiteral("Cancel pending items"));
    m_cancelButton->setToolTip(QStringLiteral("Stop all queued operations; the item currently running will finish"));
    connect(m_cancelButton, &QPushButton::clicked, this, [this] {
        if (cancelPending)
            cancelPending();
    });

    m_activityStack = Theme::stack({}, Qt::Vertical, 12);
    m_activityStack->boxLayout()->setContentsMargins(16, 16, 16, 16);
    m_activityStack->boxLayout()->setAlignment(Qt::AlignTop);

    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true); // the log is as wide as the scroll view's content
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll->setWidget(m_activityStack);

    auto* content = Theme::stack({ m_cancelButton, scroll }, Qt::Vertical, 8);
    content->boxLayout()->setContentsMargins(12, 12, 12, 12);
    content->boxLayout()->setAlignment(scroll, {});
    content->boxLayout()->setStretchFactor(scroll, 1);
    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->addWidget(content);
}

void OperationsWindow::showRecords(const QList<ActivityRecord>& records)
{
    auto* layout = m_activityStack->boxLayout();
    while (auto* item = layout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    if (records.isEmpty()) {
        auto* empty = new ThemedLabel(
            QStringLiteral("No operations yet. Copy, move, rename, or create a folder to begin."),
            Theme::font(15, QFont::Normal), Theme::primary());
        m_activityStack->addArrangedSubview(empty);
        return;
    }
    const auto first = std::max<qsizetype>(0, records.size() - shownRecords);
    for (auto index = records.size() - 1; index >= first; --index) {
        auto* row = makeRow(records[index]);
        m_activityStack->addArrangedSubview(row);
        layout->setAlignment(row, {});
    }
}

QWidget* OperationsWindow::makeRow(const ActivityRecord& record)
{
    auto* title = new ThemedLabel(
        QStringLiteral("%1 \u00b7 %2").arg(bramblet::title(record.action()), capitalized(toString(record.status))),
        Theme::font(13, QFont::DemiBold), Theme::primary());
    auto* detail = new ThemedLabel(
        QStringLiteral("%1\n\u2192 %2\n%3").arg(record.source(), record.destination(), record.message),
        Theme::font(12, QFont::Normal), Theme::systemColor(Theme::SystemColor::secondaryLabel));
    detail->setMaximumLines(5);
    detail->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QList<QWidget*> views { title, detail };
    if (record.status == ActivityRecord::Status::cancelled || record.status == ActivityRecord::Status::failed) {
        auto* retryButton = new QPushButton(QStringLiteral("Retry\u2026"));
        retryButton->setObjectName(record.id().toString(QUuid::WithoutBraces));
        retryButton->setToolTip(QStringLiteral("Retry this operation"));
        retryButton->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        connect(retryButton, &QPushButton::clicked, this, [this, retryButton] {
            if (retry)
                retry(retryButton->objectName());
        });
        views.append(retryButton);
    }
    auto* row = Theme::stack(views, Qt::Vertical, 4);
    // The labels take the row's whole width; the row takes the log's, less its insets.
    row->boxLayout()->setAlignment(title, {});
    row->boxLayout()->setAlignment(detail, {});
    return row;
}

} // namespace bramblet
