#include "BrambletCore/Models/SortField.h"

namespace bramblet {

QString toString(SortField field)
{
    switch (field) {
    case SortField::name: return QStringLiteral("name");
    case SortField::size: return QStringLiteral("size");
    case SortField::modified: return QStringLiteral("modified");
    }
    Q_UNREACHABLE();
}

template <>
std::optional<SortField> fromString<SortField>(const QString& text)
{
    return caseNamed(allSortFields, text);
}

} // namespace bramblet
