// The client's own thread: its lifetime, the socket, and the calls waiting for their replies.

#include "BrambletCore/Remote/TrueNASService.h"

#include "BrambletCore/Remote/TrueNASError.h"
#include "BrambletCore/Remote/TrueNASReply.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QPromise>
#include <QSslSocket>
#include <QTimer>
#include <QWebSocket>

namespace bramblet {

struct TrueNASService::Call {
    QPromise<QJsonValue> promise;
    std::unique_ptr<QTimer> timer; // made on the client's thread
};

TrueNASService::TrueNASService(QUrl url, QSslConfiguration tls, Duration callTimeout)
    : m_url(std::move(url))
    , m_tls(std::move(tls))
    , m_callTimeout(callTimeout)
    , m_context(new QObject)
{
    m_thread.setObjectName(QStringLiteral("TrueNASService"));
    m_context->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_context, &QObject::deleteLater);
    m_thread.start();
    QMetaObject::invokeMethod(m_context, [this] { open(); });
}

TrueNASService::~TrueNASService()
{
    QMetaObject::invokeMethod(m_context, [this] { shutDown(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

QFuture<QJsonValue> TrueNASService::response(const QString& method, const QJsonArray& params)
{
    auto call = std::make_shared<Call>();
    call->promise.start();
    auto future = call->promise.future();
    QMetaObject::invokeMethod(m_context, [this, call, method, params] { begin(call, method, params); });
    return future;
}

void TrueNASService::open()
{
    m_socket = std::make_unique<QWebSocket>();
    m_socket->setSslConfiguration(m_tls);
    // The socket refuses a frame over the limit as soon as its head announces it. A message in
    // many smaller frames it would drop quietly at its own limit and then fail on the next
    // fragment as if the server had broken the protocol, so the fragments are counted here, and
    // the socket's own message limit, twice ours, is never reached.
    m_socket->setMaxAllowedIncomingFrameSize(quint64(maxMessageBytes));
    m_socket->setMaxAllowedIncomingMessageSize(quint64(2 * maxMessageBytes));
    QObject::connect(m_socket.get(), &QWebSocket::binaryFrameReceived, m_context,
                     [this](const QByteArray& frame, bool isLast) { fragmentReceived(frame.size(), isLast); });
    QObject::connect(m_socket.get(), &QWebSocket::textFrameReceived, m_context,
                     [this](const QString& frame, bool isLast) { fragmentReceived(frame.size(), isLast); });
    watchBacklog();
    QObject::connect(m_socket.get(), &QWebSocket::connected, m_context, [this] {
        for (const auto& [id, message] : std::exchange(m_unsent, {}))
            transmit(id, message);
    });
    QObject::connect(m_socket.get(), &QWebSocket::binaryMessageReceived, m_context,
                     [this](const QByteArray& message) { received(message); });
    QObject::connect(m_socket.get(), &QWebSocket::textMessageReceived, m_context,
                     [this](const QString& message) { received(message.toUtf8()); });
    QObject::connect(m_socket.get(), qOverload<QAbstractSocket::SocketError>(&QWebSocket::error), m_context, [this] { lost(); });
    // Queued: the socket says it is disconnected before it says why.
    QObject::connect(m_socket.get(), &QWebSocket::disconnected, m_context, [this] { lost(); }, Qt::QueuedConnection);
    m_socket->open(m_url);
}

void TrueNASService::watchBacklog()
{
    // The socket answers every ping by itself, so a server that floods pings and reads nothing
    // would make the unsent answers pile up without end. The backlog sits in the transport the
    // socket made as its child.
    m_backlogWatch = std::make_unique<QTimer>();
    m_backlogWatch->setInterval(250);
    QObject::connect(m_backlogWatch.get(), &QTimer::timeout, m_context, [this] {
        const auto* transport = m_socket->findChild<QSslSocket*>();
        if (!transport || transport->bytesToWrite() + transport->encryptedBytesToWrite() <= maxUnsentBytes)
            return;
        if (!m_lost)
            m_lost = std::make_exception_ptr(TrueNASError::stoppedReading());
        m_backlogWatch->stop();
        m_socket->abort();
    });
    m_backlogWatch->start();
}

void TrueNASService::fragmentReceived(qint64 size, bool isLast)
{
    m_incomingBytes += size;
    const bool tooLarge = m_incomingBytes > maxMessageBytes;
    if (isLast)
        m_incomingBytes = 0;
    if (!tooLarge || m_lost)
        return;
    m_lost = std::make_exception_ptr(TrueNASError::messageTooLarge());
    m_socket->close(QWebSocketProtocol::CloseCodeTooMuchData);
}

void TrueNASService::begin(const std::shared_ptr<Call>& call, const QString& method, const QJsonArray& params)
{
    if (m_lost)
        return conclude(*call, m_lost);
    const qint64 id = ++m_requestID;
    const QJsonObject request { { "jsonrpc", "2.0" }, { "id", id }, { "method", method }, { "params", params } };
    call->timer = std::make_unique<QTimer>();
    call->timer->setSingleShot(true);
    QObject::connect(call->timer.get(), &QTimer::timeout, m_context, [this, id] {
        m_unsent.erase(id);
        settle(id, std::make_exception_ptr(TrueNASError::timedOut()));
    });
    call->timer->start(m_callTimeout);
    m_waiting.emplace(id, call);

    const QByteArray message = QJsonDocument(request).toJson(QJsonDocument::Compact);
    if (m_socket->state() == QAbstractSocket::ConnectedState)
        transmit(id, message);
    else
        m_unsent.emplace(id, message);
}

void TrueNASService::transmit(qint64 id, const QByteArray& message)
{
    // A binary message: the server reads the UTF-8 bytes of the JSON text.
    if (m_socket->sendBinaryMessage(message) != message.size())
        settle(id, std::make_exception_ptr(TrueNASError::described(m_socket->errorString())));
}

void TrueNASService::received(const QByteArray& message)
{
    // The rest of what the socket had read when the connection was given up.
    if (m_lost)
        return;
    try {
        const TrueNASReply reply = TrueNASReply::read(message);
        if (reply.isNotification)
            return;
        if (!m_waiting.contains(reply.id)) {
            // The late answer to a call that timed out names a call that is over: drop it.
            if (reply.id >= 1 && reply.id <= m_requestID)
                return;
            throw TrueNASError::invalidResponse();
        }
        settle(reply.id, reply.failure, reply.result);
    } catch (const TrueNASError&) {
        failOldest(std::current_exception());
    }
}

void TrueNASService::failOldest(const std::exception_ptr& failure)
{
    // Nobody is waiting for a stray message: it is dropped.
    if (!m_waiting.empty())
        settle(m_waiting.begin()->first, failure);
}

void TrueNASService::settle(qint64 id, const std::exception_ptr& failure, const QJsonValue& result)
{
    const auto found = m_waiting.find(id);
    if (found == m_waiting.end())
        return;
    const std::shared_ptr<Call> call = std::move(found->second);
    m_waiting.erase(found);
    conclude(*call, failure, result);
}

void TrueNASService::conclude(Call& call, const std::exception_ptr& failure, const QJsonValue& result)
{
    // Deleted later: the call's own time-out may be what is running now.
    if (call.timer)
        call.timer.release()->deleteLater();
    if (failure)
        call.promise.setException(failure);
    else
        call.promise.addResult(result);
    call.promise.finish();
}

void TrueNASService::lost()
{
    // A disconnection queued just before the client shut down.
    if (!m_socket)
        return;
    // A server that closes the connection properly leaves the socket without an error.
    // The socket closes by itself with 1009 past its frame and message limits.
    if (!m_lost && m_socket->closeCode() == QWebSocketProtocol::CloseCodeTooMuchData)
        m_lost = std::make_exception_ptr(TrueNASError::messageTooLarge());
    if (!m_lost)
        m_lost = std::make_exception_ptr(m_socket->error() == QAbstractSocket::UnknownSocketError
                                             ? TrueNASError::connectionClosed()
                                             : TrueNASError::described(m_socket->errorString()));
    m_backlogWatch.reset();
    m_unsent.clear();
    for (auto& [id, call] : std::exchange(m_waiting, {}))
        conclude(*call, m_lost);
}

void TrueNASService::shutDown()
{
    m_backlogWatch.reset();
    // Ending the promises unfinished leaves their futures cancelled.
    m_waiting.clear();
    m_unsent.clear();
    QObject::disconnect(m_socket.get(), nullptr, m_context, nullptr);
    if (m_socket->state() == QAbstractSocket::ConnectedState) {
        m_socket->close(QWebSocketProtocol::CloseCodeGoingAway);
        m_socket->flush();
    }
    m_socket.reset();
}

} // namespace bramblet
