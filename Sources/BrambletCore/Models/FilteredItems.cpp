#include "BrambletCore/Models/FilteredItems.h"

#include "BrambletCore/Models/FilenameFilter.h"
#include "BrambletCore/Models/NameCollator.h"
#include "BrambletCore/Models/ParallelStableSort.h"

#include <QCollatorSortKey>

#include <algorithm>
#include <numeric>
#include <optional>
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

// Each thread takes at least this many items: on shorter lists the hand-over costs more than it saves.
constexpr size_t minimumRun = 2048;

// The collation key of every name, in the order given, built in parallel runs. An empty name has
// none and goes before all others, as in the collator's own comparison: its key would tie with
// names made only of ignorable characters.
std::vector<std::optional<QCollatorSortKey>> nameKeys(const std::vector<const FileItem*>& items)
{
    std::vector<std::optional<QCollatorSortKey>> keys(items.size());
    const std::vector<size_t> bounds = chunkBounds(items.size(), minimumRun);
    // A collator of its own for every run: a QCollator is not meant to be used on two threads.
    std::vector<QCollator> collators;
    for (size_t run = 1; run < bounds.size(); ++run)
        collators.push_back(nameCollator());
    forEachChunk(bounds, [&](size_t begin, size_t end) {
        const QCollator& collator = collators[runOf(bounds, begin)];
        for (size_t index = begin; index < end; ++index) {
            if (!items[index]->name.isEmpty())
                keys[index] = collator.sortKey(items[index]->name);
        }
    });
    return keys;
}

int compareNameKeys(const std::optional<QCollatorSortKey>& a, const std::optional<QCollatorSortKey>& b)
{
    if (!a || !b)
        return int(a.has_value()) - int(b.has_value());
    return a->compare(*b);
}

// The first `count` items in the stable order of `before`, without sorting them all: each run
// picks its own first ones, then the first of those are picked. Ties go by given position, which
// makes the order total, so the picks agree with the stable sort.
template <typename Before>
QList<FileItem> firstRows(const std::vector<const FileItem*>& items, size_t count, const Before& before)
{
    const auto stablyBefore = [&](size_t a, size_t b) { return before(a, b) || (!before(b, a) && a < b); };
    // Moves the first `count` of [begin, end) to its front, in order.
    const auto pickFirst = [&](auto begin, auto end) {
        const auto last = size_t(end - begin) > count ? begin + ptrdiff_t(count) : end;
        std::nth_element(begin, last, end, stablyBefore);
        std::sort(begin, last, stablyBefore);
    };
    std::vector<size_t> order(items.size());
    std::iota(order.begin(), order.end(), 0);
    const std::vector<size_t> bounds = chunkBounds(order.size(), minimumRun);
    forEachChunk(bounds, [&](size_t begin, size_t end) {
        pickFirst(order.begin() + ptrdiff_t(begin), order.begin() + ptrdiff_t(end));
    });
    std::vector<size_t> picked;
    for (size_t run = 0; run + 1 < bounds.size(); ++run) {
        const auto begin = order.begin() + ptrdiff_t(bounds[run]);
        picked.insert(picked.end(), begin, begin + ptrdiff_t(std::min(count, bounds[run + 1] - bounds[run])));
    }
    pickFirst(picked.begin(), picked.end());
    QList<FileItem> rows;
    rows.reserve(qsizetype(count));
    for (size_t index = 0; index < count; ++index)
        rows.append(*items[picked[index]]);
    return rows;
}

} // namespace

QList<FileItem> filteredItems(const QList<FileItem>& items, const TabSnapshot& tab, bool showHidden)
{
    return filteredItems(items, tab, showHidden, 0, {});
}

QList<FileItem> filteredItems(const QList<FileItem>& items, const TabSnapshot& tab, bool showHidden,
                              qsizetype headCount, const std::function<void(const QList<FileItem>&)>& head)
{
    // A wildcard match walks the name character by character: the runs match side by side, and
    // their survivors are joined in the given order.
    const FilenameFilter filter(tab.filter);
    const std::vector<size_t> bounds = chunkBounds(size_t(items.size()), minimumRun);
    std::vector<std::vector<const FileItem*>> survivors(bounds.size() - 1);
    forEachChunk(bounds, [&](size_t begin, size_t end) {
        auto& run = survivors[runOf(bounds, begin)];
        run.reserve(end - begin);
        for (size_t index = begin; index < end; ++index) {
            const FileItem& item = items[qsizetype(index)];
            if ((showHidden || !item.isHidden) && filter.matches(item.name))
                run.push_back(&item);
        }
    });
    std::vector<const FileItem*> kept;
    kept.reserve(size_t(items.size()));
    for (const auto& run : survivors)
        kept.insert(kept.end(), run.begin(), run.end());

    // Collation keys are built once per item, not per comparison.
    const auto keys = tab.sort == SortField::name ? nameKeys(kept) : std::vector<std::optional<QCollatorSortKey>>();
    const auto ascending = [&](size_t a, size_t b) {
        if (tab.sort == SortField::name)
            return compareNameKeys(keys[a], keys[b]);
        return compareKeys(*kept[a], *kept[b], tab.sort);
    };
    const auto before = [&](size_t a, size_t b) {
        const bool aFolder = kept[a]->isDirectory;
        if (aFolder != kept[b]->isDirectory)
            return aFolder; // folders first, in both directions
        const int c = ascending(a, b);
        return tab.descending ? c > 0 : c < 0;
    };
    std::vector<size_t> order(kept.size());
    std::iota(order.begin(), order.end(), 0);

    if (head && headCount > 0 && kept.size() > size_t(headCount))
        head(firstRows(kept, size_t(headCount), before));

    parallelStableSort(order, before, minimumRun);

    // Copying an item copies its path, which allocates: the copies run in parallel too.
    QList<FileItem> result(qsizetype(order.size()));
    FileItem* const out = result.data();
    forEachChunk(order.size(), minimumRun, [&](size_t begin, size_t end) {
        for (size_t row = begin; row < end; ++row)
            out[row] = *kept[order[row]];
    });
    return result;
}

} // namespace bramblet
