#pragma once

#include <QString>

class QJsonValue;

namespace bramblet {

// One entry of a TrueNAS folder listing.
struct TrueNASItem {
    QString name;
    // The full path on the server; also the item's identity.
    QString path;
    // The entry's kind as the server names it ("DIRECTORY" for a folder, "FILE" for a file).
    QString type;
    // Bytes.
    qint64 size = 0;

    const QString& id() const { return path; }

    // Reads one listing entry: an object with the string keys "name", "path" and "type" and the
    // integer key "size"; other keys are ignored. Throws JsonDecodeError naming the first key
    // that is missing or of another type.
    static TrueNASItem fromJson(const QJsonValue& value);

    bool operator==(const TrueNASItem&) const = default;
};

} // namespace bramblet
