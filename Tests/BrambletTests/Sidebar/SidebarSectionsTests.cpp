#include "Bramblet/Sidebar/SidebarSections.h"

#include "Sidebar/SidebarTestSupport.h"

#include <gtest/gtest.h>

namespace bramblet {
namespace {

using testing::FakeHome;

MountedVolume volume(const QString& root, const QString& name = {}, const QByteArray& type = "ext4")
{
    return { root, name, type, true, true };
}

TEST(SidebarSections, BuiltInPlacesFollowTheUserFoldersAndFallBackToHomeFolderNames)
{
    const struct Case {
        const char* name;
        QByteArray userDirs;
        QStringList folders; // Desktop, Documents, Downloads, Pictures; "~" is the home folder
    } cases[] = {
        { "no user-folder settings", {}, { "~/Desktop", "~/Documents", "~/Downloads", "~/Pictures" } },
        { "renamed, turned off (set to home), not set, outside home",
          "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
          "XDG_DOCUMENTS_DIR=\"$HOME/\"\n"
          "XDG_PICTURES_DIR=\"/srv/photos\"\n",
          { "~/Schreibtisch", "~/Documents", "~/Downloads", "/srv/photos" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FakeHome home(c.userDirs);
        QStringList folders = c.folders;
        folders.replaceInStrings(QStringLiteral("~"), home.path());
        const SidebarSections sections = makeSidebarSections({}, {});
        ASSERT_EQ(sections.size(), 2u);
        EXPECT_EQ(sections[0]->title, "Favorites");
        EXPECT_FALSE(sections[0]->path);
        EXPECT_EQ(testing::describe(*sections[0]), (QStringList {
                                                       "Home | Home | " + home.path(),
                                                       "Applications | Folder | /usr/share/applications",
                                                       "Desktop | Folder | " + folders[0],
                                                       "Documents | Folder | " + folders[1],
                                                       "Downloads | Download | " + folders[2],
                                                       "Pictures | Folder | " + folders[3],
                                                   }));
        QSet<QString> places(folders.begin(), folders.end());
        places << home.path() << "/usr/share/applications";
        EXPECT_EQ(standardLocationPaths(), places);
    }
}

TEST(SidebarSections, FavouritesFollowThePlacesUnlessTheyAreOne)
{
    const FakeHome home;
    const SidebarSections sections = makeSidebarSections(
        { "/srv/projects/alpha", "/usr/share/applications", home.path(), "/tmp/alpha/", "/", home.path() + "/" },
        {});
    const QStringList rows = testing::describe(*sections[0]);
    ASSERT_EQ(rows.size(), 10);
    // Exact equality only: the home folder with a trailing slash is a favourite of its own.
    EXPECT_EQ(rows.mid(6), (QStringList {
                               "alpha | Folder | /srv/projects/alpha *",
                               "alpha | Folder | /tmp/alpha/ *",
                               "/ | Folder | / *",
                               QFileInfo(home.path()).fileName() + " | Folder | " + home.path() + "/ *",
                           }));
}

TEST(SidebarSections, LocationsListOnlyTheVolumesAUserKeepsFilesOn)
{
    const FakeHome home;
    const QList<MountedVolume> volumes = {
        volume("/", "System"),
        volume("/proc", {}, "proc"),
        volume("/sys/fs/cgroup", {}, "cgroup2"),
        volume("/dev/shm", {}, "tmpfs"),
        volume("/run/user/1000", {}, "tmpfs"),
        volume("/run/lock", {}, "ext4"),
        volume("/run/media/ana/USB STICK", "USB STICK", "vfat"),
        volume("/running"), // only a name that starts like /run
        volume("/snap/core/123", {}, "squashfs"),
        volume("/boot/efi", "EFI", "vfat"),
        volume("/var/lib/containers/merged", {}, "overlay"),
        volume("/tmp", {}, "tmpfs"),
        volume("/mnt/backup", {}, "ext4"), // no label: the mount folder's name
        { "/media/cd", "CD", "iso9660", true, false }, // not ready
        { "/media/gone", "Gone", "ext4", false, false }, // not valid
        volume("/home", "Home Disk", "btrfs"),
    };
    const SidebarSections sections = makeSidebarSections({}, volumes);
    EXPECT_EQ(sections[1]->title, "Locations");
    EXPECT_EQ(testing::describe(*sections[1]), (QStringList {
                                                   "System | Disk | /",
                                                   "USB STICK | Disk | /run/media/ana/USB STICK",
                                                   "running | Disk | /running",
                                                   "backup | Disk | /mnt/backup",
                                                   "Home Disk | Disk | /home",
                                               }));
}

TEST(SidebarSections, LastPathComponentIsTheNameAFileURLGives)
{
    const struct Case {
        QString path;
        QString expected;
    } cases[] = {
        { "/a/b", "b" }, { "/a/b/", "b" }, { "/a/b//", "b" }, { "/", "/" }, { "//", "/" }, { "name", "name" }, { "", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        EXPECT_EQ(lastPathComponent(c.path), c.expected);
    }
}

} // namespace
} // namespace bramblet
