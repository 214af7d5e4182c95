#pragma once

#include <QList>

#include <filesystem>

class QMimeData;

namespace bramblet {

// Files on the clipboard and in drags as a "text/uri-list" of file URLs. A path is carried by
// its bytes, percent-encoded, so a name that is not valid UTF-8 arrives as it left.
QMimeData* fileUrlsMimeData(const QList<std::filesystem::path>& files);

// The local files a "text/uri-list" names, in its order; every other URL (another scheme, another
// host) and every comment line is skipped. Empty when there is no such list.
QList<std::filesystem::path> fileUrls(const QMimeData* data);

} // namespace bramblet
