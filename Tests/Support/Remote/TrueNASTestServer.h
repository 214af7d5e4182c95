#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QSslConfiguration>
#include <QUrl>
#include <QWebSocketServer>

#include <functional>
#include <map>
#include <optional>

class QWebSocket;

namespace bramblet::testing {

// A TrueNAS server in miniature on 127.0.0.1: a secure WebSocket server that speaks JSON-RPC 2.0
// as the real one does (requests with an id, replies with "result" or an "error" object carrying
// a code and a message). It knows one API key, optionally tied to one user, and a few folders.
// It runs on the test's thread: tests wait for futures while the event loop turns.
class TrueNASTestServer {
public:
    using Handler = std::function<void(const QJsonObject& request)>;

    explicit TrueNASTestServer(const QSslConfiguration& tls);
    ~TrueNASTestServer();

    // "https://127.0.0.1:<port>".
    QString address() const;
    quint16 port() const { return m_server.serverPort(); }

    // The normal answer to a request: logins check the key (and the user for "auth.login_ex"),
    // "filesystem.listdir" lists a known folder or fails as the real server does.
    void answer(const QJsonObject& request);

    // Sends to the connected client: a whole reply, or any bytes as a binary or text message.
    void send(const QJsonObject& reply) const;
    void sendBinary(const QByteArray& message) const;
    void sendText(const QByteArray& message) const;
    // Ends the connection as a server that shuts down does.
    void closeConnection() const;

    static QJsonObject result(qint64 id, const QJsonValue& value);
    static QJsonObject error(qint64 id, const QJsonValue& error);

    QString apiKey = QStringLiteral("1-goodkey");
    QString username = QStringLiteral("admin");
    std::map<QString, QJsonArray> folders;

    // What the server does with each request; answer() unless a test wants otherwise.
    Handler onRequest;

    // What it saw: every request in order, whether it came as a binary message, the URL the last
    // client asked for, and how the last client left (absent while it is connected).
    QList<QJsonObject> requests;
    QList<bool> binaryRequests;
    QUrl requestUrl;
    int connections = 0;
    std::optional<QWebSocketProtocol::CloseCode> closeCode;
    QString closeReason;

private:
    void accept();
    void received(const QByteArray& message, bool binary);

    QWebSocketServer m_server;
    QWebSocket* m_client = nullptr;
};

} // namespace bramblet::testing
