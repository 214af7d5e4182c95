#include "Bramblet/Thumbnails/ThumbnailReader.h"

#include <QFile>
#include <QImageReader>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bramblet {

QFuture<QImage> ThumbnailReader::read(const std::filesystem::path& file, QSize maximumPixels)
{
    return m_executor.run([file, maximumPixels](const Cancellation&) { return readThumbnail(file, maximumPixels); });
}

QImage ThumbnailReader::readThumbnail(const std::filesystem::path& file, QSize maximumPixels)
{
    // Opened by its own bytes (a name need not be valid UTF-8) and without blocking, so that a
    // named pipe cannot hold the reader; only regular files are read.
    const int descriptor = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return {};
    QFile device;
    if (!device.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return {};
    }
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode))
        return {};

    QImageReader reader(&device);
    reader.setAutoTransform(true);
    const QSize stored = reader.size();
    if (stored.isValid()) {
        // The size is that of the stored image, before a quarter turn puts it upright.
        const bool turned = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
        const QSize box = turned ? maximumPixels.transposed() : maximumPixels;
        if (stored.width() > box.width() || stored.height() > box.height())
            reader.setScaledSize(stored.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    }
    QImage image = reader.read();
    if (image.isNull())
        return {};
    if (image.width() > maximumPixels.width() || image.height() > maximumPixels.height())
        image = image.scaled(maximumPixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

} // namespace bramblet
