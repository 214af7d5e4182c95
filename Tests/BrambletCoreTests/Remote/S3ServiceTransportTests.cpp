// The client against a loopback HTTPS server of the test's own, for answers a real S3 server
// does not give on demand.

#include "BrambletCore/Remote/S3Service.h"

#include "BrambletCore/Remote/S3Error.h"

#include "Support/Remote/TestServices.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSslServer>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QTest>

namespace bramblet {
namespace {

// Answers every request with a good status and the first `sent` bytes of a longer body, then
// hangs up.
class CutShortServer {
public:
    CutShortServer(const QSslConfiguration& tls, QByteArray sent, qsizetype promised)
    {
        m_server.setSslConfiguration(tls);
        QObject::connect(&m_server, &QTcpServer::pendingConnectionAvailable, [=, this] {
            auto* socket = static_cast<QSslSocket*>(m_server.nextPendingConnection());
            QObject::connect(socket, &QSslSocket::readyRead, socket, [=, this] {
                m_request += socket->readAll();
                if (!m_request.contains("\r\n\r\n"))
                    return;
                socket->write("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(promised) + "\r\n\r\n" + sent);
                socket->flush();
                socket->disconnectFromHost();
            });
            QObject::connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
        });
    }

    bool listen() { return m_server.listen(QHostAddress::LocalHost); }
    quint16 port() const { return m_server.serverPort(); }

private:
    QSslServer m_server;
    QByteArray m_request;
};

TEST(S3ServiceTransport, DownloadCutShortLeavesTheTargetUntouched)
{
    const auto tls = testing::loopbackTls();
    BRAMBLET_REQUIRE_SERVICE(tls, "The test certificate");
    CutShortServer server(tls->server, QByteArray(4096, 'n'), 1 << 20);
    ASSERT_TRUE(server.listen());

    QTemporaryDir local;
    const QString target = local.filePath("precious.txt");
    {
        QFile file(target);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("keep me");
    }
    S3Service service({ .id = QUuid::createUuid(),
                        .name = QStringLiteral("loopback"),
                        .endpoint = QStringLiteral("127.0.0.1:%1").arg(server.port()),
                        .region = QStringLiteral("us-east-1"),
                        .bucket = QStringLiteral("bucket"),
                        .accessKeyID = QStringLiteral("AKID") },
                      QStringLiteral("secret"), tls->client);
    auto download = service.download(QStringLiteral("object"), target.toStdString());
    // The server runs on this thread's event loop.
    ASSERT_TRUE(QTest::qWaitFor([&] { return download.isFinished(); }, 30'000));

    try {
        download.waitForFinished();
        ADD_FAILURE() << "a body cut short counted as a download";
    } catch (const S3Error& error) {
        EXPECT_EQ(error.kind(), S3Error::Kind::transport) << error.what();
    }
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "keep me");
    EXPECT_EQ(QDir(local.path()).entryList(QDir::Files | QDir::Hidden), QStringList({ "precious.txt" }));
}

} // namespace
} // namespace bramblet
