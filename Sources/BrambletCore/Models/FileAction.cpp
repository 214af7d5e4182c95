#include "BrambletCore/Models/FileAction.h"

namespace bramblet {

QString toString(FileAction action)
{
    switch (action) {
    case FileAction::copy: return QStringLiteral("copy");
    case FileAction::move: return QStringLiteral("move");
    case FileAction::rename: return QStringLiteral("rename");
    case FileAction::trash: return QStringLiteral("trash");
    case FileAction::createFolder: return QStringLiteral("createFolder");
    }
    Q_UNREACHABLE();
}

QString title(FileAction action)
{
    switch (action) {
    case FileAction::copy: return QStringLiteral("Copy");
    case FileAction::move: return QStringLiteral("Move");
    case FileAction::rename: return QStringLiteral("Rename");
    case FileAction::trash: return QStringLiteral("Move to Trash");
    case FileAction::createFolder: return QStringLiteral("New Folder");
    }
    Q_UNREACHABLE();
}

template <>
std::optional<FileAction> fromString<FileAction>(const QString& text)
{
    return caseNamed(allFileActions, text);
}

} // namespace bramblet
