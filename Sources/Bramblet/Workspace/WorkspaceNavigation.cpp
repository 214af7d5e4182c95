#include "Bramblet/Workspace/WorkspaceController.h"

#include "Bramblet/Inspector/ThemedLabel.h"
#include "Bramblet/Pane/PaneController.h"
#include "Bramblet/Sidebar/SidebarController.h"
#include "Bramblet/Workspace/DialogPresenter.h"
#include "Bramblet/Workspace/QuickLookPanel.h"
#include "Bramblet/Workspace/TerminalPaneController.h"
#include "Bramblet/Workspace/WorkspaceWindow.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace bramblet {

namespace {

// The folder a "Go to Folder" entry names: a leading "~" is the home folder, relative text is
// taken from the current directory.
QString expandedPath(const QString& text)
{
    QString path = text;
    if (path == QStringLiteral("~") || path.startsWith(QStringLiteral("~/")))
        path = QDir::homePath() + path.mid(1);
    return QDir::cleanPath(QDir::current().absoluteFilePath(path));
}

} // namespace

void WorkspaceController::wireNavigationCommands()
{
    connectToolbarButton("toggleSidebar", &WorkspaceController::toggleSidebar);
    connectToolbarButton("chooseFolder", &WorkspaceController::chooseFolder);
    connectToolbarButton("addFavorite", &WorkspaceController::addFavorite);
    connectToolbarButton("refresh", &WorkspaceController::refresh);
    connectToolbarButton("toggleHidden", &WorkspaceController::toggleHidden);
    connectToolbarButton("toggleInspector", &WorkspaceController::toggleInspector);
}

void WorkspaceController::refresh()
{
    activePane()->refresh();
}

void WorkspaceController::newTab()
{
    activePane()->addTab();
}

void WorkspaceController::closeTab()
{
    activePane()->closeTab();
}

void WorkspaceController::parentFolder()
{
    activePane()->goToParent();
}

void WorkspaceController::openSelection()
{
    activePane()->openSelected();
}

void WorkspaceController::selectAllFiles()
{
    activePane()->selectAll();
}

void WorkspaceController::focusSide(int index)
{
    activatePane(index);
    content(index)->focus();
}

void WorkspaceController::chooseFolder()
{
    if (!m_window)
        return;
    QPointer<WorkspaceController> self(this);
    m_dialogs.chooseFolder(m_window, activeTabPath(), [self](const std::optional<QString>& folder) {
        if (self && folder)
            self->activePane()->navigate(pathFromString(*folder));
    });
}

void WorkspaceController::enterPath()
{
    QPointer<WorkspaceController> self(this);
    askText(QStringLiteral("Go to Folder"), QStringLiteral("Enter an absolute folder path."), activeTabPath(),
            [self](const QString& text) {
                if (self && !text.trimmed().isEmpty())
                    self->activePane()->navigate(pathFromString(expandedPath(text)));
            });
}

void WorkspaceController::addFavorite()
{
    const QString path = activeTabPath();
    if (SidebarController::standardLocationPaths().contains(path)) {
        m_statusLabel->setFullText(QFileInfo(path).fileName() + QStringLiteral(" is already in your sidebar."));
        return;
    }
    if (m_favorites.contains(path))
        return;
    m_favorites.append(path);
    rebuildSidebar();
    save();
}

void WorkspaceController::favoriteAction(const QString& path, bool moveUp)
{
    if (moveUp) {
        const auto index = m_favorites.indexOf(path);
        if (index > 0)
            m_favorites.swapItemsAt(index, index - 1);
    } else {
        m_favorites.removeAll(path);
    }
    rebuildSidebar();
    save();
}

void WorkspaceController::foldersDropped(const QList<QUrl>& folders)
{
    for (const QUrl& folder : folders) {
        const QString path = folder.toLocalFile();
        if (!m_favorites.contains(path))
            m_favorites.append(path);
    }
    rebuildSidebar();
    save();
}

void WorkspaceController::showQuickLook()
{
    if (m_quickLook && m_quickLook->isVisible()) {
        m_quickLook->hide();
        return;
    }
    const auto selected = activePane()->selected();
    if (selected.isEmpty())
        return;
    if (!m_quickLook) {
        m_quickLook = new QuickLookPanel(m_window);
        m_quickLook->move(m_window->geometry().center() - m_quickLook->rect().center());
        QPointer<WorkspaceController> self(this);
        m_quickLook->arrowKey = [self](QKeyEvent* event) {
            if (self)
                self->activePane()->passKey(event);
        };
    }
    preview(selected);
    m_quickLook->show();
    m_quickLook->raise();
    m_quickLook->activateWindow();
}

void WorkspaceController::preview(const QList<FileItem>& items)
{
    m_previewItems.clear();
    for (const auto& item : items)
        m_previewItems.append(item.url);
    m_quickLook->setItems(items);
}

} // namespace bramblet
