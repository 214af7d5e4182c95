#include "BrambletCore/Models/PaneMode.h"

namespace bramblet {

QString toString(PaneMode mode)
{
    switch (mode) {
    case PaneMode::list: return QStringLiteral("list");
    case PaneMode::grid: return QStringLiteral("grid");
    case PaneMode::tree: return QStringLiteral("tree");
    }
    Q_UNREACHABLE();
}

template <>
std::optional<PaneMode> fromString<PaneMode>(const QString& text)
{
    return caseNamed(allPaneModes, text);
}

} // namespace bramblet
