#include "Bramblet/Pane/VisibleItems.h"

#include "BrambletCore/Models/FilteredItems.h"

namespace bramblet {

VisibleItems VisibleItems::make(const QList<FileItem>& items, const TabSnapshot& tab, bool showHidden)
{
    VisibleItems visible;
    visible.items = filteredItems(items, tab, showHidden);
    visible.paths.reserve(visible.items.size());
    visible.rows.reserve(visible.items.size());
    for (const FileItem& item : std::as_const(visible.items)) {
        const qsizetype row = visible.paths.size();
        visible.rows.insert(visible.paths.emplaceBack(pathString(item.url)), row);
    }
    return visible;
}

} // namespace bramblet
