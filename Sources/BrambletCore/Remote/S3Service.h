#pragma once

#include "BrambletCore/Models/Date.h"
#include "BrambletCore/Remote/S3Connection.h"
#include "BrambletCore/Remote/S3Limits.h"
#include "BrambletCore/Remote/S3Object.h"

#include <QByteArray>
#include <QFuture>
#include <QList>
#include <QSslConfiguration>
#include <QThread>

#include <atomic>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>

class QIODevice;
class QNetworkAccessManager;
class QNetworkReply;

namespace bramblet {

// A client for one bucket of an S3-compatible store: list one folder level, download, upload,
// create a folder, delete an object. Requests are path-style HTTPS (never plain HTTP), signed
// with Signature Version 4, each operation exactly one request, nothing retried. A request ends
// within the bounds of S3Limits: it fails when the server falls silent, when a listing or an error
// answer takes too long, when a transfer crawls, and it reads no more of a listing or an error
// answer than a real one can need.
//
// It is an actor. Operations may be called from any thread and return at once; they run one at
// a time, in call order, on the client's own thread. That thread runs an event loop, which its
// QNetworkAccessManager needs (a QThreadPool thread has none), and keeps a queue of the calls
// waiting their turn. Results arrive through the future, failures as S3Error, so callers write
//     service.list(prefix).then(this, onListing).onFailed(this, [](const S3Error& e) { ... });
// and continue on their own thread. Destroying the client aborts the request in flight and
// drops the queued calls (their futures end cancelled) without waiting for the network; it must
// not happen on the client's thread.
//
// Large files never sit in memory: an upload is hashed in one pass over the file and streamed
// from it in a second; a download is streamed into a temporary file beside the target that
// replaces the target only when the whole body has arrived with a good status. "Whole" is
// checked: over HTTP/1.1 the answer must state its length and the body must match it (a chunked
// answer whose framing breaks looks finished to the network layer), while HTTP/2 frames its end.
class S3Service {
public:
    using Clock = std::function<Date()>;

    // `tls` lets tests trust a test certificate authority; `clock` (called on the client's
    // thread) lets tests fix the signing time, `limits` shorten the waits. No network traffic;
    // never fails.
    S3Service(S3Connection connection, QString secretKey,
              QSslConfiguration tls = QSslConfiguration::defaultConfiguration(),
              Clock clock = [] { return std::chrono::system_clock::now(); }, S3Limits limits = {});
    ~S3Service();

    S3Service(const S3Service&) = delete;
    S3Service& operator=(const S3Service&) = delete;

    const S3Connection& connection() const { return m_connection; }
    const QString& secretKey() const { return m_secretKey; }

    // One page of up to 1000 entries directly under `prefix` ("" for the bucket root, else
    // ending in "/"): folders first, then files. An answer that does not read whole as a listing,
    // or holds more entries than asked for, fails with S3Error::Kind::invalidAnswer. Cancelling
    // the future stops the request.
    QFuture<QList<S3Object>> list(const QString& prefix);
    // Replaces `to` with the object; on any failure `to` is left as it was.
    // Downloads and uploads report progress through their future, in the range 0 to
    // progressScale (the share of the body moved so far), and stop when their future is
    // cancelled: the request is aborted, and a cancelled download leaves `to` as it was.
    QFuture<void> download(const QString& key, const std::filesystem::path& to);
    QFuture<void> upload(const std::filesystem::path& from, const QString& key);
    static constexpr int progressScale = 1000;
    // Creates the empty object `key` + "/" ("docs" and "docs/" both make "docs/").
    QFuture<void> createFolder(const QString& key);
    QFuture<void> deleteObject(const QString& key);

    // Succeeds for a status 200-299, else throws S3Error::badResponse with the body's
    // S3Error::answerText().
    static void checkStatus(int status, const QByteArray& body);

private:
    struct Call {
        QByteArray method;
        QString key;
        QByteArray query;
        std::filesystem::path bodyFile; // upload: streamed as the body
        std::filesystem::path targetFile; // download: receives the body of a good answer
    };
    struct Exchange;

    // Queues one call; the future holds the answer's body (empty for a download).
    QFuture<QByteArray> send(Call call);

    // On the client's thread only:
    void startNext();
    void begin(Exchange& exchange);
    QByteArray payloadHashOf(QIODevice& file, const Exchange& exchange) const;
    void watchLimits(Exchange& exchange);
    bool receive(Exchange& exchange);
    void stop(Exchange& exchange, std::exception_ptr failure);
    void finished(QNetworkReply* reply);
    QByteArray conclude(Exchange& exchange);
    static void checkWhole(const Exchange& exchange);
    void shutDown();

    const S3Connection m_connection;
    const QString m_secretKey;
    const QSslConfiguration m_tls;
    const Clock m_clock;
    const S3Limits m_limits;
    std::atomic<bool> m_stopping = false;

    QThread m_thread;
    QObject* m_context; // lives on m_thread, which deletes it when it ends

    // Touched on m_thread only.
    std::unique_ptr<QNetworkAccessManager> m_network;
    std::deque<std::shared_ptr<Exchange>> m_waiting;
    std::shared_ptr<Exchange> m_current;
};

} // namespace bramblet
