#pragma once

#include "BrambletCore/Models/FileItem.h"

#include <QList>
#include <QString>

class QAction;
class QMenu;
class QWidget;

namespace bramblet {

// The context menu a file pane shows in its list, grid and tree: one fixed row per command, each
// action carrying its command identifier (the words the pane and the workspace share) as data.
namespace PaneContextMenu {

// The menu with every row in its order, "Explore" included; the pane hides that row where the
// pane does not offer it.
QMenu* make(QWidget* parent);

// The identifier of a row's action; empty for an action without one.
QString identifier(const QAction* action);

// Whether a row applies to `selection` (the pane's selected items in display order).
bool isEnabled(const QString& identifier, const QList<FileItem>& selection, bool canExplore);

} // namespace PaneContextMenu

} // namespace bramblet
