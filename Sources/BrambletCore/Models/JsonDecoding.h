#pragma once

#include "BrambletCore/Models/EnumStrings.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>

#include <stdexcept>

namespace bramblet {

// A stored JSON document that does not describe a whole record: a missing key, a value of the
// wrong type, or an enumeration string that names no case. Records never decode half-filled.
class JsonDecodeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Readers of one required key each; they throw JsonDecodeError naming the key.
namespace json {

QJsonObject requireObject(const QJsonValue& value, const char* what);
QJsonValue requireKey(const QJsonObject& object, const char* key);
QString requireString(const QJsonObject& object, const char* key);
bool requireBool(const QJsonObject& object, const char* key);
int requireInt(const QJsonObject& object, const char* key);
double requireDouble(const QJsonObject& object, const char* key);
QJsonArray requireArray(const QJsonObject& object, const char* key);
QStringList requireStringArray(const QJsonObject& object, const char* key);

[[noreturn]] void fail(const char* key, const char* problem);

template <typename Enum>
Enum requireEnum(const QJsonObject& object, const char* key)
{
    if (auto value = fromString<Enum>(requireString(object, key)))
        return *value;
    fail(key, "names no known case");
}

} // namespace json

} // namespace bramblet
