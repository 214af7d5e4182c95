// The path a request carries on the wire, seen by a loopback HTTPS server of the test's own: it
// must be the path that was signed, or nothing may be sent at all.

#include "BrambletCore/Remote/S3Service.h"

#include "BrambletCore/Remote/S3Error.h"
#include "BrambletCore/Remote/S3Request.h"

#include "Support/Remote/TestServices.h"

#include <gtest/gtest.h>

#include <QSslServer>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QTest>

namespace bramblet {
namespace {

// Answers every request with an empty 200 and keeps the request lines it received.
class RequestLineServer {
public:
    explicit RequestLineServer(const QSslConfiguration& tls)
    {
        m_server.setSslConfiguration(tls);
        QObject::connect(&m_server, &QTcpServer::pendingConnectionAvailable, [this] {
            auto* socket = static_cast<QSslSocket*>(m_server.nextPendingConnection());
            auto buffer = std::make_shared<QByteArray>();
            QObject::connect(socket, &QSslSocket::readyRead, socket, [this, socket, buffer] {
                *buffer += socket->readAll();
                const qsizetype headEnd = buffer->indexOf("\r\n\r\n");
                if (headEnd < 0)
                    return;
                const QByteArray head = buffer->left(headEnd);
                const qsizetype lengthAt = head.toLower().indexOf("content-length:");
                const qsizetype length = lengthAt < 0 ? 0 : head.mid(lengthAt + 15).split('\r').first().trimmed().toLongLong();
                if (buffer->size() < headEnd + 4 + length)
                    return;
                requestLines.append(head.split('\r').first());
                buffer->remove(0, headEnd + 4 + length);
                socket->write("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
            });
            QObject::connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
        });
    }

    bool listen() { return m_server.listen(QHostAddress::LocalHost); }
    quint16 port() const { return m_server.serverPort(); }

    QList<QByteArray> requestLines;

private:
    QSslServer m_server;
};

TEST(S3ServiceRequestLine, KeysReachTheServerAsSignedOrAreRefusedUnsent)
{
    const auto tls = testing::loopbackTls();
    BRAMBLET_REQUIRE_SERVICE(tls, "The test certificate");
    RequestLineServer server(tls->server);
    ASSERT_TRUE(server.listen());
    S3Service service({ .id = QUuid::createUuid(),
                        .name = QStringLiteral("loopback"),
                        .endpoint = QStringLiteral("127.0.0.1:%1").arg(server.port()),
                        .region = QStringLiteral("us-east-1"),
                        .bucket = QStringLiteral("bucket"),
                        .accessKeyID = QStringLiteral("AKID") },
                      QStringLiteral("secret"), tls->client);
    QTemporaryDir local;
    const QString upload = local.filePath(QStringLiteral("body.txt"));
    {
        QFile file(upload);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("body");
    }

    const struct {
        QString key;
        bool sendable;
    } cases[] = {
        { QStringLiteral("x/../dotdot.txt"), false },
        { QStringLiteral("../up.txt"), false },
        { QStringLiteral("./here.txt"), false },
        { QStringLiteral("folder/."), false },
        { QStringLiteral("folder/.."), false },
        { QStringLiteral("plain/name.txt"), true },
        { QStringLiteral("dots/...txt"), true },
        { QStringLiteral("dots/.../x"), true },
        { QStringLiteral("a/.hidden"), true },
        { QStringLiteral("a/..b/c.."), true },
        { QStringLiteral("spaced name/ü.txt"), true },
        { QStringLiteral("double//slash.txt"), true },
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.key.toStdString());
        for (const bool isUpload : { true, false }) {
            server.requestLines.clear();
            QFuture<void> future = isUpload ? service.upload(upload.toStdString(), entry.key) : service.deleteObject(entry.key);
            // The server runs on this thread's event loop.
            ASSERT_TRUE(testing::eventually([&] { return future.isFinished(); }, 30'000));
            if (entry.sendable) {
                EXPECT_NO_THROW(future.waitForFinished());
                const QByteArray method = isUpload ? "PUT" : "DELETE";
                EXPECT_EQ(server.requestLines,
                          QList<QByteArray>({ method + " /bucket/" + S3Request::percentEncoded(entry.key, true) + " HTTP/1.1" }));
            } else {
                try {
                    future.waitForFinished();
                    ADD_FAILURE() << "a key with a dot segment was sent";
                } catch (const S3Error& error) {
                    EXPECT_EQ(error.status(), -1);
                    EXPECT_TRUE(error.errorDescription().contains(entry.key)) << error.what();
                }
                QTest::qWait(50);
                EXPECT_TRUE(server.requestLines.isEmpty());
            }
        }
    }
}

} // namespace
} // namespace bramblet
