// Bitmaps from the image protocols become images placed at the cursor.

#include "ZentrovaView/TerminalView.h"

#include <QBuffer>
#include <QImageReader>

#include <limits>

namespace zentrova {

std::optional<QImage> TerminalView::imageFromBitmap(std::span<const uint8_t> bytes, int width, int height)
{
    if (width <= 0 || height <= 0 || size_t(width) > std::numeric_limits<size_t>::max() / 4 / size_t(height)
        || bytes.size() < size_t(width) * size_t(height) * 4)
        return std::nullopt;
    // The decoders hand over straight alpha: a premultiplied format would darken every translucent pixel.
    QImage image(width, height, QImage::Format_RGBA8888);
    if (image.isNull())
        return std::nullopt;
    for (int y = 0; y < height; y++)
        std::copy_n(bytes.data() + size_t(y) * size_t(width) * 4, size_t(width) * 4, image.scanLine(y));
    return image;
}

void TerminalView::createImageFromBitmap(Terminal&, std::vector<uint8_t>& bytes, int width, int height)
{
    const auto image = imageFromBitmap(bytes, width, height);
    if (!image)
        return;
    // Wider than the view: shown at the view's width; otherwise at its own size.
    const bool narrowerView = this->width() < image->width();
    insertImage(*image, narrowerView ? ImageSizeRequest::percent(100) : ImageSizeRequest {}, ImageSizeRequest {}, true);
}

void TerminalView::createImage(Terminal&, std::span<const uint8_t> data, const ImageSizeRequest& width,
                               const ImageSizeRequest& height, bool preserveAspectRatio)
{
    QByteArray encoded(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()));
    QBuffer device(&encoded);
    QImageReader reader(&device);
    const QImage image = reader.read();
    if (!image.isNull())
        insertImage(image, width, height, preserveAspectRatio);
}

void TerminalView::insertImage(const QImage&, const ImageSizeRequest&, const ImageSizeRequest&, bool)
{
    // Cutting the image into row strips comes with row drawing; until then nothing is placed.
}

QRectF TerminalView::kittyAspectFitRect(QSizeF imageSize, const QRectF& rect)
{
    if (imageSize.width() <= 0 || imageSize.height() <= 0 || rect.width() <= 0 || rect.height() <= 0)
        return rect;
    const double scale = std::min(rect.height() / imageSize.height(), rect.width() / imageSize.width());
    const QSizeF fitted = imageSize * scale;
    return { rect.x() + (rect.width() - fitted.width()) / 2, rect.y() + (rect.height() - fitted.height()) / 2,
             fitted.width(), fitted.height() };
}

} // namespace zentrova
