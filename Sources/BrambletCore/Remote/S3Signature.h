#pragma once

#include "BrambletCore/Models/Date.h"

#include <QByteArray>

namespace bramblet {

// The Signature Version 4 of one request: the three headers it adds ("x-amz-date",
// "x-amz-content-sha256", "Authorization") and the texts they are derived from. Signing is pure:
// the same request and time always give the same signature, and it cannot fail.
struct S3Signature {
    // Only host, payload hash and time stamp are signed; every request carries exactly these.
    static constexpr const char* signedHeaders = "host;x-amz-content-sha256;x-amz-date";

    struct Request {
        QByteArray method;
        // "/" + bucket + "/" + key, already percent-encoded as it stands in the URL.
        QByteArray canonicalPath;
        // The query exactly as it stands in the URL (parameters in sorted order), or empty.
        QByteArray canonicalQuery;
        // The endpoint as stored, "host" or "host:port", which is also the HTTP Host header.
        QByteArray host;
        QByteArray region;
        QByteArray accessKeyID;
        QByteArray secretKey;
        // Lower-case hexadecimal SHA-256 of the exact body sent.
        QByteArray payloadHash;
    };

    QByteArray timeStamp; // UTC "yyyyMMdd'T'HHmmss'Z'", the "x-amz-date" value
    QByteArray canonicalRequest;
    QByteArray stringToSign;
    QByteArray signature; // 64 lower-case hexadecimal digits
    QByteArray authorization;

    // `now` is read once by the caller, so the "x-amz-date" header and the signature agree.
    static S3Signature sign(const Request& request, Date now);
};

} // namespace bramblet
