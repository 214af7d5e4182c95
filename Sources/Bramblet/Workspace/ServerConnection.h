#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>

class QObject;

namespace bramblet {

// The schemes of the network addresses the desktop may mount, in the order the user is told them:
// "smb", "afp", "ftp", "ftps", "webdav", "webdavs".
const QStringList& serverSchemes();

// The address typed into "Connect to Server", when it is one of those schemes (in any case);
// none for text that is not a URL, has no scheme or another one.
std::optional<QUrl> serverAddress(const QString& text);

// Mounts a network address and finds the local folder it appears under. Returns at once; `done`
// runs once on `context`'s thread with that folder, or with nothing when the system could not
// mount the address or shows it under no local folder. Nothing runs once `context` is gone.
using ServerConnectionRunner =
    std::function<void(const QUrl& address, QObject* context, std::function<void(const std::optional<QString>&)> done)>;

// The desktop's virtual file system: `<gio> mount <address>` (credentials the desktop keeps for
// the server are used; none is asked for here), then `<gio> info <address>` for the mount's local
// path. A missing `gio` counts as a failure.
ServerConnectionRunner gioServerConnection(const QString& gio = QStringLiteral("gio"));

// The address as the desktop's virtual file system names it: its WebDAV schemes are "dav" and "davs".
QUrl mountAddress(const QUrl& address);

// The "local path: " line of `gio info` output; none when there is no such line.
std::optional<QString> localPathOfInfo(const QByteArray& output);

} // namespace bramblet
