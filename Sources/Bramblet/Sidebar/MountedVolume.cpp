#include "Bramblet/Sidebar/MountedVolume.h"

#include <QStorageInfo>

namespace bramblet {
namespace {

bool isInside(const QString& path, QLatin1String folder)
{
    return path == folder || (path.startsWith(folder) && path.at(folder.size()) == u'/');
}

} // namespace

QList<MountedVolume> mountedVolumes()
{
    QList<MountedVolume> volumes;
    for (const QStorageInfo& storage : QStorageInfo::mountedVolumes())
        volumes.append({ storage.rootPath(), storage.name(), storage.fileSystemType(), storage.isValid(),
                         storage.isReady() });
    return volumes;
}

bool isUserLocation(const MountedVolume& volume)
{
    if (!volume.isValid || !volume.isReady)
        return false;
    static const QByteArray hiddenTypes[] = { "tmpfs", "overlay", "squashfs" };
    for (const QByteArray& type : hiddenTypes) {
        if (volume.fileSystemType == type)
            return false;
    }
    const QString& path = volume.rootPath;
    // udisks mounts removable drives under /run/media/<user>; the rest of /run is runtime state.
    if (isInside(path, QLatin1String("/run/media")))
        return true;
    static const QLatin1String systemFolders[] = { QLatin1String("/proc"), QLatin1String("/sys"),
                                                   QLatin1String("/dev"),  QLatin1String("/run"),
                                                   QLatin1String("/snap"), QLatin1String("/boot") };
    for (QLatin1String folder : systemFolders) {
        if (isInside(path, folder))
            return false;
    }
    return true;
}

} // namespace bramblet
