#include "BrambletCore/Sync/SyncKind.h"

namespace bramblet {

QString toString(SyncKind kind)
{
    switch (kind) {
    case SyncKind::matching: return QStringLiteral("matching");
    case SyncKind::added: return QStringLiteral("added");
    case SyncKind::changed: return QStringLiteral("changed");
    case SyncKind::missing: return QStringLiteral("missing");
    }
    Q_UNREACHABLE();
}

template <>
std::optional<SyncKind> fromString<SyncKind>(const QString& text)
{
    return caseNamed(allSyncKinds, text);
}

} // namespace bramblet
