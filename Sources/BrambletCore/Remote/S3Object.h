#pragma once

#include "BrambletCore/Models/Date.h"

#include <QString>

#include <optional>

namespace bramblet {

// One entry of a bucket listing: an object, or a folder (a common prefix of keys).
struct S3Object {
    // The full key; for a folder the full prefix, ending in "/".
    QString key;
    bool isFolder = false;
    // Bytes; 0 for folders.
    qint64 size = 0;
    // Absent for folders and when the server's date text could not be read.
    std::optional<Date> modified;

    const QString& id() const { return key; }
    // The last non-empty "/"-separated piece of the key ("photos/2024/" gives "2024").
    QString name() const;

    bool operator==(const S3Object&) const = default;
};

} // namespace bramblet
