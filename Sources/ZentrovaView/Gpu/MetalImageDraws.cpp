// Image quads of a row in their four layers, and the textures behind them: one per image object,
// and one per stored kitty image, checked against the stored image's signature.

#include "ZentrovaView/Gpu/MetalTerminalRenderer.h"

#include "Zentrova/Graphics/KittyGraphicsState.h"
#include "ZentrovaView/AppleImage.h"
#include "ZentrovaView/TerminalView.h"

#include <algorithm>

namespace zentrova {
namespace {

// The shaders blend with a source factor of one, so textures hold premultiplied colour.
QImage premultiplied(const QImage& image)
{
    return image.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
}

void sortByZIndex(std::vector<const AppleImage*>& images)
{
    std::stable_sort(images.begin(), images.end(), [](const AppleImage* a, const AppleImage* b) {
        if (a->kittyZIndex != b->kittyZIndex)
            return a->kittyZIndex < b->kittyZIndex;
        return a->kittyImageId.value_or(0) < b->kittyImageId.value_or(0);
    });
}

} // namespace

std::vector<ImageDrawBuffer> MetalTerminalRenderer::makeImageDrawBuffers(const std::vector<ImageDraw>& draws)
{
    std::vector<ImageDrawBuffer> buffers;
    for (const ImageDraw& draw : draws) {
        if (draw.vertices.empty())
            continue;
        const std::span bytes = std::as_bytes(std::span(draw.vertices));
        std::shared_ptr<GpuBuffer> buffer = m_bufferDevice.makeBuffer(bytes.size());
        if (!buffer)
            continue;
        buffer->write(bytes);
        buffers.push_back({ draw.texture, std::move(buffer), int(draw.vertices.size()) });
    }
    return buffers;
}

std::optional<ImageDraw> MetalTerminalRenderer::imageDraw(std::shared_ptr<GpuImageTexture> texture, const QRectF& rect,
                                                          const QRectF& uvRect, const RowTransform& row, double scale)
{
    const QRectF normalized = rect.normalized();
    const PixelQuad quad { scale * normalized.left(), scale * normalized.top(),  scale * normalized.right(),
                           scale * normalized.bottom(), uvRect.left(),          uvRect.top(),
                           uvRect.right(),              uvRect.bottom() };
    const std::optional<PixelQuad> placed = row.place(quad);
    if (!placed || !(placed->x1 > placed->x0) || !(placed->y1 > placed->y0))
        return std::nullopt;
    ImageDraw draw { std::move(texture), {} };
    draw.vertices.reserve(6);
    appendGlyphQuad(draw.vertices, *placed, { 1, 1, 1, 1 });
    return draw;
}

void MetalTerminalRenderer::appendImages(const ViewLineInfo& info, const RowGeometry& row, RowDrawData& out)
{
    if (!info.images || info.images->empty())
        return;
    std::vector<const AppleImage*> under;
    std::vector<const AppleImage*> over;
    std::vector<const AppleImage*> others;
    std::unordered_map<const AppleImage*, const std::shared_ptr<TerminalImage>*> owners;
    for (const std::shared_ptr<TerminalImage>& image : *info.images) {
        const auto* strip = dynamic_cast<const AppleImage*>(image.get());
        if (!strip)
            continue;
        owners[strip] = &image;
        if (!strip->kittyIsKitty)
            others.push_back(strip);
        else
            (strip->kittyZIndex < 0 ? under : over).push_back(strip);
    }
    sortByZIndex(under);
    sortByZIndex(over);

    const double backing = m_terminalView->backingScale();
    const double rowTop = row.rowBottom + row.cellHeight;
    auto place = [&](const std::vector<const AppleImage*>& images, std::vector<ImageDraw>& into) {
        for (const AppleImage* strip : images) {
            std::shared_ptr<GpuImageTexture> image = texture(*owners[strip]);
            if (!image)
                continue;
            // The strip hangs from the row's top; a kitty placement's pixel offset moves it right
            // and down within its cell, as on the processor path.
            double x = row.cellWidth * strip->col();
            double top = rowTop;
            if (strip->kittyIsKitty) {
                x += strip->kittyPixelOffsetX / backing;
                top -= strip->kittyPixelOffsetY / backing;
            }
            const QRectF rect(x, top - strip->pixelHeight(), strip->pixelWidth(), strip->pixelHeight());
            if (auto draw = imageDraw(std::move(image), rect, QRectF(0, 0, 1, 1), row.transform, row.scale))
                into.push_back(std::move(*draw));
        }
    };
    place(under, out.underImageDraws);
    place(over, out.overImageDraws);
    place(others, out.otherImageDraws);
}

void MetalTerminalRenderer::appendPlaceholderImages(const ViewLineInfo& info, const RowGeometry& row,
                                                    const VirtualPlacements& virtualPlacementsByImageId,
                                                    RowDrawData& out)
{
    if (info.placeholders.empty())
        return;
    const double backing = m_terminalView->backingScale();
    const double cellWidth = row.cellWidth;
    const double cellHeight = row.cellHeight;
    for (const KittyPlaceholderCell& cell : info.placeholders) {
        const auto placements = virtualPlacementsByImageId.find(cell.imageId);
        if (placements == virtualPlacementsByImageId.end())
            continue;
        const auto placement = std::find_if(placements->second.begin(), placements->second.end(), [&](const auto& p) {
            return (cell.placementId == 0 || cell.placementId == p.placementId) && p.cols > 0 && p.rows > 0
                && cell.placeholderCol < p.cols && cell.placeholderRow < p.rows;
        });
        if (placement == placements->second.end())
            continue;
        std::shared_ptr<GpuImageTexture> image = kittyTexture(cell.imageId);
        if (!image)
            continue;
        // The whole placement, placed so that this cell shows its (row, column) piece.
        const QRectF whole(placement->pixelOffsetX / backing + cellWidth * (cell.col - cell.placeholderCol),
                           row.rowBottom + cellHeight * cell.placeholderRow - cellHeight * (placement->rows - 1)
                               - placement->pixelOffsetY / backing,
                           cellWidth * placement->cols, cellHeight * placement->rows);
        if (whole.width() <= 0 || whole.height() <= 0)
            continue;
        const QRectF fitted = TerminalView::kittyAspectFitRect(
            QSizeF(image->width() / row.scale, image->height() / row.scale), whole);
        const QRectF visible = fitted.intersected(QRectF(cellWidth * cell.col, row.rowBottom, cellWidth, cellHeight));
        if (visible.isEmpty() || fitted.width() <= 0 || fitted.height() <= 0)
            continue;
        const double uMin = (visible.left() - fitted.left()) / fitted.width();
        const double vMin = (visible.top() - fitted.top()) / fitted.height();
        const QRectF uv(uMin, vMin, (visible.right() - fitted.left()) / fitted.width() - uMin,
                        (visible.bottom() - fitted.top()) / fitted.height() - vMin);
        if (auto draw = imageDraw(std::move(image), visible, uv, row.transform, row.scale))
            out.placeholderImageDraws.push_back(std::move(*draw));
    }
}

std::shared_ptr<GpuImageTexture> MetalTerminalRenderer::texture(const std::shared_ptr<TerminalImage>& image)
{
    const auto* apple = dynamic_cast<const AppleImage*>(image.get());
    if (!apple)
        return nullptr;
    if (const auto found = m_imageTextureCache.find(apple->identity()); found != m_imageTextureCache.end())
        return found->second.texture;
    if (apple->image.isNull())
        return nullptr;
    std::shared_ptr<GpuImageTexture> made = m_textureFactory.makeTexture(premultiplied(apple->image));
    if (made)
        m_imageTextureCache[apple->identity()] = { image, made };
    return made;
}

std::shared_ptr<GpuImageTexture> MetalTerminalRenderer::kittyTexture(uint32_t imageId)
{
    TerminalView* view = m_terminalView.data();
    if (!view || !view->terminal().hasKittyGraphicsState())
        return nullptr;
    const auto& images = view->terminal().kittyGraphicsState().imagesById;
    const auto stored = images.find(imageId);
    if (stored == images.end())
        return nullptr;
    const KittyImageSignature signature = kittySignature(stored->second);
    if (const auto found = m_kittyTextureCache.find(imageId);
        found != m_kittyTextureCache.end() && found->second.signature == signature)
        return found->second.texture;
    const QImage decoded = kittyPayloadImage(stored->second.payload);
    if (decoded.isNull())
        return nullptr;
    std::shared_ptr<GpuImageTexture> made = m_textureFactory.makeTexture(decoded);
    if (made)
        m_kittyTextureCache[imageId] = { signature, made };
    return made;
}

QImage MetalTerminalRenderer::kittyPayloadImage(const KittyGraphicsPayload& payload)
{
    if (payload.isPng())
        return premultiplied(QImage::fromData(payload.bytes.data(), int(payload.bytes.size()), "PNG"));
    if (payload.width <= 0 || payload.height <= 0
        || payload.bytes.size() < size_t(payload.width) * size_t(payload.height) * 4)
        return {};
    // Straight RGBA, rows top to bottom without gaps, as the store keeps it; the conversion copies.
    return premultiplied(
        QImage(payload.bytes.data(), payload.width, payload.height, payload.width * 4, QImage::Format_RGBA8888));
}

KittyImageSignature MetalTerminalRenderer::kittySignature(const KittyGraphicsImage& image)
{
    const KittyGraphicsPayload& payload = image.payload;
    KittyImageSignature signature;
    signature.kind = payload.isPng() ? 1 : 2;
    signature.width = payload.isPng() ? 0 : payload.width;
    signature.height = payload.isPng() ? 0 : payload.height;
    signature.byteCount = int(payload.bytes.size());
    signature.headHash = hashBytes(payload.bytes, 64);
    signature.generation = image.generation;
    return signature;
}

uint32_t MetalTerminalRenderer::hashBytes(std::span<const uint8_t> bytes, size_t limit)
{
    const size_t count = std::min(bytes.size(), limit);
    if (count == 0)
        return 0;
    uint32_t hash = 0x811C9DC5u;
    for (size_t i = 0; i < count; i++) {
        hash ^= bytes[i];
        hash *= 16777619u;
    }
    return hash;
}

void MetalTerminalRenderer::pruneKittyTextureCache()
{
    std::erase_if(m_imageTextureCache, [](const auto& item) { return item.second.image.expired(); });
    TerminalView* view = m_terminalView.data();
    if (!view || !view->terminal().hasKittyGraphicsState()) {
        m_kittyTextureCache.clear();
        return;
    }
    const auto& images = view->terminal().kittyGraphicsState().imagesById;
    std::erase_if(m_kittyTextureCache, [&](const auto& item) { return !images.contains(item.first); });
}

} // namespace zentrova
