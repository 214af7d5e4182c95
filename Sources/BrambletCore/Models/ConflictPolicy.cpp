#include "BrambletCore/Models/ConflictPolicy.h"

namespace bramblet {

QString toString(ConflictPolicy policy)
{
    switch (policy) {
    case ConflictPolicy::ask: return QStringLiteral("ask");
    case ConflictPolicy::skip: return QStringLiteral("skip");
    case ConflictPolicy::keepBoth: return QStringLiteral("keepBoth");
    case ConflictPolicy::replace: return QStringLiteral("replace");
    }
    Q_UNREACHABLE();
}

template <>
std::optional<ConflictPolicy> fromString<ConflictPolicy>(const QString& text)
{
    return caseNamed(allConflictPolicies, text);
}

} // namespace bramblet
