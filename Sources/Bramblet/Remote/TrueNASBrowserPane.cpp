#include "Bramblet/Remote/TrueNASBrowserPane.h"

#include "Bramblet/Inspector/ThemedLabel.h"
#include "Bramblet/Pane/FutureWatch.h"
#include "Bramblet/Remote/RemoteFailure.h"
#include "Bramblet/Remote/RemotePaneViews.h"
#include "Bramblet/Remote/TrueNASItemOrder.h"
#include "Bramblet/Theme/ApplicationAppearance.h"
#include "Bramblet/Theme/ColorView.h"
#include "Bramblet/Theme/DisplayText.h"
#include "Bramblet/Theme/StackView.h"
#include "Bramblet/Theme/Theme.h"
#include "Bramblet/Workspace/WorkspaceDefaults.h"
#include "BrambletCore/Remote/Keychain.h"
#include "BrambletCore/Remote/KeychainError.h"
#include "BrambletCore/Remote/TrueNASService.h"

#include <QBoxLayout>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QTableWidget>
#include <QToolButton>

namespace bramblet {

namespace {

const QString defaultPath = QStringLiteral("/mnt");

QLineEdit* field(const QString& placeholder, int width)
{
    auto* edit = new QLineEdit;
    edit->setPlaceholderText(placeholder);
    edit->setAccessibleName(placeholder);
    edit->setFixedWidth(width);
    return edit;
}

QToolButton* textButton(const QString& title)
{
    auto* button = new QToolButton;
    button->setText(title);
    button->setAutoRaise(true);
    return button;
}

QString typeText(const TrueNASItem& item)
{
    if (TrueNASItemOrder::isFolder(item))
        return QStringLiteral("Folder");
    if (item.type == QLatin1String("FILE"))
        return QStringLiteral("File");
    return item.type;
}

} // namespace

TrueNASBrowserPane::TrueNASBrowserPane(WorkspaceDefaults& defaults, DialogPresenter& dialogs, QObject* parent)
    : TrueNASBrowserPane(defaults, dialogs, QSslConfiguration::defaultConfiguration(), std::chrono::seconds(60), parent)
{
}

// The pane shows every message in its status label; it presents nothing.
TrueNASBrowserPane::TrueNASBrowserPane(WorkspaceDefaults& defaults, DialogPresenter& /*dialogs*/, QSslConfiguration tls,
                                       std::chrono::milliseconds callTimeout, QObject* parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_tls(std::move(tls))
    , m_callTimeout(callTimeout)
    , m_contentView(new ColorView(Theme::window()))
{
    m_addressField = field(QStringLiteral("https://truenas.local"), 180);
    m_usernameField = field(QStringLiteral("Username (needed on newer TrueNAS versions)"), 220);
    m_apiKeyField = field(QStringLiteral("TrueNAS API key"), 200);
    m_apiKeyField->setEchoMode(QLineEdit::Password);
    m_pathField = field(defaultPath, 250);
    m_pathField->setText(defaultPath);
    m_statusLabel = RemotePaneViews::statusLabel(QStringLiteral("Enter the TrueNAS management address and API key."));
    restoreSavedConnection();
    configure();
}

TrueNASBrowserPane::~TrueNASBrowserPane()
{
    delete m_contentView.data();
}

ColorView* TrueNASBrowserPane::contentView() const
{
    return m_contentView;
}

QWidget* TrueNASBrowserPane::anchorWindow() const
{
    return m_anchorWindow;
}

void TrueNASBrowserPane::setAnchorWindow(QWidget* window)
{
    m_anchorWindow = window;
}

void TrueNASBrowserPane::restoreSavedConnection()
{
    const auto json = m_defaults.data(connectionKey);
    const QJsonObject saved = json ? QJsonDocument::fromJson(*json).object() : QJsonObject();
    m_addressField->setText(saved.value(QStringLiteral("address")).toString());
    m_usernameField->setText(saved.value(QStringLiteral("username")).toString());
    m_apiKeyField->setText(
        Keychain::read(QString::fromLatin1(Keychain::trueNASService), m_addressField->text()).value_or(QString()));
}

void TrueNASBrowserPane::configure()
{
    QToolButton* connectButton = textButton(QStringLiteral("Connect"));
    connect(connectButton, &QToolButton::clicked, this, [this] { connectToServer(); });
    QToolButton* goButton = textButton(QStringLiteral("Go"));
    connect(goButton, &QToolButton::clicked, this, [this] { goToPath(); });
    connect(m_pathField, &QLineEdit::returnPressed, this, [this] { goToPath(); });

    StackView* connectionRow = RemotePaneViews::row({ m_addressField, m_usernameField, m_apiKeyField, connectButton }, { 12, 10, 12, 8 });
    connectionRow->boxLayout()->addStretch(1);
    StackView* pathRow = RemotePaneViews::row({ m_pathField, goButton, m_statusLabel }, { 12, 4, 12, 8 });
    pathRow->boxLayout()->setStretchFactor(m_statusLabel, 1);

    m_table = RemotePaneViews::listingTable({ QStringLiteral("Name"), QStringLiteral("Type"), QStringLiteral("Size") },
                                            { 440, 120, 120 }, QAbstractItemView::SingleSelection);
    connect(m_table, &QTableWidget::cellDoubleClicked, this, [this] { openSelected(); });
    // The cells hold colours resolved for one appearance: a switch fills them anew.
    connect(&ApplicationAppearance::shared(), &ApplicationAppearance::effectiveAppearanceChanged, this,
            [this] { fillTable(); });

    RemotePaneViews::fillWithColumn(m_contentView, { connectionRow, pathRow, m_table }, m_table);
}

void TrueNASBrowserPane::connectToServer()
{
    const QString address = m_addressField->text().trimmed();
    const QString username = m_usernameField->text().trimmed();
    const QString apiKey = m_apiKeyField->text(); // as typed: a key may hold spaces
    if (address.isEmpty() || apiKey.isEmpty()) {
        m_statusLabel->setFullText(QStringLiteral("Enter a TrueNAS address and API key."));
        return;
    }
    m_statusLabel->setFullText(QStringLiteral("Connecting…"));
    const quint64 number = ++m_connectNumber;
    auto connecting = TrueNASService::connect(address, username, apiKey, m_tls, m_callTimeout);
    whenFinished(connecting, this, [this, number, address, username, apiKey](QFuture<std::unique_ptr<TrueNASService>> future) {
        if (const auto failure = failureOf(future)) {
            if (number == m_connectNumber)
                m_statusLabel->setFullText(remoteFailureText(failure));
            return;
        }
        if (!hasResult(future))
            return;
        // Taken out here so that a client dropped below ends on this thread.
        std::unique_ptr<TrueNASService> service = future.takeResult();
        if (number != m_connectNumber)
            return;
        m_service = std::move(service);
        const QJsonObject saved { { QStringLiteral("address"), address }, { QStringLiteral("username"), username } };
        m_defaults.setData(connectionKey, QJsonDocument(saved).toJson(QJsonDocument::Compact));
        QString notice;
        try {
            Keychain::save(apiKey, QString::fromLatin1(Keychain::trueNASService), address);
        } catch (const KeychainError& error) {
            notice = QStringLiteral("The API key could not be saved: ") + error.errorDescription();
        }
        const QString path = m_pathField->text();
        load(path.isEmpty() ? defaultPath : path, notice);
    });
}

void TrueNASBrowserPane::load(const QString& path, const QString& notice)
{
    if (!m_service) {
        m_statusLabel->setFullText(QStringLiteral("Connect to TrueNAS first."));
        return;
    }
    m_statusLabel->setFullText(QStringLiteral("Loading…"));
    const quint64 number = ++m_loadNumber;
    whenFinished(m_service->listDirectory(path), this, [this, number, path, notice](const QFuture<QList<TrueNASItem>>& future) {
        if (number != m_loadNumber)
            return;
        const auto failure = failureOf(future);
        if (failure || !hasResult(future)) {
            m_items.clear();
            fillTable();
            m_statusLabel->setFullText(failure ? remoteFailureText(failure) : QStringLiteral("Cancelled."));
            return;
        }
        m_items = future.result();
        TrueNASItemOrder::sort(m_items);
        m_pathField->setText(path);
        fillTable();
        QString status = QString::number(m_items.size()) + QStringLiteral(" items");
        if (!notice.isEmpty())
            status += QStringLiteral(". ") + notice;
        m_statusLabel->setFullText(status);
    });
}

void TrueNASBrowserPane::goToPath()
{
    load(m_pathField->text());
}

void TrueNASBrowserPane::openSelected()
{
    const int index = RemotePaneViews::chosenRow(*m_table);
    if (index < 0 || index >= m_items.size() || !TrueNASItemOrder::isFolder(m_items[index]))
        return;
    load(m_items[index].path);
}

void TrueNASBrowserPane::fillTable()
{
    m_table->clearContents();
    m_table->setRowCount(int(m_items.size()));
    const QFont font = Theme::font(12, QFont::Normal);
    const QColor color = Theme::primary().resolved();
    for (int index = 0; index < m_items.size(); ++index) {
        const TrueNASItem& item = m_items[index];
        const QString texts[] = { DisplayText::visibleName(item.name), typeText(item),
                                  TrueNASItemOrder::isFolder(item) ? QStringLiteral("—") : DisplayText::fileSizeText(item.size) };
        for (int column = 0; column < 3; ++column) {
            auto* cell = new QTableWidgetItem(texts[column]);
            cell->setFont(font);
            cell->setForeground(color);
            m_table->setItem(index, column, cell);
        }
    }
}

} // namespace bramblet
