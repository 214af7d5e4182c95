#include "Bramblet/Pane/VisibleItems.h"

#include "BrambletCore/Models/FilteredItems.h"
#include "BrambletCore/Models/ParallelChunks.h"

namespace bramblet {

namespace {

// `items` with their paths and the row of every path.
VisibleItems indexed(const QList<FileItem>& items)
{
    VisibleItems visible;
    visible.items = items;
    // Turning a path into text decodes and allocates; a hundred thousand of them are worth the cores.
    const FileItem* const shown = visible.items.constData();
    visible.paths.resize(visible.items.size());
    QString* const paths = visible.paths.data();
    forEachChunk(size_t(visible.items.size()), 2048, [&](size_t begin, size_t end) {
        for (size_t row = begin; row < end; ++row)
            paths[row] = pathString(shown[row].url);
    });
    visible.rows.reserve(visible.paths.size());
    for (qsizetype row = 0; row < visible.paths.size(); ++row)
        visible.rows.insert(paths[row], row);
    return visible;
}

} // namespace

VisibleItems VisibleItems::make(const QList<FileItem>& items, const TabSnapshot& tab, bool showHidden,
                                qsizetype headCount, const std::function<void(const VisibleItems&)>& head)
{
    std::function<void(const QList<FileItem>&)> first;
    if (head) {
        first = [&head](const QList<FileItem>& rows) {
            VisibleItems shown = indexed(rows);
            shown.isHead = true;
            head(shown);
        };
    }
    return indexed(filteredItems(items, tab, showHidden, headCount, first));
}

} // namespace bramblet
