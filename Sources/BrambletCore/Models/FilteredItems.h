#pragma once

#include "BrambletCore/Models/FileItem.h"
#include "BrambletCore/Models/TabSnapshot.h"

#include <QList>

#include <functional>

namespace bramblet {

// What a pane shows of a listing: hidden items dropped unless `showHidden`, the tab's filter
// applied, folders first, then the tab's sort field and direction. Stable: items the order does
// not separate keep their given order. Reads only the tab's filter, sort and descending.
QList<FileItem> filteredItems(const QList<FileItem>& items, const TabSnapshot& tab, bool showHidden);

// The same, first handing `head` the first `headCount` items of the result as soon as they are
// known, before the rest is sorted and copied; only when the result is longer than that.
QList<FileItem> filteredItems(const QList<FileItem>& items, const TabSnapshot& tab, bool showHidden,
                              qsizetype headCount, const std::function<void(const QList<FileItem>&)>& head);

} // namespace bramblet
