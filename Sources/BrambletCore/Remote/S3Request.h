#pragma once

#include "BrambletCore/Models/Date.h"
#include "BrambletCore/Remote/S3Signature.h"

#include <QUrl>

class QNetworkRequest;
class QSslConfiguration;

namespace bramblet {

struct S3Connection;

// One request of the client, addressed path-style (https://endpoint/bucket/key?query) and signed.
// The path and query are signed exactly as they stand in the URL.
struct S3Request {
    QByteArray method;
    QByteArray path;
    QByteArray query;
    QUrl url;
    S3Signature signature;
    QByteArray payloadHash;

    // Throws S3Error "S3 request failed (-1): Invalid URL" when the endpoint makes no valid URL,
    // and S3Error with status -1 for a key with a "." or ".." segment, which cannot be sent as
    // signed.
    static S3Request make(const S3Connection& connection, const QString& secretKey, const QByteArray& method,
                          const QString& key, const QByteArray& query, const QByteArray& payloadHash, Date now);

    // The most entries one listing asks for.
    static constexpr int pageSize = 1000;
    // The ListObjectsV2 query of one page of up to pageSize entries directly under `prefix`.
    static QByteArray listQuery(const QString& prefix);

    // Every UTF-8 byte outside A-Z a-z 0-9 "-._~" (and, when `keepSlash`, "/") becomes "%XX" with
    // upper-case hexadecimal digits.
    static QByteArray percentEncoded(const QString& text, bool keepSlash);

    // The request to send: a 60-second transfer time-out, no redirects followed (every operation
    // is exactly one request), and the three signing headers.
    QNetworkRequest networkRequest(const QSslConfiguration& tls) const;
};

} // namespace bramblet
