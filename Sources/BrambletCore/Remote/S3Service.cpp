#include "BrambletCore/Remote/S3Service.h"

#include "BrambletCore/Remote/S3Error.h"
#include "BrambletCore/Remote/S3ListingParser.h"
#include "BrambletCore/Remote/S3Request.h"

namespace bramblet {

QFuture<QList<S3Object>> S3Service::list(const QString& prefix)
{
    return send({ .method = "GET", .key = {}, .query = S3Request::listQuery(prefix), .bodyFile = {}, .targetFile = {} })
        .then(QtFuture::Launch::Sync, [](const QByteArray& body) { return S3ListingParser::parseListing(body, S3Request::pageSize); });
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
