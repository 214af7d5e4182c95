#pragma once

#include "BrambletCore/Models/Date.h"

#include <QString>
#include <QStringList>

#include <filesystem>
#include <optional>

namespace bramblet {

// One entry of a folder listing. A plain value, copied freely between the main thread and the
// file service. How it is filled from the file system is the file service's business.
struct FileItem {
    std::filesystem::path url;        // the entry as listed, not resolved
    QString name;                     // last path component
    bool isDirectory = false;         // a folder, and not a symbolic link
    bool isSymbolicLink = false;      // the entry itself is a symbolic link
    bool isHidden = false;            // a leading "." (or a hidden flag)
    qint64 size = 0;                  // bytes; 0 where the system reports none
    std::optional<Date> modified;     // content modification
    std::optional<Date> created;      // birth time, where the file system keeps one
    std::optional<int> permissions;   // POSIX permission bits
    QStringList tags;                 // tag names in system order

    // Identity for lists, selections and diffing: the path. Items with one id may still differ.
    QString id() const;

    // The inspector's kind text: "Symbolic link", "Folder", "Document" or "<EXT> document".
    QString kind() const;

    bool operator==(const FileItem&) const = default;
};

// The path of a local URL as text, for the UI and stored records. Bytes that are not UTF-8
// show as replacement characters; file operations work on the path itself, never on this text.
QString pathString(const std::filesystem::path& path);

// The inverse of pathString().
std::filesystem::path pathFromString(const QString& path);

size_t qHash(const FileItem& item, size_t seed = 0);

} // namespace bramblet
