#include "Support/Remote/TrueNASTestServer.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QWebSocket>

namespace bramblet::testing {

TrueNASTestServer::TrueNASTestServer(const QSslConfiguration& tls)
    : onRequest([this](const QJsonObject& request) { answer(request); })
    , m_server(QStringLiteral("TrueNAS test server"), QWebSocketServer::SecureMode)
{
    m_server.setSslConfiguration(tls);
    EXPECT_TRUE(m_server.listen(QHostAddress::LocalHost)) << m_server.errorString().toStdString();
    QObject::connect(&m_server, &QWebSocketServer::newConnection, [this] { accept(); });
}

TrueNASTestServer::~TrueNASTestServer()
{
    delete m_client;
}

QString TrueNASTestServer::address() const
{
    return QStringLiteral("https://127.0.0.1:%1").arg(port());
}

void TrueNASTestServer::accept()
{
    while (QWebSocket* client = m_server.nextPendingConnection()) {
        delete m_client;
        m_client = client;
        ++connections;
        requestUrl = client->requestUrl();
        closeCode.reset();
        closeReason.clear();
        QObject::connect(client, &QWebSocket::binaryMessageReceived, [this](const QByteArray& message) {
            received(message, true);
        });
        QObject::connect(client, &QWebSocket::textMessageReceived, [this](const QString& message) {
            received(message.toUtf8(), false);
        });
        QObject::connect(client, &QWebSocket::disconnected, [this, client] {
            closeCode = client->closeCode();
            closeReason = client->closeReason();
        });
    }
}

void TrueNASTestServer::received(const QByteArray& message, bool binary)
{
    const QJsonDocument document = QJsonDocument::fromJson(message);
    EXPECT_TRUE(document.isObject()) << message.toStdString();
    requests.append(document.object());
    binaryRequests.append(binary);
    onRequest(document.object());
}

void TrueNASTestServer::answer(const QJsonObject& request)
{
    const qint64 id = request.value("id").toInteger();
    const QString method = request.value("method").toString();
    const QJsonArray params = request.value("params").toArray();
    if (method == "auth.login_with_api_key") {
        send(result(id, params.at(0).toString() == apiKey));
    } else if (method == "auth.login_ex") {
        const QJsonObject login = params.at(0).toObject();
        const bool accepted = login.value("mechanism") == "API_KEY_PLAIN" && login.value("username") == username
            && login.value("api_key") == apiKey;
        send(result(id, QJsonObject { { "response_type", accepted ? "SUCCESS" : "AUTH_ERR" } }));
    } else if (method == "filesystem.listdir") {
        const QString path = params.at(0).toString();
        const auto folder = folders.find(path);
        if (folder != folders.end()) {
            send(result(id, folder->second));
        } else {
            const QString reason = QStringLiteral("[ENOENT] Directory %1 does not exist").arg(path);
            send(error(id, QJsonObject { { "code", -32001 },
                                         { "message", "Method call error" },
                                         { "data", QJsonObject { { "error", 2 }, { "errname", "ENOENT" }, { "reason", reason } } } }));
        }
    } else {
        send(error(id, QJsonObject { { "code", -32601 }, { "message", "Method not found" } }));
    }
}

void TrueNASTestServer::send(const QJsonObject& reply) const
{
    sendText(QJsonDocument(reply).toJson(QJsonDocument::Compact));
}

void TrueNASTestServer::sendBinary(const QByteArray& message) const
{
    ASSERT_NE(m_client, nullptr);
    m_client->sendBinaryMessage(message);
}

void TrueNASTestServer::sendText(const QByteArray& message) const
{
    ASSERT_NE(m_client, nullptr);
    m_client->sendTextMessage(QString::fromUtf8(message));
}

void TrueNASTestServer::closeConnection() const
{
    ASSERT_NE(m_client, nullptr);
    m_client->close(QWebSocketProtocol::CloseCodeGoingAway, QStringLiteral("Server shutting down"));
}

QJsonObject TrueNASTestServer::result(qint64 id, const QJsonValue& value)
{
    return { { "jsonrpc", "2.0" }, { "id", id }, { "result", value } };
}

QJsonObject TrueNASTestServer::error(qint64 id, const QJsonValue& error)
{
    return { { "jsonrpc", "2.0" }, { "id", id }, { "error", error } };
}

} // namespace bramblet::testing
