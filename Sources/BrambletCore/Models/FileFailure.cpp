#include "BrambletCore/Models/FileFailure.h"

namespace bramblet {

namespace {

QString descriptionOf(FileFailure::Kind kind)
{
    using Kind = FileFailure::Kind;
    switch (kind) {
    case Kind::system: return {};
    case Kind::invalidName: return QStringLiteral("Use a name without slashes or control characters.");
    case Kind::sameLocation: return QStringLiteral("Source and destination refer to the same item.");
    case Kind::nestedDestination: return QStringLiteral("A folder cannot be copied or moved inside itself.");
    case Kind::missingSource: return QStringLiteral("The source item no longer exists. Refresh this folder.");
    case Kind::unsupportedItem: return QStringLiteral("This special filesystem item cannot be copied.");
    case Kind::verificationFailed: return QStringLiteral("The copy could not be verified. The original was preserved.");
    case Kind::cancelled: return QStringLiteral("Cancelled before this item started. Completed items were kept.");
    }
    Q_UNREACHABLE();
}

} // namespace

FileFailure::FileFailure(Kind kind)
    : FileFailure(kind, descriptionOf(kind))
{
}

FileFailure::FileFailure(Kind kind, const QString& description)
    : std::runtime_error(description.toStdString())
    , m_kind(kind)
{
}

FileFailure FileFailure::system(const QString& message)
{
    return FileFailure(Kind::system, message);
}

FileFailure FileFailure::unsupportedItem(const QString& item)
{
    return FileFailure(Kind::unsupportedItem, QStringLiteral("This special filesystem item cannot be copied: “%1”.").arg(item));
}

QString FileFailure::errorDescription() const
{
    return QString::fromUtf8(what());
}

} // namespace bramblet
