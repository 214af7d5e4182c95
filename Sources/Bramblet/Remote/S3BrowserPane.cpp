#include "Bramblet/Remote/S3BrowserPane.h"

#include "Bramblet/Theme/ColorView.h"
#include "Bramblet/Theme/Theme.h"
#include "Bramblet/Workspace/WorkspaceDefaults.h"
#include "BrambletCore/Remote/S3Connection.h"

#include <QComboBox>
#include <QLabel>
#include <QVBoxLayout>

namespace bramblet {

namespace {

const QString connectionsKey = QStringLiteral("s3Connections");

} // namespace

S3BrowserPane::S3BrowserPane(WorkspaceDefaults& defaults, DialogPresenter& dialogs, QObject* parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_dialogs(dialogs)
    , m_contentView(new ColorView(Theme::window()))
    , m_connections(new QComboBox(m_contentView))
{
    auto* title = new QLabel(QStringLiteral("Connection"), m_contentView);
    title->setFont(Theme::font(13, QFont::DemiBold));
    m_connections->setAccessibleName(QStringLiteral("S3 connection"));
    m_connections->setMinimumWidth(280);
    // A stored list this version cannot read shows no connections; it stays stored as it is.
    const auto stored = m_defaults.data(connectionsKey);
    for (const auto& connection : decodeList<S3Connection>(stored.value_or(QByteArray("[]"))).value_or(QList<S3Connection>()))
        m_connections->addItem(connection.name, connection.idString());

    auto* layout = new QVBoxLayout(m_contentView);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->addWidget(title);
    layout->addWidget(m_connections, 0, Qt::AlignLeft);
    layout->addStretch();
}

S3BrowserPane::~S3BrowserPane()
{
    delete m_contentView;
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

} // namespace bramblet
