#include "BrambletCore/Remote/S3Connection.h"

#include "BrambletCore/Models/JsonDecoding.h"

namespace bramblet {

QString S3Connection::idString() const
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

QJsonObject S3Connection::toJson() const
{
    return {
        { "id", idString() },
        { "name", name },
        { "endpoint", endpoint },
        { "region", region },
        { "bucket", bucket },
        { "accessKeyID", accessKeyID },
    };
}

S3Connection S3Connection::fromJson(const QJsonValue& value)
{
    const auto object = json::requireObject(value, "S3 connection");
    const QString idText = json::requireString(object, "id");
    // Only the bare hyphenated form counts as a UUID string (QUuid also takes braces); the nil
    // UUID is a valid one even though QUuid reports it as null.
    const QUuid id = QUuid::fromString(idText);
    if (idText.size() != 36 || (id.isNull() && idText != QUuid().toString(QUuid::WithoutBraces)))
        json::fail("id", "is not a UUID");
    return {
        .id = id,
        .name = json::requireString(object, "name"),
        .endpoint = json::requireString(object, "endpoint"),
        .region = json::requireString(object, "region"),
        .bucket = json::requireString(object, "bucket"),
        .accessKeyID = json::requireString(object, "accessKeyID"),
    };
}

} // namespace bramblet
