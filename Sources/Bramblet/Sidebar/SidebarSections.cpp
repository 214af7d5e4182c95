#include "Bramblet/Sidebar/SidebarSections.h"

#include <QDir>
#include <QStandardPaths>


namespace bramblet {
namespace {

struct Place {
    QString title;
    QString icon;
    QString path;
};

QString userFolder(QStandardPaths::StandardLocation location, const QString& home, const QString& name)
{
    const QString path = QDir::cleanPath(QStandardPaths::writableLocation(location));
    // xdg-user-dirs sets a folder the user turned off to the home folder; listing that twice as
    // "Home" and, say, "Desktop" would be wrong either way, so the usual folder stands in.
    if (path.isEmpty() || path == QLatin1String(".") || path == home)
        return home + u'/' + name;
    return path;
}

QList<Place> builtInPlaces()
{
    const QString home = QDir::cleanPath(QDir::homePath());
    return {
        { QStringLiteral("Home"), QStringLiteral("Home"), home },
        { QStringLiteral("Applications"), QStringLiteral("Folder"), QStringLiteral("/usr/share/applications") },
        { QStringLiteral("Desktop"), QStringLiteral("Folder"),
          userFolder(QStandardPaths::DesktopLocation, home, QStringLiteral("Desktop")) },
        { QStringLiteral("Documents"), QStringLiteral("Folder"),
          userFolder(QStandardPaths::DocumentsLocation, home, QStringLiteral("Documents")) },
        { QStringLiteral("Downloads"), QStringLiteral("Download"),
          userFolder(QStandardPaths::DownloadLocation, home, QStringLiteral("Downloads")) },
        { QStringLiteral("Pictures"), QStringLiteral("Folder"),
          userFolder(QStandardPaths::PicturesLocation, home, QStringLiteral("Pictures")) },
    };
}

std::unique_ptr<SidebarEntry> folderEntry(const QString& title, const QString& icon, const QString& path,
                                          bool favorite)
{
    auto entry = std::make_unique<SidebarEntry>();
    entry->title = title;
    entry->icon = icon;
    entry->path = path;
    entry->favorite = favorite;
    return entry;
}

std::unique_ptr<SidebarEntry> sectionEntry(const QString& title)
{
    auto entry = std::make_unique<SidebarEntry>();
    entry->title = title;
    entry->icon = QStringLiteral("Folder");
    return entry;
}

} // namespace

SidebarSections makeSidebarSections(const QStringList& favorites, const QList<MountedVolume>& volumes)
{
    auto favoritesSection = sectionEntry(QStringLiteral("Favorites"));
    QSet<QString> placePaths;
    for (const Place& place : builtInPlaces()) {
        placePaths.insert(place.path);
        favoritesSection->children.push_back(folderEntry(place.title, place.icon, place.path, false));
    }
    for (const QString& favorite : favorites) {
        if (!placePaths.contains(favorite))
            favoritesSection->children.push_back(
                folderEntry(lastPathComponent(favorite), QStringLiteral("Folder"), favorite, true));
    }

    auto locationsSection = sectionEntry(QStringLiteral("Locations"));
    for (const MountedVolume& volume : volumes) {
        if (!isUserLocation(volume))
            continue;
        const QString title = volume.name.isEmpty() ? lastPathComponent(volume.rootPath) : volume.name;
        locationsSection->children.push_back(folderEntry(title, QStringLiteral("Disk"), volume.rootPath, false));
    }

    SidebarSections sections;
    sections.push_back(std::move(favoritesSection));
    sections.push_back(std::move(locationsSection));
    return sections;
}

QSet<QString> standardLocationPaths()
{
    QSet<QString> paths;
    for (const Place& place : builtInPlaces())
        paths.insert(place.path);
    return paths;
}

QString lastPathComponent(const QString& path)
{
    qsizetype end = path.size();
    while (end > 0 && path.at(end - 1) == u'/')
        --end;
    if (end == 0)
        return path.isEmpty() ? QString() : QStringLiteral("/");
    const qsizetype start = path.lastIndexOf(u'/', end - 1) + 1;
    return path.mid(start, end - start);
}

} // namespace bramblet
