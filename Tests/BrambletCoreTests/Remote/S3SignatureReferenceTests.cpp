// The signing compared with the AWS SDK's own signer (@smithy/signature-v4, run by node), which
// builds its path, query and payload hash itself from the raw key, prefix and body.

#include "BrambletCore/Remote/S3Connection.h"
#include "BrambletCore/Remote/S3Request.h"
#include "BrambletCore/Remote/Sha256.h"

#include "Support/Remote/TestServices.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <optional>

namespace bramblet {
namespace {

using namespace std::chrono;

struct Case {
    const char* name;
    QByteArray method;
    QString endpoint;
    QString bucket;
    QString key;
    std::optional<QString> listPrefix;
    QByteArray body;
    QString region;
    QString secretKey;
    Date time;
};

QByteArray allBytes()
{
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes.append(char(i));
    return bytes;
}

TEST(S3SignatureReference, AgreesWithTheSdkSigner)
{
    const QString node = QStandardPaths::findExecutable(QStringLiteral("node"));
    const QString script = QStringLiteral(BRAMBLET_TESTS_DIR "/BrambletCoreTests/Remote/sigv4-reference.js");
    const bool installed = QFile::exists(QStringLiteral(BRAMBLET_TESTS_DIR "/node_modules/@smithy/signature-v4"));
    BRAMBLET_REQUIRE_SERVICE(!node.isEmpty() && installed, "node with Tests/node_modules");

    const Date noon = sys_days(2024y / May / 1) + 12h;
    const Date lastSecond = sys_days(2023y / December / 31) + 23h + 59min + 59s;
    const Case cases[] = {
        { "root listing", "GET", "s3.example.com", "bucket", "", QString(), {}, "us-east-1", "secret", noon },
        { "nested prefix", "GET", "s3.example.com", "bucket", "", QStringLiteral("photos/2024/"), {}, "eu-west-3", "secret", noon },
        { "prefix with space, plus and dollar", "GET", "s3.example.com", "bucket", "", QStringLiteral("a b+c$d/"), {}, "us-east-1", "secret", noon },
        { "unicode prefix", "GET", "s3.example.com", "bucket", "", QStringLiteral("Fotos/Ärger 日本/"), {}, "us-east-1", "secret", noon },
        { "download plain key", "GET", "s3.example.com", "bucket", "docs/report.pdf", std::nullopt, {}, "us-east-1", "secret", noon },
        { "key with space, plus, dollar", "GET", "s3.example.com", "bucket", "my file+1$.txt", std::nullopt, {}, "us-east-1", "secret", noon },
        { "unicode key with slashes", "DELETE", "s3.example.com", "bucket", "dir/sub dir/naïve 日本語.txt", std::nullopt, {}, "ap-northeast-1", "secret", noon },
        { "reserved characters", "GET", "s3.example.com", "bucket", "a&b=c?d#e%f'g(h)*i!j,k;l:m@n~o", std::nullopt, {}, "us-east-1", "secret", noon },
        { "upload text", "PUT", "s3.example.com", "bucket", "notes/hello.txt", std::nullopt, "hello, world\n", "us-east-1", "secret", noon },
        { "upload every byte", "PUT", "s3.example.com", "bucket", "bin/all bytes.bin", std::nullopt, allBytes(), "us-east-1", "secret", noon },
        { "new folder", "PUT", "s3.example.com", "bucket", "New Folder/", std::nullopt, {}, "us-east-1", "secret", noon },
        { "endpoint with port", "PUT", "127.0.0.1:9000", "bramblet-tests", "x y/z", std::nullopt, "data", "us-east-1", "S3RVER", noon },
        { "secret with slash and plus", "GET", "s3.example.com", "bucket", "k", std::nullopt, {}, "us-east-1", "wJalr/K7+MDENG/bPxRfiCYEXAMPLEKEY", lastSecond },
        { "dotted bucket", "GET", "storage.example.org", "my.bucket-1", "", QStringLiteral(""), {}, "auto", "secret", lastSecond },
    };

    QJsonArray input;
    std::vector<S3Request> ours;
    for (const auto& c : cases) {
        const S3Connection connection { .id = QUuid::createUuid(),
                                        .name = QStringLiteral("test"),
                                        .endpoint = c.endpoint,
                                        .region = c.region,
                                        .bucket = c.bucket,
                                        .accessKeyID = QStringLiteral("AKIDEXAMPLE") };
        const QByteArray query = c.listPrefix ? S3Request::listQuery(*c.listPrefix) : QByteArray();
        ours.push_back(S3Request::make(connection, c.secretKey, c.method, c.key, query, Sha256::hexDigest(c.body), c.time));
        QJsonObject object {
            { "method", QString::fromLatin1(c.method) },
            { "host", c.endpoint },
            { "bucket", c.bucket },
            { "key", c.key },
            { "body", QString::fromLatin1(c.body.toBase64()) },
            { "region", c.region },
            { "accessKeyID", connection.accessKeyID },
            { "secretKey", c.secretKey },
            { "time", qint64(duration_cast<seconds>(c.time.time_since_epoch()).count()) },
        };
        if (c.listPrefix)
            object.insert("prefix", *c.listPrefix);
        input.append(object);
    }

    QTemporaryFile casesFile;
    ASSERT_TRUE(casesFile.open());
    casesFile.write(QJsonDocument(input).toJson());
    casesFile.flush();
    QProcess process;
    process.start(node, { script, casesFile.fileName() });
    ASSERT_TRUE(process.waitForFinished(60'000));
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().constData();
    const QJsonArray reference = QJsonDocument::fromJson(process.readAllStandardOutput()).array();
    ASSERT_EQ(reference.size(), std::size(cases));

    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].name);
        const QJsonObject expected = reference[qsizetype(i)].toObject();
        EXPECT_EQ(ours[i].payloadHash, expected["payloadHash"].toString().toLatin1());
        EXPECT_EQ(ours[i].signature.authorization, expected["authorization"].toString().toLatin1());
    }
}

} // namespace
} // namespace bramblet
