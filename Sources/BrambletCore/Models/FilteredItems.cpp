#include "BrambletCore/Models/FilteredItems.h"

#include "BrambletCore/Models/FilenameFilter.h"

#include <QCollator>
#include <QCollatorSortKey>

#include <algorithm>
#include <numeric>
#include <vector>

namespace bramblet {

namespace {

// -1, 0 or 1 as a goes before, ties with, or goes after b in the ascending order of the key.
// Size and date ties fall back to the names in plain code order (B.txt before a.txt).
int compareKeys(const FileItem& a, const FileItem& b, SortField sort)
{
    const auto byName = [&] { return a.name < b.name ? -1 : (b.name < a.name ? 1 : 0); };
    switch (sort) {
    case SortField::name:
        break; // by collation keys, outside
    case SortField::size:
        if (a.size != b.size)
            return a.size < b.size ? -1 : 1;
        return byName();
    case SortField::modified:
        if (a.modified != b.modified) {
            // An absent date counts as the earliest possible one.
            if (!a.modified)
                return -1;
            if (!b.modified)
                return 1;
            return *a.modified < *b.modified ? -1 : 1;
        }
        return byName();
    }
    return 0;
}

} // namespace

QList<FileItem> filteredItems(const QList<FileItem>& items, const TabSnapshot& tab, bool showHidden)
{
    const FilenameFilter filter(tab.filter);
    std::vector<const FileItem*> kept;
    kept.reserve(size_t(items.size()));
    for (const auto& item : items) {
        if ((showHidden || !item.isHidden) && filter.matches(item.name))
            kept.push_back(&item);
    }

    // The file-browser name order: case ignored, digit runs compared by value (file2 < file10).
    // Keys are built once, not per comparison.
    std::vector<QCollatorSortKey> nameKeys;
    if (tab.sort == SortField::name) {
        // The C locale makes QCollator compare code units and ignore both settings; fall back
        // to the root collation there so the order is the same on a bare system.
        const auto locale = QLocale::system();
        QCollator collator(locale.language() == QLocale::C ? QLocale(QLocale::English) : locale);
        collator.setNumericMode(true);
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        nameKeys.reserve(kept.size());
        for (const auto* item : kept)
            nameKeys.push_back(collator.sortKey(item->name));
    }

    std::vector<size_t> order(kept.size());
    std::iota(order.begin(), order.end(), 0);
    const auto ascending = [&](size_t a, size_t b) {
        if (!nameKeys.empty())
            return nameKeys[a].compare(nameKeys[b]);
        return compareKeys(*kept[a], *kept[b], tab.sort);
    };
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const bool aFolder = kept[a]->isDirectory;
        if (aFolder != kept[b]->isDirectory)
            return aFolder; // folders first, in both directions
        const int c = ascending(a, b);
        return tab.descending ? c > 0 : c < 0;
    });

    QList<FileItem> result;
    result.reserve(qsizetype(order.size()));
    for (auto index : order)
        result.append(*kept[index]);
    return result;
}

} // namespace bramblet
