#include "BrambletCore/Remote/S3Service.h"

#include "BrambletCore/Remote/S3Error.h"
#include "BrambletCore/Remote/S3ListingParser.h"
#include "BrambletCore/Remote/S3Request.h"

#include <QFutureWatcher>

namespace bramblet {

QFuture<QList<S3Object>> S3Service::list(const QString& prefix)
{
    QFuture<QByteArray> answer =
        send({ .method = "GET", .key = {}, .query = S3Request::listQuery(prefix), .bodyFile = {}, .targetFile = {} });
    QFuture<QList<S3Object>> listing = answer.then(
        QtFuture::Launch::Sync, [](const QByteArray& body) { return S3ListingParser::parseListing(body, S3Request::pageSize); });
    // Cancelling the listing stops its request too (a continuation's cancellation does not reach
    // the future it continues), so a caller who moved on frees the queue at once.
    QMetaObject::invokeMethod(m_context, [this, answer, listing] {
        auto* watch = new QFutureWatcher<QList<S3Object>>(m_context);
        QObject::connect(watch, &QFutureWatcherBase::canceled, m_context, [answer]() mutable { answer.cancel(); });
        QObject::connect(watch, &QFutureWatcherBase::finished, watch, &QObject::deleteLater);
        watch->setFuture(listing);
    });
    return listing;
}

QFuture<void> S3Service::download(const QString& key, const std::filesystem::path& to)
{
    // The very future of the exchange, so that its progress and cancellation reach the caller.
    return QFuture<void>(send({ .method = "GET", .key = key, .query = {}, .bodyFile = {}, .targetFile = to }));
}

QFuture<void> S3Service::upload(const std::filesystem::path& from, const QString& key)
{
    return QFuture<void>(send({ .method = "PUT", .key = key, .query = {}, .bodyFile = from, .targetFile = {} }));
}

QFuture<void> S3Service::createFolder(const QString& key)
{
    const QString folderKey = key.endsWith(u'/') ? key : key + u'/';
    return send({ .method = "PUT", .key = folderKey, .query = {}, .bodyFile = {}, .targetFile = {} })
        .then(QtFuture::Launch::Sync, [](const QByteArray&) {});
}

QFuture<void> S3Service::deleteObject(const QString& key)
{
    return send({ .method = "DELETE", .key = key, .query = {}, .bodyFile = {}, .targetFile = {} })
        .then(QtFuture::Launch::Sync, [](const QByteArray&) {});
}

void S3Service::checkStatus(int status, const QByteArray& body)
{
    if (status >= 200 && status <= 299)
        return;
    throw S3Error::badResponse(status, S3Error::answerText(body));
}

} // namespace bramblet
