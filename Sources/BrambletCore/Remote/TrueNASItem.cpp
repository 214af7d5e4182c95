#include "BrambletCore/Remote/TrueNASItem.h"

#include "BrambletCore/Models/JsonDecoding.h"

namespace bramblet {

namespace {

// Sizes pass 2 GiB, which the shared int reader cannot hold.
qint64 requireInt64(const QJsonObject& object, const char* key)
{
    const QJsonValue value = json::requireKey(object, key);
    // toInteger() gives its default for anything but a whole number that fits: two different
    // defaults tell such a value from a real one.
    const qint64 number = value.toInteger(0);
    if (!value.isDouble() || number != value.toInteger(1))
        json::fail(key, "is not an integer");
    return number;
}

} // namespace

TrueNASItem TrueNASItem::fromJson(const QJsonValue& value)
{
    const QJsonObject object = json::requireObject(value, "entry");
    return { .name = json::requireString(object, "name"),
             .path = json::requireString(object, "path"),
             .type = json::requireString(object, "type"),
             .size = requireInt64(object, "size") };
}

} // namespace bramblet
