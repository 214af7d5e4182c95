#include "Bramblet/Remote/TrueNASBrowserPane.h"

#include "Bramblet/Theme/ColorView.h"
#include "Bramblet/Theme/Theme.h"
#include "Bramblet/Workspace/WorkspaceDefaults.h"

#include <QFormLayout>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>

namespace bramblet {

namespace {

const QString connectionKey = QStringLiteral("trueNASConnection");

QLineEdit* field(const QString& name, const QString& placeholder, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setAccessibleName(name);
    edit->setPlaceholderText(placeholder);
    edit->setFont(Theme::font(13, QFont::Normal));
    return edit;
}

} // namespace

TrueNASBrowserPane::TrueNASBrowserPane(WorkspaceDefaults& defaults, DialogPresenter& dialogs, QObject* parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_dialogs(dialogs)
    , m_contentView(new ColorView(Theme::window()))
    , m_address(field(QStringLiteral("Address"), QStringLiteral("truenas.local"), m_contentView))
    , m_username(field(QStringLiteral("User name"), QStringLiteral("optional"), m_contentView))
    , m_apiKey(field(QStringLiteral("API key"), QString(), m_contentView))
    , m_path(field(QStringLiteral("Path"), QStringLiteral("/mnt"), m_contentView))
{
    m_apiKey->setEchoMode(QLineEdit::Password);
    // A stored value that is not an object with string fields leaves the fields empty.
    const auto saved = QJsonDocument::fromJson(m_defaults.data(connectionKey).value_or(QByteArray())).object();
    m_address->setText(saved.value(QStringLiteral("address")).toString());
    m_username->setText(saved.value(QStringLiteral("username")).toString());

    auto* layout = new QFormLayout(m_contentView);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->addRow(QStringLiteral("Address"), m_address);
    layout->addRow(QStringLiteral("User name"), m_username);
    layout->addRow(QStringLiteral("API key"), m_apiKey);
    layout->addRow(QStringLiteral("Path"), m_path);
}

TrueNASBrowserPane::~TrueNASBrowserPane()
{
    delete m_contentView;
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

} // namespace bramblet
