#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstddef>
#include <cstdint>

// The fuzzer's bytes as Qt sees them, and the JSON values a stored document holds: the object
// itself, or each element of an array (a saved list), so one corpus serves both shapes.
namespace fuzz {

inline QByteArray bytes(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

inline QJsonArray jsonValues(const QByteArray& text)
{
    const QJsonDocument document = QJsonDocument::fromJson(text);
    if (document.isObject())
        return QJsonArray { document.object() };
    return document.array();
}

} // namespace fuzz
