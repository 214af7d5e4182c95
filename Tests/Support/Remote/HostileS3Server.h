#pragma once

#include <QByteArray>
#include <QSslConfiguration>
#include <QSslServer>
#include <QString>

#include <chrono>
#include <memory>
#include <vector>

class QSslSocket;

namespace bramblet::testing {

// An HTTPS server on 127.0.0.1 that answers every request with the one misbehaviour it was made
// with, as a broken, slow or hostile S3 server (or a proxy, or someone on the path) might. It runs
// on the test's thread and counts the body bytes it handed to the connection, so that a test can
// tell from this side how much the client took before it stopped.
class HostileS3Server {
public:
    enum class Misbehaviour {
        invalidChunkSize, // 200, chunked, a chunk whose size is not hexadecimal
        noLength, // 200 without a length or chunks: the body ends with the connection
        shortBody, // 200 stating a length, sending part of it, then closing
        endlessErrorBody, // 403 with an S3 error document whose message never ends
        hostileErrorText, // 403 with an S3 error document full of control and bidi characters
        htmlErrorPage, // 502 with a proxy's HTML page
        endlessListing, // 200 with a listing that never ends, chunked
        overfullListing, // 200 with a whole listing of more keys than a page asks for
        brokenListing, // 200 with a listing cut off in the middle of an entry
        htmlPage, // 200 with an HTML page instead of a listing
        drip, // 200 stating a length, then one byte every `dripInterval`
        silence, // reads the request and never answers
    };

    HostileS3Server(const QSslConfiguration& tls, Misbehaviour misbehaviour);
    ~HostileS3Server();

    bool listen() { return m_server.listen(QHostAddress::LocalHost); }
    QString endpoint() const;

    // Entries of the overfull listing.
    static constexpr int overfullKeys = 1001;

    std::chrono::milliseconds dripInterval { 50 };
    // Endless bodies stop here, so that a client that never stops reading cannot hold a test for
    // ever; the connection then stays open and quiet.
    qint64 endlessCap = qint64(64) << 20;

    // What happened: requests read, body bytes handed to the connection, whether the client hung up.
    int requests = 0;
    qint64 bodyBytesSent = 0;
    bool clientHungUp = false;

private:
    struct Connection;

    void accept();
    void answer(Connection& connection);
    void pump(Connection& connection);
    void sendBody(Connection& connection, const QByteArray& bytes);

    const Misbehaviour m_misbehaviour;
    QSslServer m_server;
    // Kept as long as the server, so that nothing is deleted inside its own signal.
    std::vector<std::unique_ptr<Connection>> m_connections;
};

} // namespace bramblet::testing
