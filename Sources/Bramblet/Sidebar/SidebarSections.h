#pragma once

#include "Bramblet/Sidebar/MountedVolume.h"
#include "Bramblet/Sidebar/SidebarEntry.h"

#include <QSet>
#include <QStringList>

#include <memory>
#include <vector>

namespace bramblet {

using SidebarSections = std::vector<std::unique_ptr<SidebarEntry>>;

// The sidebar's two sections, made new:
// - "Favorites": the six built-in places (Home, Applications, Desktop, Documents, Downloads,
//   Pictures), then each of `favorites` in order that is not exactly one of those places' paths,
//   titled by its last path component;
// - "Locations": the volumes that pass isUserLocation(), in the given order, titled by their name
//   or, without one, by the last component of their mount path.
// Whether the folders exist is not tested.
SidebarSections makeSidebarSections(const QStringList& favorites, const QList<MountedVolume>& volumes);

// The paths of the six built-in places. The desktop's user folders (XDG user directories) give
// Desktop, Documents, Downloads and Pictures; a folder that is not set, or set to the home folder
// itself, is the home folder plus its English name. "Applications" is the folder of installed
// application entries, /usr/share/applications.
QSet<QString> standardLocationPaths();

// The last component of a path as a file URL names it: "b" for "/a/b" and "/a/b/", "/" for "/".
QString lastPathComponent(const QString& path);

} // namespace bramblet
