#include "BrambletCore/Remote/S3Request.h"

#include "BrambletCore/Remote/S3Connection.h"
#include "BrambletCore/Remote/S3Error.h"
#include "BrambletCore/Remote/Sha256.h"

#include <gtest/gtest.h>

#include <QNetworkRequest>
#include <QSslConfiguration>

namespace bramblet {
namespace {

S3Connection connectionTo(const QString& endpoint, const QString& bucket = QStringLiteral("bucket"))
{
    return { .id = QUuid::createUuid(),
             .name = QStringLiteral("test"),
             .endpoint = endpoint,
             .region = QStringLiteral("us-east-1"),
             .bucket = bucket,
             .accessKeyID = QStringLiteral("AKID") };
}

S3Request make(const S3Connection& connection, const QString& key, const QByteArray& query = {})
{
    return S3Request::make(connection, QStringLiteral("secret"), "GET", key, query, Sha256::hexDigest({}),
                           std::chrono::system_clock::now());
}

TEST(S3Request, PercentEncodesEverythingButTheUnreservedSet)
{
    struct Case {
        QString text;
        QByteArray inPath; // "/" kept
        QByteArray inQuery; // "/" encoded
    };
    const Case cases[] = {
        { "plain-Name_1.0~x", "plain-Name_1.0~x", "plain-Name_1.0~x" },
        { "a b", "a%20b", "a%20b" },
        { "cost$+tax", "cost%24%2Btax", "cost%24%2Btax" },
        { "dir/sub/file.txt", "dir/sub/file.txt", "dir%2Fsub%2Ffile.txt" },
        { "é日", "%C3%A9%E6%97%A5", "%C3%A9%E6%97%A5" },
        { "%2F", "%252F", "%252F" },
        { "a&b=c?d#e", "a%26b%3Dc%3Fd%23e", "a%26b%3Dc%3Fd%23e" },
        { "", "", "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(S3Request::percentEncoded(c.text, true), c.inPath);
        EXPECT_EQ(S3Request::percentEncoded(c.text, false), c.inQuery);
    }
}

TEST(S3Request, ListQueryAsksForOneFolderLevelOfOnePage)
{
    EXPECT_EQ(S3Request::listQuery(QString()), "delimiter=%2F&list-type=2&max-keys=1000&prefix=");
    EXPECT_EQ(S3Request::listQuery(QStringLiteral("photos/2024/")),
              "delimiter=%2F&list-type=2&max-keys=1000&prefix=photos%2F2024%2F");
}

// What goes on the wire must be exactly what was signed: the URL's encoded path and query, and
// the Host header that Qt derives from the URL.
TEST(S3Request, SendsThePathQueryAndHostItSigns)
{
    struct Case {
        QString endpoint;
        QString key;
        QByteArray query;
        QByteArray path;
        QByteArray host;
    };
    const Case cases[] = {
        { "s3.example.com", "", S3Request::listQuery(QString()), "/bucket/", "s3.example.com" },
        { "s3.example.com", "", S3Request::listQuery("a b/ü+$/"), "/bucket/", "s3.example.com" },
        { "s3.example.com", "my file+1$.txt", {}, "/bucket/my%20file%2B1%24.txt", "s3.example.com" },
        { "s3.example.com", "dir/naïve 日本/x", {}, "/bucket/dir/na%C3%AFve%20%E6%97%A5%E6%9C%AC/x", "s3.example.com" },
        { "s3.example.com", "a&b=c?d#e%f", {}, "/bucket/a%26b%3Dc%3Fd%23e%25f", "s3.example.com" },
        { "127.0.0.1:9000", "k", {}, "/bucket/k", "127.0.0.1:9000" },
        { "S3.Example.COM", "k", {}, "/bucket/k", "s3.example.com" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE((c.endpoint + u' ' + c.key).toStdString());
        const auto request = make(connectionTo(c.endpoint), c.key, c.query);
        EXPECT_EQ(request.path, c.path);
        const QUrl sent = request.networkRequest(QSslConfiguration::defaultConfiguration()).url();
        EXPECT_EQ(sent.scheme(), "https");
        EXPECT_EQ(sent.path(QUrl::FullyEncoded).toUtf8(), c.path);
        EXPECT_EQ(sent.query(QUrl::FullyEncoded).toUtf8(), c.query);
        EXPECT_EQ(sent.hasQuery(), !c.query.isEmpty());
        EXPECT_TRUE(request.signature.canonicalRequest.contains("\nhost:" + c.host + '\n'))
            << request.signature.canonicalRequest.data();
        EXPECT_TRUE(request.signature.canonicalRequest.startsWith("GET\n" + c.path + '\n' + c.query + "\nhost:"));
    }
}

TEST(S3Request, CarriesTheSigningHeadersAndNoRedirects)
{
    const auto request = make(connectionTo("s3.example.com"), "k");
    const QNetworkRequest sent = request.networkRequest(QSslConfiguration::defaultConfiguration());
    EXPECT_EQ(sent.rawHeader("x-amz-date"), request.signature.timeStamp);
    EXPECT_EQ(sent.rawHeader("x-amz-content-sha256"), Sha256::hexDigest({}));
    EXPECT_EQ(sent.rawHeader("Authorization"), request.signature.authorization);
    EXPECT_EQ(sent.transferTimeout(), 60'000);
    EXPECT_EQ(sent.attribute(QNetworkRequest::RedirectPolicyAttribute).toInt(), QNetworkRequest::ManualRedirectPolicy);
}

TEST(S3Request, EndpointThatIsNotAHostIsAnInvalidUrl)
{
    const QString endpoints[] = { "", "host/path", "user@host", "host?x=1", "host:notaport", "http://host", "a b" };
    for (const auto& endpoint : endpoints) {
        SCOPED_TRACE(endpoint.toStdString());
        try {
            make(connectionTo(endpoint), "k");
            ADD_FAILURE() << "no error";
        } catch (const S3Error& error) {
            EXPECT_EQ(error.kind(), S3Error::Kind::badResponse);
            EXPECT_STREQ(error.what(), "S3 request failed (-1): Invalid URL");
        }
    }
}

} // namespace
} // namespace bramblet
