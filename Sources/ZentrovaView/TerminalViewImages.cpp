// Bitmaps from the image protocols become images placed at the cursor.

#include "ZentrovaView/TerminalView.h"

#include "Zentrova/Graphics/KittyGraphicsState.h"
#include "Zentrova/Graphics/KittyPayloadLoading.h"
#include "ZentrovaView/AppleImage.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>

#include <cmath>
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
    // A kitty placement asks for its own size; other images wider than the view are shown at the view's
    // width, the rest at their own size.
    if (const auto& context = m_terminal->kittyPlacementContext) {
        insertImage(*image, context->widthRequest, context->heightRequest, context->preserveAspectRatio);
        return;
    }
    const bool narrowerView = this->width() < image->width();
    insertImage(*image, narrowerView ? ImageSizeRequest::percent(100) : ImageSizeRequest {}, ImageSizeRequest {}, true);
}

void TerminalView::createImage(Terminal&, std::span<const uint8_t> data, const ImageSizeRequest& width,
                               const ImageSizeRequest& height, bool preserveAspectRatio)
{
    QByteArray encoded(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()));
    QBuffer device(&encoded);
    QImageReader reader(&device);
    // The size comes from the file's header: an image larger than any that can be placed is refused
    // before its pixels are decoded.
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > kittyMaximumDimension || size.height() > kittyMaximumDimension))
        return;
    const QImage image = reader.read();
    if (!image.isNull() && image.width() <= kittyMaximumDimension && image.height() <= kittyMaximumDimension)
        insertImage(image, width, height, preserveAspectRatio);
}

std::optional<QSizeF> TerminalView::inlineImageSize(QSize imageSize, const ImageSizeRequest& widthRequest,
                                                    const ImageSizeRequest& heightRequest, bool preserveAspectRatio) const
{
    if (!m_cellDimension || imageSize.isEmpty())
        return std::nullopt;
    const double scale = backingScale();
    // In doubles: no request the child can send overflows them, and the result is checked below.
    const auto requested = [](const ImageSizeRequest& request, double cell, double view) -> std::optional<double> {
        using Kind = ImageSizeRequest::Kind;
        switch (request.kind) {
        case Kind::cells:
            return request.value * cell;
        case Kind::pixels:
            return double(request.value);
        case Kind::percent:
            return view * request.value / 100;
        case Kind::automatic:
            return std::nullopt;
        }
        return std::nullopt;
    };
    const auto width = requested(widthRequest, m_cellDimension->width(), this->width());
    const auto height = requested(heightRequest, m_cellDimension->height(), this->height());
    QSizeF size(width.value_or(imageSize.width() / scale), height.value_or(imageSize.height() / scale));
    if (preserveAspectRatio && width && !height)
        size.setHeight(size.width() * imageSize.height() / imageSize.width());
    else if (preserveAspectRatio && !width && height)
        size.setWidth(size.height() * imageSize.width() / imageSize.height());
    // Nothing is made past the largest image side, in device pixels.
    if (!(size.width() > 0 && size.height() > 0) || size.width() * scale > kittyMaximumDimension
        || size.height() * scale > kittyMaximumDimension)
        return std::nullopt;
    return size;
}

void TerminalView::insertImage(const QImage& image, const ImageSizeRequest& widthRequest,
                               const ImageSizeRequest& heightRequest, bool preserveAspectRatio)
{
    const auto size = inlineImageSize(image.size(), widthRequest, heightRequest, preserveAspectRatio);
    if (!size)
        return;
    const double scale = backingScale();
    const QSizeF cell = *m_cellDimension;
    const int cols = std::max(1, int(std::ceil(size->width() / cell.width())));
    const int rows = std::max(1, int(std::ceil(size->height() / cell.height())));
    const QSize device(int(std::ceil(size->width() * scale)), int(std::ceil(size->height() * scale)));
    // Both sides given with the aspect kept: the image is fitted and centred, the margins transparent.
    const bool bothGiven = widthRequest.kind != ImageSizeRequest::Kind::automatic
        && heightRequest.kind != ImageSizeRequest::Kind::automatic;
    const QRectF target = preserveAspectRatio && bothGiven ? kittyAspectFitRect(image.size(), QRectF(QPointF(), device))
                                                           : QRectF(QPointF(), device);
    const int stripHeight = std::max(1, int(std::lround(cell.height() * scale)));

    Buffer& buffer = m_terminal->buffer();
    const std::optional<KittyPlacementContext> context = m_terminal->kittyPlacementContext;
    const int startCol = buffer.x();
    const int startRow = buffer.y() + buffer.yBase();
    if (context && context->imageId && context->placementId) {
        KittyPlacementRecord record;
        record.imageId = *context->imageId;
        record.placementId = *context->placementId;
        record.parentImageId = context->parentImageId;
        record.parentPlacementId = context->parentPlacementId;
        record.parentOffsetH = context->parentOffsetH;
        record.parentOffsetV = context->parentOffsetV;
        record.pixelOffsetX = context->pixelOffsetX;
        record.pixelOffsetY = context->pixelOffsetY;
        record.col = startCol;
        record.row = startRow;
        record.cols = cols;
        record.rows = rows;
        record.zIndex = context->zIndex;
        record.isAlternateBuffer = m_terminal->isCurrentBufferAlternate();
        m_terminal->kittyGraphicsState().placementsByKey[record.key()] = record;
    }

    for (int strip = 0; strip < rows; strip++) {
        QImage band(device.width(), stripHeight, QImage::Format_RGBA8888);
        band.fill(Qt::transparent);
        {
            QPainter painter(&band);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.translate(0, -double(strip) * stripHeight);
            painter.drawImage(target, image);
        }
        band.setDevicePixelRatio(scale);
        auto piece = std::make_shared<AppleImage>(std::move(band), int(std::ceil(device.width() / scale)),
                                                  int(std::ceil(stripHeight / scale)));
        piece->setCol(startCol);
        if (context) {
            piece->kittyIsKitty = true;
            piece->kittyImageId = context->imageId;
            piece->kittyImageNumber = context->imageNumber;
            piece->kittyPlacementId = context->placementId;
            piece->kittyZIndex = context->zIndex;
            piece->kittyCol = startCol;
            piece->kittyRow = startRow;
            piece->kittyCols = cols;
            piece->kittyRows = rows;
            piece->kittyPixelOffsetX = context->pixelOffsetX;
            piece->kittyPixelOffsetY = context->pixelOffsetY;
        }
        buffer.attachImage(std::move(piece), buffer.y() + buffer.yBase());
        m_terminal->updateRange(buffer.y());
        m_terminal->cmdLineFeedBasic();
        buffer.setX(startCol);
    }
    m_terminal->updateFullScreen();
    if (context && context->cursorPolicy == 0 && !context->isRelative) {
        buffer.setX(startCol + cols);
        buffer.setY(startRow - buffer.yBase() + rows);
        m_terminal->restrictCursor(false);
    }
    queuePendingDisplay();
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
