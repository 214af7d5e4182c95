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
#include <QTimer>

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
    qint64 written = 0; // bytes of the body written to `target`
    QByteArray body; // the listing, or an error answer
    // Why the client itself ended the request (a limit, a local file); null while it did not.
    std::exception_ptr localFailure;
    // Set when the client stopped reading an error answer it had read enough of.
    bool errorAnswerCut = false;
    // Bytes of a transfer's body moved so far, and as many at the start of the current rate window.
    qint64 moved = 0;
    qint64 movedAtWindowStart = 0;
    std::unique_ptr<QTimer> limitTimer;
};

S3Service::S3Service(S3Connection connection, QString secretKey, QSslConfiguration tls, Clock clock, S3Limits limits)
    : m_connection(std::move(connection))
    , m_secretKey(std::move(secretKey))
    , m_tls(std::move(tls))
    , m_clock(std::move(clock))
    , m_limits(limits)
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
    networkRequest.setTransferTimeout(int(m_limits.silence.count()));
    // Bodies come as stored: a download is the object's own bytes, its length the stated one, and
    // a small compressed answer cannot unfold into a large one.
    networkRequest.setRawHeader("Accept-Encoding", "identity");
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
    // A transfer's own direction shows as progress and counts for its rate.
    const auto progress = [&exchange](qint64 done, qint64 total) {
        exchange.moved = done;
        if (total > 0)
            exchange.promise.setProgressValue(int(std::min(done, total) * progressScale / total));
    };
    if (!exchange.call.bodyFile.empty())
        QObject::connect(reply, &QNetworkReply::uploadProgress, m_context, progress);
    if (!exchange.call.targetFile.empty())
        QObject::connect(reply, &QNetworkReply::downloadProgress, m_context, progress);
    watchLimits(exchange);
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

void S3Service::watchLimits(Exchange& exchange)
{
    exchange.limitTimer = std::make_unique<QTimer>();
    QTimer& timer = *exchange.limitTimer;
    if (!exchange.call.bodyFile.empty() || !exchange.call.targetFile.empty()) {
        // A transfer may take hours, but never crawl.
        timer.setInterval(m_limits.rateWindow);
        QObject::connect(&timer, &QTimer::timeout, m_context, [this, &exchange] {
            if (exchange.moved - exchange.movedAtWindowStart < m_limits.minimumBytesPerWindow)
                return stop(exchange, std::make_exception_ptr(S3Error::tooSlow()));
            exchange.movedAtWindowStart = exchange.moved;
        });
    } else {
        timer.setSingleShot(true);
        timer.setInterval(m_limits.deadline);
        QObject::connect(&timer, &QTimer::timeout, m_context,
                         [this, &exchange] { stop(exchange, std::make_exception_ptr(S3Error::timedOut())); });
    }
    timer.start();
}

void S3Service::stop(Exchange& exchange, std::exception_ptr failure)
{
    if (!exchange.localFailure)
        exchange.localFailure = std::move(failure);
    exchange.reply->abort();
}

bool S3Service::receive(Exchange& exchange)
{
    if (exchange.localFailure)
        return false;
    if (exchange.errorAnswerCut)
        return true;
    const QVariant status = exchange.reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const bool toTarget = !exchange.call.targetFile.empty() && isGoodStatus(status);
    if (!toTarget) {
        // A listing or an error answer: read no more than a real one can need.
        const bool good = isGoodStatus(status);
        const qint64 limit = good ? m_limits.listingBodyBytes : m_limits.errorBodyBytes;
        // read(n) makes room for n bytes first: ask for no more than there is.
        exchange.body += exchange.reply->read(std::min(exchange.reply->bytesAvailable(), limit + 1 - exchange.body.size()));
        if (exchange.body.size() <= limit)
            return true;
        if (good) {
            stop(exchange, std::make_exception_ptr(S3Error::invalidAnswer(
                               QStringLiteral("The server's answer is far larger than a listing can be."))));
            return false;
        }
        // The code and message of an error answer come first: the rest is not needed.
        exchange.body.truncate(limit);
        exchange.errorAnswerCut = true;
        exchange.reply->abort();
        return true;
    }
    // The temporary file is made only once a good answer has begun, so a refused download
    // leaves no trace beside the target.
    if (!exchange.target) {
        exchange.target = std::make_unique<QSaveFile>(pathText(exchange.call.targetFile));
        if (!exchange.target->open(QIODevice::WriteOnly)) {
            stop(exchange, std::make_exception_ptr(S3Error::localFile(exchange.target->errorString())));
            return false;
        }
    }
    while (exchange.reply->bytesAvailable() > 0) {
        const QByteArray chunk = exchange.reply->read(chunkSize);
        if (exchange.target->write(chunk) != chunk.size()) {
            stop(exchange, std::make_exception_ptr(S3Error::localFile(exchange.target->errorString())));
            return false;
        }
        exchange.written += chunk.size();
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
    exchange->limitTimer.reset();
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
        receive(exchange);
        checkStatus(status.toInt(), exchange.body);
    }
    // A good status with a transport error is a body cut short: never a finished download.
    if (reply.error() != QNetworkReply::NoError) {
        // The network layer ends a silent request as if it had been cancelled.
        const bool silent = reply.error() == QNetworkReply::OperationCanceledError
            || reply.error() == QNetworkReply::TimeoutError;
        if (silent && !exchange.promise.isCanceled())
            throw S3Error::timedOut();
        throw S3Error::transport(reply.errorString());
    }
    if (!status.isValid())
        checkStatus(-1, exchange.body);
    if (!receive(exchange))
        std::rethrow_exception(exchange.localFailure);
    if (exchange.target) {
        checkWhole(exchange);
        if (!exchange.target->commit())
            throw S3Error::localFile(exchange.target->errorString());
    }
    return exchange.body;
}

void S3Service::checkWhole(const Exchange& exchange)
{
    // A chunked answer whose framing breaks ends early without an error, and an answer of
    // unknown length ends wherever the connection does: over HTTP/1.1 only a stated length tells
    // a whole body from part of one. HTTP/2 frames the end of every body itself.
    const QNetworkReply& reply = *exchange.reply;
    const QVariant length = reply.header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid()) {
        if (length.toLongLong() != exchange.written)
            throw S3Error::invalidAnswer(QStringLiteral("The download ended before the whole file arrived (%1 of %2 bytes). "
                                                        "The local file was left as it was.")
                                             .arg(exchange.written)
                                             .arg(length.toLongLong()));
    } else if (!reply.attribute(QNetworkRequest::Http2WasUsedAttribute).toBool()) {
        throw S3Error::invalidAnswer(QStringLiteral("The server did not say how long the file is, so the download could "
                                                    "not be checked. The local file was left as it was."));
    }
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
