#include "Support/Remote/HostileS3Server.h"

#include <QSslSocket>
#include <QTimer>

namespace bramblet::testing {

namespace {

using Misbehaviour = HostileS3Server::Misbehaviour;

constexpr qint64 pumpThreshold = 64 * 1024;

QByteArray head(const QByteArray& status, const QByteArray& fields)
{
    return "HTTP/1.1 " + status + "\r\n" + fields + "\r\n";
}

QByteArray withLength(const QByteArray& status, const QByteArray& body, const QByteArray& type = "application/xml")
{
    return head(status, "Content-Type: " + type + "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n");
}

QByteArray entry(qint64 number)
{
    return "<Contents><Key>key-" + QByteArray::number(number).rightJustified(8, '0') + "</Key><Size>1</Size></Contents>";
}

bool isEndless(Misbehaviour misbehaviour)
{
    return misbehaviour == Misbehaviour::endlessErrorBody || misbehaviour == Misbehaviour::endlessListing;
}

} // namespace

struct HostileS3Server::Connection {
    QSslSocket* socket = nullptr;
    QByteArray request;
    bool answering = false;
    bool chunked = false;
    qint64 pieces = 0; // pieces of an endless body sent
    std::unique_ptr<QTimer> drip;
};

HostileS3Server::HostileS3Server(const QSslConfiguration& tls, Misbehaviour misbehaviour)
    : m_misbehaviour(misbehaviour)
{
    m_server.setSslConfiguration(tls);
    QObject::connect(&m_server, &QTcpServer::pendingConnectionAvailable, [this] { accept(); });
}

HostileS3Server::~HostileS3Server()
{
    for (const auto& connection : m_connections) {
        QObject::disconnect(connection->socket, nullptr, nullptr, nullptr);
        delete connection->socket;
    }
}

QString HostileS3Server::endpoint() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_server.serverPort());
}

void HostileS3Server::accept()
{
    while (auto* socket = static_cast<QSslSocket*>(m_server.nextPendingConnection())) {
        auto& connection = *m_connections.emplace_back(std::make_unique<Connection>());
        connection.socket = socket;
        socket->setParent(nullptr);
        QObject::connect(socket, &QSslSocket::readyRead, [this, &connection] {
            connection.request += connection.socket->readAll();
            if (connection.answering || !connection.request.contains("\r\n\r\n"))
                return;
            connection.answering = true;
            ++requests;
            answer(connection);
        });
        QObject::connect(socket, &QSslSocket::bytesWritten, [this, &connection] { pump(connection); });
        QObject::connect(socket, &QSslSocket::encryptedBytesWritten, [this, &connection] { pump(connection); });
        QObject::connect(socket, &QSslSocket::disconnected, [this, &connection] {
            clientHungUp = true;
            connection.drip.reset();
        });
    }
}

void HostileS3Server::sendBody(Connection& connection, const QByteArray& bytes)
{
    bodyBytesSent += bytes.size();
    if (connection.chunked)
        connection.socket->write(QByteArray::number(bytes.size(), 16) + "\r\n" + bytes + "\r\n");
    else
        connection.socket->write(bytes);
}

void HostileS3Server::answer(Connection& connection)
{
    QSslSocket& socket = *connection.socket;
    switch (m_misbehaviour) {
    case Misbehaviour::invalidChunkSize:
        socket.write(head("200 OK", "Content-Type: application/octet-stream\r\nTransfer-Encoding: chunked\r\n"));
        socket.write("zz\r\nthis is not what was stored\r\n");
        bodyBytesSent += 26;
        break;
    case Misbehaviour::noLength:
        socket.write(head("200 OK", "Content-Type: application/octet-stream\r\nConnection: close\r\n"));
        sendBody(connection, QByteArray(1000, 'n'));
        socket.disconnectFromHost();
        break;
    case Misbehaviour::shortBody:
        socket.write(head("200 OK", "Content-Type: application/octet-stream\r\nContent-Length: 1048576\r\n"));
        sendBody(connection, QByteArray(4096, 's'));
        socket.disconnectFromHost();
        break;
    case Misbehaviour::endlessErrorBody:
        socket.write(head("403 Forbidden", "Content-Type: application/xml\r\nContent-Length: 3221225472\r\n"));
        sendBody(connection, "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Error><Code>AccessDenied</Code><Message>Access Denied");
        break;
    case Misbehaviour::hostileErrorText: {
        const QByteArray body = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Error><Code>Slow\tDown</Code><Message>Please\r\n\t"
                                "\u202Eesaeler\u202C reduce your request rate. "
            + QByteArray(50'000, 'x') + "</Message><RequestId>1</RequestId></Error>";
        socket.write(withLength("503 Slow Down", body));
        sendBody(connection, body);
        break;
    }
    case Misbehaviour::htmlErrorPage: {
        const QByteArray body = "<html><head><title>502 Bad Gateway</title></head><body>\x1b[2J\u202Eyawetag</body></html>";
        socket.write(withLength("502 Bad Gateway", body, "text/html"));
        sendBody(connection, body);
        break;
    }
    case Misbehaviour::endlessListing:
        socket.write(head("200 OK", "Content-Type: application/xml\r\nTransfer-Encoding: chunked\r\n"));
        connection.chunked = true;
        sendBody(connection, "<?xml version=\"1.0\" encoding=\"UTF-8\"?><ListBucketResult><Name>b</Name>");
        break;
    case Misbehaviour::overfullListing: {
        QByteArray body = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><ListBucketResult><Name>b</Name>";
        for (int number = 0; number < overfullKeys; ++number)
            body += entry(number);
        body += "</ListBucketResult>";
        socket.write(withLength("200 OK", body));
        sendBody(connection, body);
        break;
    }
    case Misbehaviour::brokenListing: {
        const QByteArray body = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><ListBucketResult><Contents><Key>a.txt</Key>"
                                "<Size>1</Size></Contents><Contents><Key>b.t";
        socket.write(withLength("200 OK", body));
        sendBody(connection, body);
        break;
    }
    case Misbehaviour::htmlPage: {
        const QByteArray body = "<html><body>Sign in to use the hotel network</body></html>";
        socket.write(withLength("200 OK", body, "text/html"));
        sendBody(connection, body);
        break;
    }
    case Misbehaviour::drip:
        socket.write(head("200 OK", "Content-Type: application/octet-stream\r\nContent-Length: 1000000\r\n"));
        connection.drip = std::make_unique<QTimer>();
        QObject::connect(connection.drip.get(), &QTimer::timeout, [this, &connection] { sendBody(connection, "d"); });
        connection.drip->start(dripInterval);
        break;
    case Misbehaviour::silence:
        break;
    }
    pump(connection);
}

void HostileS3Server::pump(Connection& connection)
{
    if (!connection.answering || !isEndless(m_misbehaviour))
        return;
    QSslSocket& socket = *connection.socket;
    while (socket.state() == QAbstractSocket::ConnectedState && bodyBytesSent < endlessCap
           && socket.bytesToWrite() + socket.encryptedBytesToWrite() < pumpThreshold) {
        QByteArray piece;
        if (m_misbehaviour == Misbehaviour::endlessListing) {
            while (piece.size() < 16 * 1024)
                piece += entry(connection.pieces++);
        } else {
            piece = QByteArray(16 * 1024, 'x').prepend(" and denied ");
        }
        sendBody(connection, piece);
    }
}

} // namespace bramblet::testing
