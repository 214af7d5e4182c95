#include "BrambletCore/Models/JsonDecoding.h"

#include <cmath>
#include <limits>

namespace bramblet::json {

void fail(const char* key, const char* problem)
{
    throw JsonDecodeError(std::string("\"") + key + "\" " + problem);
}

QJsonObject requireObject(const QJsonValue& value, const char* what)
{
    if (!value.isObject())
        fail(what, "is not an object");
    return value.toObject();
}

QJsonValue requireKey(const QJsonObject& object, const char* key)
{
    const auto it = object.constFind(QLatin1StringView(key));
    if (it == object.constEnd())
        fail(key, "is missing");
    return *it;
}

QString requireString(const QJsonObject& object, const char* key)
{
    const auto value = requireKey(object, key);
    if (!value.isString())
        fail(key, "is not a string");
    return value.toString();
}

bool requireBool(const QJsonObject& object, const char* key)
{
    const auto value = requireKey(object, key);
    if (!value.isBool())
        fail(key, "is not a boolean");
    return value.toBool();
}

int requireInt(const QJsonObject& object, const char* key)
{
    const auto value = requireKey(object, key);
    const double number = value.toDouble(std::numeric_limits<double>::quiet_NaN());
    if (!value.isDouble() || std::trunc(number) != number || number < std::numeric_limits<int>::min()
        || number > std::numeric_limits<int>::max())
        fail(key, "is not an integer");
    return static_cast<int>(number);
}

double requireDouble(const QJsonObject& object, const char* key)
{
    const auto value = requireKey(object, key);
    if (!value.isDouble())
        fail(key, "is not a number");
    return value.toDouble();
}

QJsonArray requireArray(const QJsonObject& object, const char* key)
{
    const auto value = requireKey(object, key);
    if (!value.isArray())
        fail(key, "is not an array");
    return value.toArray();
}

QStringList requireStringArray(const QJsonObject& object, const char* key)
{
    QStringList strings;
    for (const auto& element : requireArray(object, key)) {
        if (!element.isString())
            fail(key, "holds something other than strings");
        strings.append(element.toString());
    }
    return strings;
}

} // namespace bramblet::json
