// The two sheets that add and remove saved S3 connections, with their secret keys.

#include "Bramblet/Remote/S3BrowserPane.h"

#include "Bramblet/Remote/RemoteFailure.h"
#include "Bramblet/Workspace/DialogPresenter.h"
#include "BrambletCore/Remote/Keychain.h"
#include "BrambletCore/Remote/KeychainError.h"

#include <QPointer>
#include <QUrl>
#include <QTableWidget>

namespace bramblet {

namespace {

const QString secretKeyPlaceholder = QStringLiteral("Secret Access Key");

// The endpoint as the client uses it: a bare host with an optional port. An "https://" before it
// and a "/" after it are dropped, as people paste them; anything else the client would refuse
// later, or send elsewhere than meant, is refused now with what to change.
struct TypedEndpoint {
    QString endpoint;
    QString problem; // empty when the endpoint is usable
};

TypedEndpoint typedEndpoint(const QString& typed)
{
    if (std::any_of(typed.begin(), typed.end(), [](QChar c) { return c.isSpace(); }))
        return { {}, QStringLiteral("The endpoint cannot contain spaces.") };
    QString endpoint = typed;
    if (endpoint.startsWith(QStringLiteral("https://"), Qt::CaseInsensitive))
        endpoint.remove(0, 8);
    if (endpoint.endsWith(u'/'))
        endpoint.chop(1);
    const qsizetype scheme = endpoint.indexOf(QStringLiteral("://"));
    if (scheme >= 0)
        return { {}, QStringLiteral("S3 connections use HTTPS only. Enter the endpoint without \"%1://\".").arg(endpoint.left(scheme)) };
    if (endpoint.contains(u'/') || endpoint.contains(u'?') || endpoint.contains(u'#'))
        return { {}, QStringLiteral("Enter the endpoint as a host name with an optional port, without a path. "
                                    "The bucket name goes in its own field.") };
    const QUrl url(QStringLiteral("https://") + endpoint, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty())
        return { {}, QStringLiteral("\"%1\" is not a host name with an optional port.").arg(endpoint) };
    return { endpoint, {} };
}

} // namespace

void S3BrowserPane::manageConnections()
{
    if (!m_anchorWindow)
        return;
    const bool any = !m_connections.isEmpty();
    DialogRequest request = alertRequest(QStringLiteral("S3 Connections"),
                                         any ? QStringLiteral("Choose a connection to remove, or add a new one.")
                                             : QStringLiteral("No saved connections yet."),
                                         any ? QStringList { QStringLiteral("Add New…"), QStringLiteral("Remove"), QStringLiteral("Close") }
                                             : QStringList { QStringLiteral("Add New…"), QStringLiteral("Close") });
    if (any) {
        request.accessory = DialogRequest::Accessory::popUp;
        for (const S3Connection& connection : m_connections)
            request.items.append(connection.name);
        request.accessoryName = QStringLiteral("Saved S3 connections");
    }
    // The list may change while the sheet is up (from a second sheet), so the choice is kept as
    // the identifier of the connection the user saw.
    QList<QUuid> shown;
    for (const S3Connection& connection : m_connections)
        shown.append(connection.id);
    m_dialogs.present(m_anchorWindow, request, [pane = QPointer(this), shown](const DialogAnswer& answer) {
        if (!pane)
            return;
        if (answer.button == 0)
            pane->addConnection();
        else if (answer.button == 1 && answer.selectedIndex >= 0 && answer.selectedIndex < shown.size())
            pane->removeConnection(shown[answer.selectedIndex]);
    });
}

void S3BrowserPane::removeConnection(const QUuid& id)
{
    const auto found = std::find_if(m_connections.begin(), m_connections.end(),
                                    [&id](const S3Connection& connection) { return connection.id == id; });
    if (found == m_connections.end())
        return;
    const S3Connection removed = *found;
    m_connections.erase(found);
    Keychain::deleteItem(QString::fromLatin1(Keychain::s3Service), removed.idString());
    saveConnections();
    refreshConnectionPopup();
    if (!m_connections.isEmpty())
        selectConnection(m_connections.first());
    else
        forgetService();
}

void S3BrowserPane::addConnection()
{
    if (!m_anchorWindow)
        return;
    DialogRequest request = alertRequest(
        QStringLiteral("Add S3 Connection"),
        QStringLiteral("Works with AWS S3 and S3-compatible services (Backblaze B2, Cloudflare R2, MinIO, DigitalOcean Spaces)."),
        { QStringLiteral("Save"), QStringLiteral("Cancel") });
    request.accessory = DialogRequest::Accessory::form;
    for (const QString& placeholder : { QStringLiteral("Name (e.g. My Bucket)"), QStringLiteral("Endpoint host (e.g. s3.us-east-1.amazonaws.com)"),
                                        QStringLiteral("Region (e.g. us-east-1)"), QStringLiteral("Bucket name"),
                                        QStringLiteral("Access Key ID"), secretKeyPlaceholder })
        request.fields.append({ placeholder, placeholder == secretKeyPlaceholder });
    m_dialogs.present(m_anchorWindow, request, [pane = QPointer(this)](const DialogAnswer& answer) {
        if (pane && answer.button == 0)
            pane->saveNewConnection(answer.texts);
    });
}

void S3BrowserPane::saveNewConnection(const QStringList& values)
{
    // Values are taken as typed: a field of spaces counts as filled.
    if (values.size() != 6 || std::any_of(values.begin(), values.end(), [](const QString& value) { return value.isEmpty(); })) {
        showError(QStringLiteral("Fill in every field."));
        return;
    }
    const TypedEndpoint endpoint = typedEndpoint(values[1]);
    if (!endpoint.problem.isEmpty()) {
        showError(endpoint.problem);
        return;
    }
    const S3Connection connection { .id = QUuid::createUuid(),
                                    .name = values[0],
                                    .endpoint = endpoint.endpoint,
                                    .region = values[2],
                                    .bucket = values[3],
                                    .accessKeyID = values[4] };
    // A connection whose secret could not be kept would only fail later; nothing is saved and the
    // user learns why now.
    try {
        Keychain::save(values[5], QString::fromLatin1(Keychain::s3Service), connection.idString());
    } catch (const KeychainError& error) {
        showError(QStringLiteral("Could not save the secret key of ") + connection.name + QStringLiteral(": ")
                  + error.errorDescription());
        return;
    }
    m_connections.append(connection);
    saveConnections();
    refreshConnectionPopup();
    selectConnection(connection);
}

} // namespace bramblet
