// The client's own thread: its lifetime, the queue of calls, and one request at a time from
// signing to the settled future.

#include "BrambletCore/Remote/S3Service.h"

#include "BrambletCore/Remote/S3Error.h"
#include "BrambletCore/Remote/S3Request.h"
#include "BrambletCore/Remote/Sha256.h"

#include <QFile>
#include <QFutureWatcher>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPromise>
#include <QSaveFile>

namespace bramblet {

namespace {

// Hashing and download writes go through buffers of this size, and the network layer holds at
// most this much of a download that has not been written yet.
constexpr qint64 chunkSize = 1 << 20;

bool isGoodStatus(const QVariant& status)
{
    return status.isValid() && status.toInt() >= 200 && status.toInt() <= 299;
}

QString pathText(const std::filesystem::path& path)
{
    return QString::fromStdString(path.string());
}

} // namespace

struct S3Service::Exchange {
    Call call;
    QPromise<QByteArray> promise;
    // Tells the client's thread that the caller cancelled the future.
    std::unique_ptr<QFutureWatcher<QByteArray>> cancelWatch;
    QNetworkReply* reply = nullptr; // deleted when the exchange settles
    std::unique_ptr<QSaveFile> target;
    QByteArray body; // the listing, or an error answer
    std::exception_ptr localFailure;
};

S3Service::S3Service(S3Connection connection, QString secretKey, QSslConfiguration tls, Clock clock)
    : m_connection(std::move(connection))
    , m_secretKey(std::move(secretKey))
    , m_tls(std::move(tls))
    , m_clock(std::move(clock))
    , m_context(new QObject)
{
    m_thread.setObjectName(QStringLiteral("S3Service"));
    m_context->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_context, &QObject::deleteLater);
    m_thread.start();
}

S3Service::~S3Service()
{
    m_stopping = true;
    QMetaObject::invokeMethod(m_context, [this] { shutDown(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

QFuture<QByteArray> S3Service::send(Call call)
{
    auto exchange = std::make_shared<Exchange>();
    exchange->call = std::move(call);
    exchange->promise.start();
    if (!exchange->call.bodyFile.empty() || !exchange->call.targetFile.empty())
        exchange->promise.setProgressRange(0, progressScale);
    auto future = exchange->promise.future();
    QMetaObject::invokeMethod(m_context, [this, exchange] {
        m_waiting.push_back(exchange);
        startNext();
    });
    return future;
}

void S3Service::startNext()
{
    while (!m_current && !m_waiting.empty()) {
        m_current = std::move(m_waiting.front());
        m_waiting.pop_front();
        if (m_current->promise.isCanceled()) {
            m_current->promise.finish();
            m_current.reset();
            continue;
        }
        try {
            begin(*m_current);
        } catch (...) {
            m_current->promise.setException(std::current_exception());
            m_current->promise.finish();
            m_current.reset();
        }
    }
}

void S3Service::begin(Exchange& exchange)
{
    if (!m_network)
        m_network = std::make_unique<QNetworkAccessManager>();

    std::unique_ptr<QFile> body;
    QByteArray payloadHash;
    if (!exchange.call.bodyFile.empty()) {
        body = std::make_unique<QFile>(pathText(exchange.call.bodyFile));
        if (!body->open(QIODevice::ReadOnly))
            throw S3Error::localFile(body->errorString());
        payloadHash = payloadHashOf(*body, exchange);
    } else {
        payloadHash = Sha256::hexDigest({});
    }

    const S3Request request = S3Request::make(m_connection, m_secretKey, exchange.call.method, exchange.call.key,
                                              exchange.call.query, payloadHash, m_clock());
    QNetworkRequest networkRequest = request.networkRequest(m_tls);
    QNetworkReply* reply = nullptr;
    if (exchange.call.method == "PUT") {
        networkRequest.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/octet-stream"));
        if (body) {
            networkRequest.setHeader(QNetworkRequest::ContentLengthHeader, body->size());
            reply = m_network->put(networkRequest, body.get());
            body.release()->setParent(reply);
        } else {
            reply = m_network->put(networkRequest, QByteArray());
        }
    } else if (exchange.call.method == "DELETE") {
        reply = m_network->deleteResource(networkRequest);
    } else {
        reply = m_network->get(networkRequest);
    }
    exchange.reply = reply;
    reply->setReadBufferSize(chunkSize);
    exchange.cancelWatch = std::make_unique<QFutureWatcher<QByteArray>>();
    QObject::connect(exchange.cancelWatch.get(), &QFutureWatcherBase::canceled, reply, &QNetworkReply::abort);
    exchange.cancelWatch->setFuture(exchange.promise.future());
    if (exchange.promise.isCanceled())
        reply->abort();
    const auto progress = [&exchange](qint64 done, qint64 total) {
        if (total > 0)
            exchange.promise.setProgressValue(int(std::min(done, total) * progressScale / total));
    };
    if (!exchange.call.bodyFile.empty())
        QObject::connect(reply, &QNetworkReply::uploadProgress, m_context, progress);
    if (!exchange.call.targetFile.empty())
        QObject::connect(reply, &QNetworkReply::downloadProgress, m_context, progress);
    QObject::connect(reply, &QNetworkReply::readyRead, m_context, [this, reply] {
        if (m_current && m_current->reply == reply)
            receive(*m_current);
    });
    // Queued, so that an abort inside receive() settles the exchange only after receive() returns.
    QObject::connect(reply, &QNetworkReply::finished, m_context, [this, reply] { finished(reply); },
                     Qt::QueuedConnection);
}

QByteArray S3Service::payloadHashOf(QIODevice& file, const Exchange& exchange) const
{
    Sha256 hash;
    QByteArray buffer(chunkSize, Qt::Uninitialized);
    for (;;) {
        if (m_stopping || exchange.promise.isCanceled())
            throw S3Error::transport(QStringLiteral("Operation canceled"));
        const qint64 count = file.read(buffer.data(), buffer.size());
        if (count < 0)
            throw S3Error::localFile(file.errorString());
        if (count == 0)
            break;
        hash.update(QByteArrayView(buffer.constData(), count));
    }
    if (!file.seek(0))
        throw S3Error::localFile(file.errorString());
    return hash.hexDigest();
}

bool S3Service::receive(Exchange& exchange)
{
    if (exchange.localFailure)
        return false;
    const bool toTarget = !exchange.call.targetFile.empty()
        && isGoodStatus(exchange.reply->attribute(QNetworkRequest::HttpStatusCodeAttribute));
    if (!toTarget) {
        exchange.body += exchange.reply->readAll();
        return true;
    }
    // The temporary file is made only once a good answer has begun, so a refused download
    // leaves no trace beside the target.
    if (!exchange.target) {
        exchange.target = std::make_unique<QSaveFile>(pathText(exchange.call.targetFile));
        if (!exchange.target->open(QIODevice::WriteOnly)) {
            exchange.localFailure = std::make_exception_ptr(S3Error::localFile(exchange.target->errorString()));
            exchange.reply->abort();
            return false;
        }
    }
    while (exchange.reply->bytesAvailable() > 0) {
        const QByteArray chunk = exchange.reply->read(chunkSize);
        if (exchange.target->write(chunk) != chunk.size()) {
            exchange.localFailure = std::make_exception_ptr(S3Error::localFile(exchange.target->errorString()));
            exchange.reply->abort();
            return false;
        }
    }
    return true;
}

void S3Service::finished(QNetworkReply* reply)
{
    if (!m_current || m_current->reply != reply)
        return;
    const auto exchange = std::move(m_current);
    // No progress may reach the exchange once it is gone.
    QObject::disconnect(reply, nullptr, m_context, nullptr);
    try {
        exchange->promise.addResult(conclude(*exchange));
    } catch (...) {
        exchange->promise.setException(std::current_exception());
    }
    exchange->promise.finish();
    exchange->target.reset(); // an uncommitted temporary file is removed here
    reply->deleteLater();
    startNext();
}

QByteArray S3Service::conclude(Exchange& exchange)
{
    QNetworkReply& reply = *exchange.reply;
    if (exchange.localFailure)
        std::rethrow_exception(exchange.localFailure);
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    // An error status is the server's answer, whatever the network layer thinks of it.
    if (status.isValid() && !isGoodStatus(status)) {
        exchange.body += reply.readAll();
        checkStatus(status.toInt(), exchange.body);
    }
    // A good status with a transport error is a body cut short: never a finished download.
    if (reply.error() != QNetworkReply::NoError)
        throw S3Error::transport(reply.errorString());
    if (!status.isValid())
        checkStatus(-1, exchange.body);
    if (!receive(exchange))
        std::rethrow_exception(exchange.localFailure);
    if (exchange.target) {
        if (!exchange.target->commit())
            throw S3Error::localFile(exchange.target->errorString());
    }
    return exchange.body;
}

void S3Service::shutDown()
{
    m_waiting.clear();
    if (m_current) {
        QNetworkReply* reply = m_current->reply;
        QObject::disconnect(reply, nullptr, m_context, nullptr);
        reply->abort();
        delete reply;
        m_current.reset();
    }
    m_network.reset();
}

} // namespace bramblet
