#pragma once

#include "BrambletCore/Models/FileItem.h"
#include "BrambletCore/Models/TabSnapshot.h"

#include <QHash>
#include <QList>
#include <QStringList>

#include <functional>

namespace bramblet {

// What a pane shows, in display order, with each item's path and the row of every path, so that
// selections kept as paths map to rows in constant time. Built away from the main thread: for a
// large folder the sort alone takes longer than a frame.
struct VisibleItems {
    QList<FileItem> items;
    QStringList paths;              // paths[row] is the path of items[row]
    QHash<QString, qsizetype> rows; // path -> row
    bool isHead = false;            // only the first rows of a longer list, handed out ahead of it

    qsizetype size() const { return items.size(); }
    bool isEmpty() const { return items.isEmpty(); }

    // `items` through the tab's filter and sort (filteredItems()). When that is longer than
    // `headCount` items, `head` first gets the first `headCount` of them, as soon as they are known.
    static VisibleItems make(const QList<FileItem>& items, const TabSnapshot& tab, bool showHidden,
                             qsizetype headCount = 0, const std::function<void(const VisibleItems&)>& head = {});
};

} // namespace bramblet
