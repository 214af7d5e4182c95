#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace bramblet {

// What the sidebar needs to know of one mounted file system.
struct MountedVolume {
    QString rootPath;
    QString name; // the file system's label; empty when it has none or it cannot be read
    QByteArray fileSystemType;
    bool isValid = false;
    bool isReady = false;

    bool operator==(const MountedVolume&) const = default;
};

// The file systems mounted now, in the system's order.
QList<MountedVolume> mountedVolumes();

// Whether a volume belongs in the sidebar's "Locations": it is valid and ready, and it is a disk
// or share the user keeps files on, not a kernel, memory or packaging file system (/proc, /sys,
// /dev, /run except removable media under /run/media, /snap, /boot, tmpfs, overlay, squashfs).
bool isUserLocation(const MountedVolume& volume);

} // namespace bramblet
