#pragma once

#include "BrambletCore/Concurrency/SerialExecutor.h"

#include <QFuture>
#include <QImage>
#include <QSize>

#include <filesystem>

namespace bramblet {

// Makes thumbnails of image files away from the main thread: one at a time, in the order asked,
// on a thread of its own. A request cancelled before it starts is never read.
class ThumbnailReader {
public:
    ThumbnailReader() = default;
    // Waits for the thumbnail being read, if any.
    ~ThumbnailReader() = default;

    ThumbnailReader(const ThumbnailReader&) = delete;
    ThumbnailReader& operator=(const ThumbnailReader&) = delete;

    // readThumbnail() on the reader's thread.
    QFuture<QImage> read(const std::filesystem::path& file, QSize maximumPixels);

    // The image in `file`, upright, scaled down (never up) to fit into `maximumPixels` with its
    // proportions kept. A null image when `file` is not a regular file (a pipe or device would
    // block or never end) or holds nothing Qt can decode.
    static QImage readThumbnail(const std::filesystem::path& file, QSize maximumPixels);

private:
    SerialExecutor m_executor;
};

} // namespace bramblet
