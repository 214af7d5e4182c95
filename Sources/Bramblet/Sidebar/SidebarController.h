#pragma once

#include "Bramblet/Sidebar/MountedVolume.h"
#include "Bramblet/Sidebar/SidebarEntry.h"
#include "Bramblet/Sidebar/SidebarOutline.h"
#include "Bramblet/Sidebar/SidebarSections.h"

#include <QObject>
#include <QMenu>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>

class QAction;
class QModelIndex;
class QPoint;
class QWidget;

namespace bramblet {

class SidebarModel;

// The left-most column of the workspace window: an outline with "Favorites" (the built-in places,
// then the user's favourite folders) and "Locations" (the mounted volumes). Picking a row sends
// the active pane there; a favourite's context menu offers "Move Up" and "Remove from Sidebar";
// folders dropped onto Favorites become favourites.
//
// The sidebar keeps no state of its own: the workspace owns the favourites, hands them in through
// reload() whenever they change, and answers the three callbacks, which it sets. Main thread only.
class SidebarController : public QObject {
    Q_OBJECT

public:
    using Entry = SidebarEntry;
    // Lists the mounted volumes each time the sidebar is rebuilt.
    using VolumeSource = std::function<QList<MountedVolume>()>;

    explicit SidebarController(VolumeSource volumes = mountedVolumes, QObject* parent = nullptr);
    // Deletes the view unless whoever it was placed in has deleted it already.
    ~SidebarController() override;

    // The sidebar's root view, built on first use. Whoever places it becomes its parent.
    QWidget* view();
    bool isViewLoaded() const { return m_view != nullptr; }

    SidebarOutline* outline() const { return m_outline; }
    // The two section entries, Favorites first; empty before the first reload().
    const SidebarSections& sections() const;

    // Rebuilds both sections from `favorites` and the volumes mounted now, keeps the sections the
    // user collapsed collapsed (the first rebuild expands both), then select(selectedPath).
    void reload(const QStringList& favorites, const QString& selectedPath);

    // Selects the first row from the top, among the rows the outline shows (not those of a
    // collapsed section), whose path is exactly `path`; clears the selection when there is none.
    // Never reports `navigate`.
    void select(const QString& path);

    // The paths of the six built-in places, which the workspace keeps out of its favourites.
    static QSet<QString> standardLocationPaths();

    // The user picked a folder row.
    std::function<void(const QUrl& folder)> navigate;
    // A favourite's "Move Up" (moveUp true) or "Remove from Sidebar" (false).
    std::function<void(const QString& path, bool moveUp)> favoriteAction;
    // Folders dropped onto the Favorites section, standardised, in the order of the drag.
    std::function<void(const QList<QUrl>& folders)> foldersDropped;

private:
    void loadView();
    void selectionChanged();
    void showContextMenu(const QPoint& position);
    // Refills the context menu for the row under the pointer: only a favourite gets items.
    void menuNeedsUpdate(const QModelIndex& clicked);
    void changeFavorite(QAction* item);
    void acceptDrop(const QList<QUrl>& folders);

    VolumeSource m_volumes;
    std::unique_ptr<SidebarModel> m_model;
    QPointer<QWidget> m_view;
    QPointer<SidebarOutline> m_outline;
    QPointer<QMenu> m_menu;
    // True while the controller itself changes the outline's rows or selection, so that the
    // selection change is not taken as the user's choice.
    bool m_syncing = false;
};

} // namespace bramblet
