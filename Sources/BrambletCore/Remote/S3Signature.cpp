#include "BrambletCore/Remote/S3Signature.h"

#include "BrambletCore/Remote/Sha256.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <ctime>

namespace bramblet {

namespace {

QByteArray hmac(const QByteArray& key, const QByteArray& text)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    HMAC(EVP_sha256(), key.constData(), int(key.size()), reinterpret_cast<const unsigned char*>(text.constData()),
         size_t(text.size()), digest, &length);
    return QByteArray(reinterpret_cast<const char*>(digest), int(length));
}

QByteArray timeStampOf(Date now)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(std::chrono::floor<std::chrono::seconds>(now));
    std::tm utc {};
    gmtime_r(&seconds, &utc);
    char text[32];
    const size_t length = std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &utc);
    return QByteArray(text, qsizetype(length));
}

} // namespace

S3Signature S3Signature::sign(const Request& request, Date now)
{
    S3Signature result;
    result.timeStamp = timeStampOf(now);
    const QByteArray dateStamp = result.timeStamp.left(8);
    const QByteArray scope = dateStamp + '/' + request.region + "/s3/aws4_request";

    result.canonicalRequest = request.method + '\n'
        + request.canonicalPath + '\n'
        + request.canonicalQuery + '\n'
        + "host:" + request.host + '\n'
        + "x-amz-content-sha256:" + request.payloadHash + '\n'
        + "x-amz-date:" + result.timeStamp + '\n'
        + '\n'
        + signedHeaders + '\n'
        + request.payloadHash;

    result.stringToSign = QByteArray("AWS4-HMAC-SHA256\n") + result.timeStamp + '\n' + scope + '\n'
        + Sha256::hexDigest(result.canonicalRequest);

    const QByteArray dateKey = hmac("AWS4" + request.secretKey, dateStamp);
    const QByteArray regionKey = hmac(dateKey, request.region);
    const QByteArray serviceKey = hmac(regionKey, "s3");
    const QByteArray signingKey = hmac(serviceKey, "aws4_request");
    result.signature = hmac(signingKey, result.stringToSign).toHex();

    result.authorization = "AWS4-HMAC-SHA256 Credential=" + request.accessKeyID + '/' + scope
        + ", SignedHeaders=" + signedHeaders + ", Signature=" + result.signature;
    return result;
}

} // namespace bramblet
