#include "S3HeldServer.h"

#include <memory>

namespace bramblet::testing {

S3HeldServer::S3HeldServer(const QSslConfiguration& tls)
{
    m_server.setSslConfiguration(tls);
    QObject::connect(&m_server, &QTcpServer::pendingConnectionAvailable, [this] {
        auto* socket = static_cast<QSslSocket*>(m_server.nextPendingConnection());
        auto buffer = std::make_shared<QByteArray>();
        QObject::connect(socket, &QSslSocket::readyRead, socket, [this, socket, buffer] {
            *buffer += socket->readAll();
            // The pane's requests here carry no body.
            qsizetype end = 0;
            while ((end = buffer->indexOf("\r\n\r\n")) >= 0) {
                requests.append({ buffer->left(buffer->indexOf("\r\n")), socket });
                buffer->remove(0, end + 4);
            }
        });
        QObject::connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
    });
}

QString S3HeldServer::endpoint() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_server.serverPort());
}

void S3HeldServer::send(qsizetype index, const QByteArray& bytes)
{
    if (QSslSocket* socket = requests.value(index).socket)
        socket->write(bytes);
}

void S3HeldServer::answer(qsizetype index, const QByteArray& body)
{
    send(index, "HTTP/1.1 200 OK\r\nContent-Type: application/xml\r\nContent-Length: " + QByteArray::number(body.size())
                    + "\r\n\r\n" + body);
}

QByteArray S3HeldServer::listingWith(const QString& key, qint64 size)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
           "<ListBucketResult xmlns=\"http://s3.amazonaws.com/doc/2006-03-01/\">"
           "<Name>held</Name><Prefix></Prefix><KeyCount>1</KeyCount><MaxKeys>1000</MaxKeys><Delimiter>/</Delimiter>"
           "<IsTruncated>false</IsTruncated><Contents><Key>"
        + key.toUtf8() + "</Key><LastModified>2024-05-01T10:00:00.000Z</LastModified><Size>" + QByteArray::number(size)
        + "</Size></Contents></ListBucketResult>";
}

} // namespace bramblet::testing
