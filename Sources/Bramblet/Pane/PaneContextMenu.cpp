#include "Bramblet/Pane/PaneContextMenu.h"

#include <QMenu>

namespace bramblet::PaneContextMenu {

namespace {

struct Row {
    const char* title;
    const char* identifier;
};

// The identifiers are compared exactly by the workspace.
constexpr Row rows[] = {
    { "Open", "open" },
    { "Explore", "explore" },
    { "Terminal Here", "terminal" },
    { "Quick Look", "preview" },
    { "Add to Drop Stack", "stack" },
    { "Select by Pattern…", "selectPattern" },
    { "Select by Kind…", "selectKind" },
    { "Select by Tag…", "selectTag" },
    { "Batch Rename…", "batchRename" },
    { "Rename…", "rename" },
    { "Tags…", "tags" },
    { "Compare Selected Files", "compare" },
    { "Copy to Other Pane", "copy" },
    { "Move to Other Pane", "move" },
    { "Share…", "share" },
    { "Move to Trash…", "trash" },
};

} // namespace

QMenu* make(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    for (const Row& row : rows) {
        QAction* action = menu->addAction(QString::fromUtf8(row.title));
        action->setData(QString::fromLatin1(row.identifier));
    }
    return menu;
}

QString identifier(const QAction* action)
{
    return action ? action->data().toString() : QString();
}

bool isEnabled(const QString& identifier, const QList<FileItem>& selection, bool canExplore)
{
    const qsizetype count = selection.size();
    if (identifier == u"terminal")
        return count <= 1;
    if (identifier == u"explore")
        return canExplore && count == 1 && selection.first().isDirectory;
    if (identifier == u"selectKind" || identifier == u"selectTag")
        return true;
    if (identifier == u"compare")
        return count == 2 && !selection[0].isDirectory && !selection[1].isDirectory;
    return count >= 1;
}

} // namespace bramblet::PaneContextMenu
