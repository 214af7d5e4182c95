#include "BrambletCore/Remote/S3Connection.h"

#include "BrambletCore/Models/JsonDecoding.h"
#include "BrambletCore/Remote/S3Error.h"
#include "BrambletCore/Remote/S3Object.h"
#include "BrambletCore/Remote/S3Service.h"

#include <gtest/gtest.h>

#include <QJsonDocument>

namespace bramblet {
namespace {

const S3Connection sample { .id = QUuid::fromString(QStringLiteral("6f1c2d3e-4a5b-4c6d-8e7f-9a0b1c2d3e4f")),
                            .name = QStringLiteral("My Bucket"),
                            .endpoint = QStringLiteral("s3.example.com"),
                            .region = QStringLiteral("us-east-1"),
                            .bucket = QStringLiteral("bucket"),
                            .accessKeyID = QStringLiteral("AKID") };

TEST(S3Connection, StoresTheSixKeysWithAnUpperCaseId)
{
    const QJsonObject json = sample.toJson();
    EXPECT_EQ(json.keys(), QStringList({ "accessKeyID", "bucket", "endpoint", "id", "name", "region" }));
    EXPECT_EQ(json["id"].toString(), "6F1C2D3E-4A5B-4C6D-8E7F-9A0B1C2D3E4F");
    EXPECT_EQ(sample.idString(), "6F1C2D3E-4A5B-4C6D-8E7F-9A0B1C2D3E4F");
    EXPECT_EQ(S3Connection::fromJson(json), sample);
}

TEST(S3Connection, DecodingNeedsEveryKeyWithItsType)
{
    struct Case {
        const char* name;
        QJsonValue value;
    };
    const auto with = [](const char* key, const QJsonValue& value) {
        QJsonObject json = sample.toJson();
        if (value.isUndefined())
            json.remove(key);
        else
            json[key] = value;
        return json;
    };
    const Case cases[] = {
        { "missing name", with("name", QJsonValue::Undefined) },
        { "null bucket", with("bucket", QJsonValue::Null) },
        { "numeric region", with("region", 3) },
        { "id not a UUID", with("id", "not-a-uuid") },
        { "id in braces", with("id", "{6F1C2D3E-4A5B-4C6D-8E7F-9A0B1C2D3E4F}") },
        { "not an object", QJsonArray() },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_THROW(S3Connection::fromJson(c.value), JsonDecodeError);
    }
    // Lower-case ids, the nil UUID and extra keys are fine.
    EXPECT_EQ(S3Connection::fromJson(with("id", "6f1c2d3e-4a5b-4c6d-8e7f-9a0b1c2d3e4f")), sample);
    EXPECT_TRUE(S3Connection::fromJson(with("id", "00000000-0000-0000-0000-000000000000")).id.isNull());
    EXPECT_EQ(S3Connection::fromJson(with("extra", true)), sample);
}

TEST(S3Object, NameIsTheLastPieceOfTheKey)
{
    struct Case {
        QString key;
        QString name;
    };
    const Case cases[] = {
        { "file.txt", "file.txt" }, { "a/b/file.txt", "file.txt" }, { "photos/2024/", "2024" },
        { "a//b//", "b" }, { "/", "" }, { "//", "/" }, { "", "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key.toStdString());
        EXPECT_EQ((S3Object { .key = c.key, .isFolder = false, .size = 0, .modified = std::nullopt }.name()), c.name);
    }
}

TEST(S3Service, CheckStatusTurnsAnswersOutsideTwoHundredsIntoErrors)
{
    struct Case {
        int status;
        QByteArray body;
        const char* message; // nullptr: success
    };
    const Case cases[] = {
        { 200, "ignored", nullptr },
        { 204, {}, nullptr },
        { 299, {}, nullptr },
        { 199, "early", "S3 request failed (199): early" },
        { 301, "<Error>moved</Error>", "S3 request failed (301): moved" },
        { 403, "<?xml version=\"1.0\"?>\n<Error>\n  <Code>AccessDenied</Code>\n  <Message>Access Denied</Message>\n"
               "  <RequestId>4442587FB7D0A2F9</RequestId>\n</Error>",
          "S3 request failed (403): AccessDenied: Access Denied" },
        { 400, "<Error><Message>no code</Message></Error>", "S3 request failed (400): no code" },
        // Control characters and direction overrides never reach the message.
        { 400, "evil\x1b[2J\r\n\t\xe2\x80\xaegnirts\xe2\x80\xac\x07 end", "S3 request failed (400): evil [2J gnirts end" },
        { 502, "<html><head><title>502 Bad Gateway</title></head><body><h1>Bad Gateway</h1></body></html>",
          "S3 request failed (502): 502 Bad Gateway Bad Gateway" },
        { 404, {}, "S3 request failed (404): " },
        { 403, "Zugriff verweigert: \xc3\xa4", "S3 request failed (403): Zugriff verweigert: \xc3\xa4" },
        { 500, "\xff\xfe not text", "S3 request failed (500): unknown error" },
        { -1, {}, "S3 request failed (-1): " },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        if (!c.message) {
            EXPECT_NO_THROW(S3Service::checkStatus(c.status, c.body));
            continue;
        }
        try {
            S3Service::checkStatus(c.status, c.body);
            ADD_FAILURE() << "no error";
        } catch (const S3Error& error) {
            EXPECT_EQ(error.kind(), S3Error::Kind::badResponse);
            EXPECT_EQ(error.status(), c.status);
            EXPECT_STREQ(error.what(), c.message);
        }
    }
}

} // namespace
} // namespace bramblet
