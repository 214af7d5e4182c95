#include "Bramblet/Remote/S3BrowserPane.h"

#include "Bramblet/Inspector/ThemedLabel.h"
#include "Bramblet/Pane/FutureWatch.h"
#include "Bramblet/Remote/RemoteFailure.h"
#include "Bramblet/Remote/RemotePaneViews.h"
#include "Bramblet/Remote/S3ObjectCells.h"
#include "Bramblet/Theme/ApplicationAppearance.h"
#include "Bramblet/Theme/ColorView.h"
#include "Bramblet/Theme/StackView.h"
#include "Bramblet/Theme/Theme.h"
#include "Bramblet/Workspace/DialogPresenter.h"
#include "Bramblet/Workspace/WorkspaceDefaults.h"
#include "BrambletCore/Remote/Keychain.h"
#include "BrambletCore/Remote/S3Service.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>

namespace bramblet {

namespace {

QToolButton* toolbarButton(const char* symbol, const QString& text)
{
    auto* button = new QToolButton;
    button->setAutoRaise(true);
    button->setIcon(Theme::systemSymbol(QLatin1String(symbol)));
    button->setToolTip(text);
    button->setAccessibleName(text);
    button->setFixedSize(28, 28);
    return button;
}

} // namespace

S3BrowserPane::S3BrowserPane(WorkspaceDefaults& defaults, DialogPresenter& dialogs, QObject* parent)
    : S3BrowserPane(defaults, dialogs, QSslConfiguration::defaultConfiguration(), parent)
{
}

S3BrowserPane::S3BrowserPane(WorkspaceDefaults& defaults, DialogPresenter& dialogs, QSslConfiguration tls,
                             QObject* parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_dialogs(dialogs)
    , m_tls(std::move(tls))
    , m_contentView(new ColorView(Theme::window()))
{
    m_connections = loadConnections();
    configure();
}

S3BrowserPane::~S3BrowserPane()
{
    // Batches hold their clients; the clients end their requests without waiting for the network.
    m_transfers.clear();
    delete m_contentView.data();
}

ColorView* S3BrowserPane::contentView() const
{
    return m_contentView;
}

QWidget* S3BrowserPane::anchorWindow() const
{
    return m_anchorWindow;
}

void S3BrowserPane::setAnchorWindow(QWidget* window)
{
    m_anchorWindow = window;
}

void S3BrowserPane::configure()
{
    m_pathLabel = RemotePaneViews::statusLabel();
    m_statusLabel = RemotePaneViews::statusLabel();

    m_table = RemotePaneViews::listingTable({ QStringLiteral("Name"), QStringLiteral("Size"), QStringLiteral("Date Modified") },
                                            { 340, 100, 180 }, QAbstractItemView::ExtendedSelection);
    m_table->setIconSize(QSize(18, 18));
    connect(m_table, &QTableWidget::cellDoubleClicked, this, [this] { openSelected(); });
    // The cells hold colours resolved for one appearance: a switch fills them anew.
    connect(&ApplicationAppearance::shared(), &ApplicationAppearance::effectiveAppearanceChanged, this,
            [this] { fillTable(); });

    m_progressBar = new QProgressBar;
    m_progressBar->setRange(0, S3Service::progressScale);
    m_progressBar->setFormat(QStringLiteral("%p%"));
    m_progressBar->setFixedWidth(200);
    m_cancelButton = new QPushButton(QStringLiteral("Cancel"));
    m_cancelButton->setToolTip(QStringLiteral("Stop the uploads and downloads in progress"));
    connect(m_cancelButton, &QPushButton::clicked, this, [this] { cancelTransfers(); });
    m_progressLabel = RemotePaneViews::statusLabel();
    m_progressLabel->setMinimumWidth(220);
    m_progressRow = RemotePaneViews::row({ m_progressLabel, m_progressBar, m_cancelButton }, {});
    m_progressRow->hide();
    m_progressTimer.setInterval(200);
    connect(&m_progressTimer, &QTimer::timeout, this, [this] { showTransferProgress(); });

    StackView* statusRow = RemotePaneViews::row({ m_statusLabel, m_progressRow }, { 12, 4, 12, 8 });
    statusRow->boxLayout()->setStretchFactor(m_statusLabel, 1);
    StackView* pathRow = RemotePaneViews::row({ m_pathLabel }, { 12, 0, 12, 4 });
    pathRow->boxLayout()->setStretchFactor(m_pathLabel, 1);

    QWidget* toolbar = makeToolbar();
    RemotePaneViews::fillWithColumn(m_contentView, { toolbar, pathRow, m_table, statusRow }, m_table);

    refreshConnectionPopup();
    if (!m_connections.isEmpty())
        selectConnection(m_connections.first());
    else
        m_statusLabel->setFullText(QStringLiteral("Add a connection to get started."));
}

QWidget* S3BrowserPane::makeToolbar()
{
    m_connectionPopup = new QComboBox;
    m_connectionPopup->setToolTip(QStringLiteral("Saved S3 connections"));
    m_connectionPopup->setMinimumWidth(160);
    connect(m_connectionPopup, &QComboBox::activated, this, [this] { connectionChanged(); });

    auto* manage = new QToolButton;
    manage->setText(QStringLiteral("Connections…"));
    manage->setAutoRaise(true);
    manage->setToolTip(QStringLiteral("Add, edit, or remove saved S3 connections"));
    connect(manage, &QToolButton::clicked, this, [this] { manageConnections(); });

    const struct {
        const char* symbol;
        QString text;
        void (S3BrowserPane::*action)();
    } buttons[] = {
        { "arrow.up", QStringLiteral("Parent folder"), &S3BrowserPane::goUp },
        { "arrow.clockwise", QStringLiteral("Refresh"), &S3BrowserPane::refresh },
        { "folder.badge.plus", QStringLiteral("New folder"), &S3BrowserPane::newFolder },
        { "arrow.up.doc", QStringLiteral("Upload files…"), &S3BrowserPane::uploadFiles },
        { "arrow.down.doc", QStringLiteral("Download selected"), &S3BrowserPane::downloadSelected },
        { "trash", QStringLiteral("Delete selected"), &S3BrowserPane::deleteSelected },
    };
    QList<QWidget*> views { m_connectionPopup, manage };
    for (const auto& entry : buttons) {
        QToolButton* button = toolbarButton(entry.symbol, entry.text);
        connect(button, &QToolButton::clicked, this, [this, action = entry.action] { (this->*action)(); });
        views.append(button);
    }
    StackView* toolbar = RemotePaneViews::row(views, { 12, 10, 12, 10 });
    toolbar->boxLayout()->addStretch(1);
    return toolbar;
}

QList<S3Connection> S3BrowserPane::loadConnections() const
{
    const auto json = m_defaults.data(connectionsKey);
    if (!json)
        return {};
    return decodeList<S3Connection>(*json).value_or(QList<S3Connection>());
}

void S3BrowserPane::saveConnections()
{
    m_defaults.setData(connectionsKey, encodeList(m_connections));
}

void S3BrowserPane::refreshConnectionPopup()
{
    const QSignalBlocker blocker(m_connectionPopup);
    m_connectionPopup->clear();
    for (const S3Connection& connection : m_connections)
        m_connectionPopup->addItem(connection.name);
}

void S3BrowserPane::connectionChanged()
{
    const int index = m_connectionPopup->currentIndex();
    if (index >= 0 && index < m_connections.size())
        selectConnection(m_connections[index]);
}

void S3BrowserPane::selectConnection(const S3Connection& connection)
{
    m_activeConnection = connection;
    {
        const QSignalBlocker blocker(m_connectionPopup);
        m_connectionPopup->setCurrentIndex(m_connectionPopup->findText(connection.name, Qt::MatchExactly));
    }
    const auto secret = Keychain::read(QString::fromLatin1(Keychain::s3Service), connection.idString());
    if (!secret) {
        m_statusLabel->setFullText(QStringLiteral("No secret key saved for ") + connection.name
                                   + QStringLiteral(". Edit it in Connections…"));
        m_service.reset();
        return;
    }
    m_service = std::make_shared<S3Service>(connection, *secret, m_tls);
    ++m_serviceNumber;
    m_prefixStack = QStringList { QString() };
    refresh();
}

void S3BrowserPane::forgetService()
{
    m_activeConnection.reset();
    m_service.reset();
    m_listingService.reset();
    m_objects.clear();
    fillTable();
}

void S3BrowserPane::refresh()
{
    if (!m_service)
        return;
    const QString prefix = currentPrefix();
    showPath();
    m_statusLabel->setFullText(QStringLiteral("Loading…"));
    // The listing of the folder the user left is not waited for: stopping it frees the client's
    // queue for this one, however slow the server is with the other.
    m_pendingListing.cancel();
    // The answer is tagged with the client and the folder it was asked for: one that lands after
    // the user moved on is dropped, so the table never shows one folder while the pane stands in
    // another.
    const quint64 number = m_serviceNumber;
    const std::shared_ptr<S3Service> service = m_service;
    const QStringList stack = m_prefixStack;
    m_pendingListing = service->list(prefix);
    whenFinished(m_pendingListing, this, [this, number, stack, weakService = std::weak_ptr(service)](const QFuture<QList<S3Object>>& future) {
        if (number != m_serviceNumber || !m_service || stack != m_prefixStack)
            return;
        if (const auto failure = failureOf(future)) {
            // Path and rows stay together: back to the folder on screen, or, when the rows came
            // from another connection's bucket, no rows.
            if (m_listingService && m_listingService == weakService.lock()) {
                m_prefixStack = m_shownStack;
            } else {
                m_listingService.reset();
                m_objects.clear();
                fillTable();
            }
            showPath();
            m_statusLabel->setFullText(QStringLiteral("Could not load listing."));
            showError(remoteFailureText(failure));
            return;
        }
        if (!hasResult(future))
            return;
        m_listingService = weakService.lock();
        m_shownStack = stack;
        applyListing(future.result());
    });
}

void S3BrowserPane::showPath()
{
    const QString bucket = m_activeConnection ? m_activeConnection->bucket : QString();
    m_pathLabel->setFullText(u'/' + bucket + u'/' + currentPrefix());
}

void S3BrowserPane::applyListing(const QList<S3Object>& objects)
{
    m_objects = objects;
    fillTable();
    m_statusLabel->setFullText(QString::number(m_objects.size()) + QStringLiteral(" items"));
}

void S3BrowserPane::fillTable()
{
    m_table->clearContents();
    m_table->setRowCount(int(m_objects.size()));
    for (int index = 0; index < m_objects.size(); ++index)
        S3ObjectCells::fill(*m_table, index, m_objects[index]);
}

void S3BrowserPane::goUp()
{
    if (m_prefixStack.size() < 2)
        return;
    m_prefixStack.removeLast();
    refresh();
}

void S3BrowserPane::openSelected()
{
    const int index = RemotePaneViews::chosenRow(*m_table);
    if (index < 0 || index >= m_objects.size() || !m_objects[index].isFolder)
        return;
    m_prefixStack.append(m_objects[index].key);
    refresh();
}

QList<S3Object> S3BrowserPane::selectedFiles() const
{
    QList<int> rows;
    for (const QModelIndex& index : m_table->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    QList<S3Object> files;
    for (const int index : rows) {
        if (index < m_objects.size() && !m_objects[index].isFolder)
            files.append(m_objects[index]);
    }
    return files;
}

void S3BrowserPane::showError(const QString& text)
{
    if (!m_anchorWindow)
        return;
    m_dialogs.present(m_anchorWindow, alertRequest(errorTitle, text, { QStringLiteral("OK") }), {});
}

} // namespace bramblet
