#pragma once

#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QSslServer>
#include <QSslSocket>

namespace bramblet::testing {

// An HTTPS server on 127.0.0.1 that answers nothing by itself: it keeps each request that came
// in, and the test answers it when it likes, in part or whole. It runs on the test's thread.
class S3HeldServer {
public:
    struct Request {
        QByteArray line; // "GET /bucket/?delimiter=... HTTP/1.1"
        QPointer<QSslSocket> socket;
    };

    explicit S3HeldServer(const QSslConfiguration& tls);

    bool listen() { return m_server.listen(QHostAddress::LocalHost); }
    QString endpoint() const;

    // Sends `bytes` on the connection of request `index` as they are.
    void send(qsizetype index, const QByteArray& bytes);
    // A whole 200 answer with `body`.
    void answer(qsizetype index, const QByteArray& body);

    // A ListObjectsV2 page holding one file of `size` bytes named `key`.
    static QByteArray listingWith(const QString& key, qint64 size);

    QList<Request> requests;

private:
    QSslServer m_server;
};

} // namespace bramblet::testing
