#include "BrambletCore/Remote/S3Request.h"

#include "BrambletCore/Remote/S3Connection.h"
#include "BrambletCore/Remote/S3Error.h"

#include <QNetworkRequest>
#include <QSslConfiguration>

namespace bramblet {

namespace {

constexpr int timeoutMilliseconds = 60'000;

} // namespace

QByteArray S3Request::percentEncoded(const QString& text, bool keepSlash)
{
    // QByteArray::toPercentEncoding leaves exactly the unreserved set alone, with upper-case hex.
    return text.toUtf8().toPercentEncoding(keepSlash ? "/" : "");
}

QByteArray S3Request::listQuery(const QString& prefix)
{
    // Already in the sorted order that signing needs.
    return "delimiter=%2F&list-type=2&max-keys=" + QByteArray::number(pageSize) + "&prefix=" + percentEncoded(prefix, false);
}

S3Request S3Request::make(const S3Connection& connection, const QString& secretKey, const QByteArray& method,
                          const QString& key, const QByteArray& query, const QByteArray& payloadHash, Date now)
{
    // The network layer resolves "." and ".." segments of the path after it was signed, so the
    // request would reach another object than the signed one (and a server that checks the
    // signature would refuse it). Such a key is refused before anything is sent.
    for (const QStringView segment : QStringView(key).split(u'/')) {
        if (segment == u"." || segment == u"..")
            throw S3Error::badResponse(-1, QStringLiteral("The key \"%1\" has a \".\" or \"..\" folder name, "
                                                          "which cannot be sent unchanged").arg(key));
    }
    S3Request request;
    request.method = method;
    request.path = '/' + percentEncoded(connection.bucket, true) + '/' + percentEncoded(key, true);
    request.query = query;
    request.payloadHash = payloadHash;

    QByteArray address = "https://" + connection.endpoint.toUtf8() + request.path;
    if (!query.isEmpty())
        address += '?' + query;
    request.url = QUrl::fromEncoded(address, QUrl::StrictMode);
    // The endpoint must be nothing but a host and port: a path, query or user part in it would
    // change what is sent behind the signature's back.
    const bool bareAuthority = request.url.isValid() && !request.url.host().isEmpty()
        && request.url.userInfo().isEmpty() && request.url.path(QUrl::FullyEncoded).toUtf8() == request.path
        && request.url.query(QUrl::FullyEncoded).toUtf8() == query;
    if (!bareAuthority)
        throw S3Error::badResponse(-1, QStringLiteral("Invalid URL"));
    // The signed host is the Host header the transport sends: the endpoint as stored, with its
    // port, lower-cased and in the ASCII form of international names.
    const QByteArray host = request.url.authority(QUrl::FullyEncoded).toUtf8();

    request.signature = S3Signature::sign({ .method = method,
                                            .canonicalPath = request.path,
                                            .canonicalQuery = query,
                                            .host = host,
                                            .region = connection.region.toUtf8(),
                                            .accessKeyID = connection.accessKeyID.toUtf8(),
                                            .secretKey = secretKey.toUtf8(),
                                            .payloadHash = payloadHash },
                                          now);
    return request;
}

QNetworkRequest S3Request::networkRequest(const QSslConfiguration& tls) const
{
    QNetworkRequest request(url);
    request.setTransferTimeout(timeoutMilliseconds);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setSslConfiguration(tls);
    request.setRawHeader("x-amz-date", signature.timeStamp);
    request.setRawHeader("x-amz-content-sha256", payloadHash);
    request.setRawHeader("Authorization", signature.authorization);
    return request;
}

} // namespace bramblet
