#include "Bramblet/Pane/PaneController.h"

#include "Bramblet/Pane/FileUrls.h"
#include "Bramblet/Pane/PaneContextMenu.h"

#include <QAbstractItemView>
#include <QDropEvent>
#include <QMenu>

namespace bramblet {

void PaneController::configureContextMenu()
{
    m_contextMenu = PaneContextMenu::make(this);
    connect(m_contextMenu, &QMenu::aboutToShow, this, &PaneController::validateContextMenu);
    connect(m_contextMenu, &QMenu::triggered, this,
            [this](QAction* action) { contextSelected(PaneContextMenu::identifier(action)); });
}

void PaneController::validateContextMenu()
{
    // The owner says whether the pane offers Explore only after the pane is built, so the row
    // follows the setting each time the menu opens.
    const QList<FileItem> selection = selected();
    for (QAction* action : m_contextMenu->actions()) {
        const QString identifier = PaneContextMenu::identifier(action);
        if (identifier == u"explore")
            action->setVisible(canExplore);
        action->setEnabled(PaneContextMenu::isEnabled(identifier, selection, canExplore));
    }
}

void PaneController::contextSelected(const QString& identifier)
{
    fire(activated);
    if (identifier.isEmpty())
        return;
    const QList<FileItem> selection = selected();
    if (identifier == u"terminal") {
        if (selection.size() > 1 || !terminalHere)
            return;
        if (selection.isEmpty())
            terminalHere(currentFolder());
        else if (selection.first().isDirectory)
            terminalHere(selection.first().url);
        else
            terminalHere(selection.first().url.parent_path());
    } else if (identifier == u"explore") {
        if (canExplore && selection.size() == 1 && selection.first().isDirectory && explore)
            explore(selection.first().url);
    } else if (contextAction) {
        contextAction(identifier);
    }
}

void PaneController::configureDragAndDrop(QAbstractItemView* view)
{
    view->setDragEnabled(true);
    view->setAcceptDrops(true);
    // The grid's static placement turns drops off on its viewport; the pane takes them there too.
    view->viewport()->setAcceptDrops(true);
    view->setDragDropMode(QAbstractItemView::DragDrop);
    // The source offers copy and move (the model says so); a drop here is always taken as a copy,
    // so a dragging view never removes the rows it sent.
    view->setDefaultDropAction(Qt::CopyAction);
    view->setDropIndicatorShown(false);
}

bool PaneController::handleDrag(QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        // Wherever it lands, a drop means the tab's folder, never the row under the pointer.
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (!fileUrls(drag->mimeData()).isEmpty() && drag->possibleActions().testFlag(Qt::CopyAction)) {
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
        } else {
            drag->ignore();
        }
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (drop->possibleActions().testFlag(Qt::CopyAction) && acceptDrop(drop->mimeData())) {
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
        } else {
            drop->ignore();
        }
        return true;
    }
    case QEvent::DragLeave:
        return true;
    default:
        return false;
    }
}

bool PaneController::acceptDrop(const QMimeData* data)
{
    const QList<std::filesystem::path> files = fileUrls(data);
    if (files.isEmpty())
        return false;
    if (dropped)
        dropped(files, currentFolder(), false);
    return true;
}

} // namespace bramblet
