#pragma once

#include "BrambletCore/Remote/TrueNASItem.h"

#include <QByteArray>
#include <QFuture>
#include <QJsonArray>
#include <QJsonValue>
#include <QList>
#include <QSslConfiguration>
#include <QThread>
#include <QUrl>

#include <chrono>
#include <exception>
#include <map>
#include <memory>

class QTimer;
class QWebSocket;

namespace bramblet {

// A client of a TrueNAS server's JSON-RPC 2.0 interface over a secure WebSocket: it logs in with
// an API key and lists folders. Nothing is retried.
//
// It is an actor, built like S3Service: operations may be called from any thread and return at
// once; the socket lives on the client's own thread, whose event loop it needs. Failures arrive
// through the future as TrueNASError, so callers write
//     TrueNASService::connect(address, user, key).then(this, onConnected).onFailed(this, [](const TrueNASError& e) { ... });
// and continue on their own thread.
//
// Calls may overlap. Each request carries its own id and each reply settles the call with that
// id, in whatever order the server answers. A message without an id is a notification and is
// passed over. A reply that names no call (it does not parse, is no object, or has an id this
// client never sent) fails the oldest waiting call with what was wrong with it.
//
// A server cannot hold the client's memory: a frame or a message over maxMessageBytes, however
// many frames it comes in, closes the connection (1009, too much data), and a server that stops
// reading while more than maxUnsentBytes wait to be sent (the answers to its pings among them)
// is dropped. Nor can it hold a call: the call time-out is a deadline from the call's start,
// which bytes trickling in do not put off. A call that has no reply by then fails with
// TrueNASError::timedOut(), and a reply that comes after that is dropped, so it cannot be taken
// for another call's. Once the connection is lost, the waiting calls and every later one fail
// with the reason.
//
// Destroying the client closes the socket with code 1001 (going away) and ends the calls still
// waiting (their futures end cancelled) without waiting for the server; it must not happen on the
// client's thread.
class TrueNASService {
public:
    using Duration = std::chrono::milliseconds;

    // Opens a socket to "wss://<host>[:<port>]/api/current" (user information, query and fragment
    // of `address` kept, its path replaced) and logs in: with the API key alone when `username`
    // is empty, else as that user. `address` is used as typed and must be an https URL with a
    // host, or the future fails with TrueNASError::addressNeeded() and no socket is opened. Any
    // later failure, a refused key among them, closes the socket with 1001 before the future fails.
    // `tls` lets tests trust a test certificate authority (verification stays on); `callTimeout`
    // bounds each call, the login included.
    static QFuture<std::unique_ptr<TrueNASService>> connect(const QString& address, const QString& username,
                                                             const QString& apiKey,
                                                             QSslConfiguration tls = QSslConfiguration::defaultConfiguration(),
                                                             Duration callTimeout = std::chrono::seconds(60));
    ~TrueNASService();

    TrueNASService(const TrueNASService&) = delete;
    TrueNASService& operator=(const TrueNASService&) = delete;

    static constexpr qint64 maxMessageBytes = 16 << 20;
    static constexpr qint64 maxUnsentBytes = 1 << 20;

    // The entries of one server folder (such as "/mnt"), in the server's order. A listing in which
    // any entry is not a whole TrueNASItem fails as a whole.
    QFuture<QList<TrueNASItem>> listDirectory(const QString& path);

private:
    struct Call;

    TrueNASService(QUrl url, QSslConfiguration tls, Duration callTimeout);

    // Sends one request; the future holds the reply's "result" (a JSON null included).
    QFuture<QJsonValue> response(const QString& method, const QJsonArray& params);

    // On the client's thread only:
    void open();
    void begin(const std::shared_ptr<Call>& call, const QString& method, const QJsonArray& params);
    void transmit(qint64 id, const QByteArray& message);
    void fragmentReceived(qint64 size, bool isLast);
    void received(const QByteArray& message);
    void failOldest(const std::exception_ptr& failure);
    void settle(qint64 id, const std::exception_ptr& failure, const QJsonValue& result = {});
    static void conclude(Call& call, const std::exception_ptr& failure, const QJsonValue& result = {});
    void watchBacklog();
    void lost();
    void shutDown();

    const QUrl m_url;
    const QSslConfiguration m_tls;
    const Duration m_callTimeout;

    QThread m_thread;
    QObject* m_context; // lives on m_thread, which deletes it when it ends

    // Touched on m_thread only.
    std::unique_ptr<QWebSocket> m_socket;
    std::unique_ptr<QTimer> m_backlogWatch;
    qint64 m_requestID = 0; // id of the last request; the first carries 1
    qint64 m_incomingBytes = 0; // of the message whose fragments are arriving
    std::map<qint64, std::shared_ptr<Call>> m_waiting; // by id, so the first is the oldest
    std::map<qint64, QByteArray> m_unsent; // requests made before the socket connected
    std::exception_ptr m_lost; // why the socket can carry no more requests; null while it can
};

} // namespace bramblet
