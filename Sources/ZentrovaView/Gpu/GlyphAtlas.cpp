#include "ZentrovaView/Gpu/GlyphAtlas.h"

#include "ZentrovaView/Gpu/GpuLogging.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace zentrova {

namespace {

constexpr int minimumSide = 256;

// An optional sign and digits only, as the environment variable is documented; anything else
// (including a number too large to read) is ignored.
std::optional<long long> parseDecimal(std::string_view text)
{
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    long long value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return negative ? -value : value;
}

} // namespace

GlyphAtlas::GlyphAtlas(GlyphAtlasDevice& device, GlyphAtlasFormat format, int side, int maxSize, Bytes data,
                       std::unique_ptr<GlyphAtlasTexture> texture)
    : m_device(device)
    , m_format(format)
    , m_bytesPerPixel(zentrova::bytesPerPixel(format))
    , m_maxSize(maxSize)
    , m_size(side)
    , m_texture(std::move(texture))
    , m_data(std::move(data))
{
}

std::unique_ptr<GlyphAtlas> GlyphAtlas::make(GlyphAtlasDevice& device, int size, int maxSize, GlyphAtlasFormat format)
{
    const int side = std::max(std::min(size, maxSize), minimumSide);
    Bytes data(size_t(side) * size_t(side) * size_t(zentrova::bytesPerPixel(format)));
    auto texture = device.makeTexture(side, format, data.data());
    if (!texture)
        return nullptr;
    return std::unique_ptr<GlyphAtlas>(
        new GlyphAtlas(device, format, side, std::max(maxSize, side), std::move(data), std::move(texture)));
}

int GlyphAtlas::recommendedMaxSize(const GlyphAtlasDevice& device, GlyphAtlasFormat format)
{
    if (const char* text = std::getenv("ZENTROVA_ATLAS_MAX")) {
        if (auto value = parseDecimal(text)) {
            const long long cap = device.maxTextureSize() >= 16384 ? 16384 : 8192;
            return int(std::min(std::max(*value, (long long)minimumSide), cap));
        }
    }
    return format == GlyphAtlasFormat::grayscale ? 8192 : 4096;
}

std::optional<AtlasRegion> GlyphAtlas::reserve(int width, int height)
{
    if (width > m_size || height > m_size)
        return std::nullopt;
    if (m_nextX + width > m_size) {
        m_nextX = 0;
        m_nextY += m_rowHeight;
        m_rowHeight = 0;
    }
    if (m_nextY + height > m_size)
        return std::nullopt;
    AtlasRegion region { m_nextX, m_nextY, width, height };
    m_nextX += width;
    m_rowHeight = std::max(m_rowHeight, height);
    return region;
}

std::optional<AtlasRegion> GlyphAtlas::ensureRegion(int width, int height)
{
    m_didReset = false;
    if (width < 1 || height < 1)
        return std::nullopt;
    const int paddedWidth = width + 2;
    const int paddedHeight = height + 2;
    auto inner = [&](const AtlasRegion& padded) { return AtlasRegion { padded.x + 1, padded.y + 1, width, height }; };

    if (auto padded = reserve(paddedWidth, paddedHeight))
        return inner(*padded);
    if (m_frozen) {
        if (!m_loggedFrozenMiss) {
            m_loggedFrozenMiss = true;
            qCCritical(lcMetalAtlas, "glyph atlas (%s) frozen and full; glyphs will be skipped this frame",
                       glyphAtlasFormatName(m_format));
        }
        return std::nullopt;
    }
    if (paddedWidth > m_maxSize || paddedHeight > m_maxSize)
        return std::nullopt;

    int side = m_size;
    while (side < m_maxSize) {
        side *= 2;
        if (side >= std::max(paddedWidth, paddedHeight) && side >= m_nextY + paddedHeight)
            break;
    }
    const int target = std::min(m_maxSize, side);
    if (target > m_size) {
        grow(target);
        if (auto padded = reserve(paddedWidth, paddedHeight))
            return inner(*padded);
    }

    if (!m_loggedResetOverflow) {
        m_loggedResetOverflow = true;
        qCCritical(lcMetalAtlas, "glyph atlas (%s) reset at size %ld: glyph working set exceeds capacity",
                   glyphAtlasFormatName(m_format), long(m_size));
    }
    reset();
    m_didReset = true;
    if (auto padded = reserve(paddedWidth, paddedHeight))
        return inner(*padded);
    return std::nullopt;
}

void GlyphAtlas::grow(int side)
{
    if (m_size >= side)
        return;
    // Old pixels keep their coordinates: rows are copied, not glyphs, and the packer stays as it is.
    const size_t oldRowBytes = size_t(m_size) * size_t(m_bytesPerPixel);
    const size_t newRowBytes = size_t(side) * size_t(m_bytesPerPixel);
    Bytes data(newRowBytes * size_t(side));
    for (int row = 0; row < m_size; ++row)
        std::memcpy(data.data() + size_t(row) * newRowBytes, m_data.data() + size_t(row) * oldRowBytes, oldRowBytes);
    auto texture = m_device.makeTexture(side, m_format, data.data());
    if (!texture) {
        qCCritical(lcMetalAtlas, "glyph atlas (%s) grow to %ld failed: texture allocation",
                   glyphAtlasFormatName(m_format), long(side));
        return;
    }
    qCInfo(lcMetalAtlas, "glyph atlas (%s) grow: %ld -> %ld", glyphAtlasFormatName(m_format), long(m_size), long(side));
    m_size = side;
    m_data = std::move(data);
    m_texture = std::move(texture);
    m_loggedFrozenMiss = false;
    m_loggedResetOverflow = false;
}

void GlyphAtlas::reset()
{
    m_nextX = 0;
    m_nextY = 0;
    m_rowHeight = 0;
    m_data = Bytes(m_data.size());
    m_texture->upload(0, 0, m_size, m_size, m_data.data(), m_size);
}

void GlyphAtlas::copyPixel(int fromX, int fromY, int toX, int toY)
{
    const size_t bpp = size_t(m_bytesPerPixel);
    std::memcpy(m_data.data() + (size_t(toY) * size_t(m_size) + size_t(toX)) * bpp,
                m_data.data() + (size_t(fromY) * size_t(m_size) + size_t(fromX)) * bpp, bpp);
}

void GlyphAtlas::write(const AtlasRegion& region, std::span<const uint8_t> pixels, int width, int height)
{
    if (region.width != width || region.height != height || width < 1 || height < 1)
        return;
    // A region from elsewhere, or a short bitmap, would write or read outside the buffers.
    if (region.x < 0 || region.y < 0 || region.x + width > m_size || region.y + height > m_size
        || pixels.size() < size_t(width) * size_t(height) * 4)
        return;

    const size_t bpp = size_t(m_bytesPerPixel);
    for (int i = 0; i < height; ++i) {
        const uint8_t* source = pixels.data() + size_t(height - 1 - i) * size_t(width) * 4;
        uint8_t* target = m_data.data() + (size_t(region.y + i) * size_t(m_size) + size_t(region.x)) * bpp;
        if (m_format == GlyphAtlasFormat::bgra) {
            std::memcpy(target, source, size_t(width) * 4);
        } else {
            for (int column = 0; column < width; ++column)
                target[column] = source[size_t(column) * 4 + 3];
        }
    }

    const int top = region.y + height - 1;
    const int right = region.x + width - 1;
    for (int column = region.x; column <= right; ++column) {
        if (region.y > 0)
            copyPixel(column, region.y, column, region.y - 1);
        if (top + 1 < m_size)
            copyPixel(column, top, column, top + 1);
    }
    for (int row = std::max(region.y - 1, 0); row <= std::min(top + 1, m_size - 1); ++row) {
        if (region.x > 0)
            copyPixel(region.x, row, region.x - 1, row);
        if (right + 1 < m_size)
            copyPixel(right, row, right + 1, row);
    }

    uploadRect(std::max(region.x - 1, 0), std::max(region.y - 1, 0), std::min(region.x + width + 1, m_size),
               std::min(region.y + height + 1, m_size));
}

void GlyphAtlas::uploadRect(int x0, int y0, int x1, int y1)
{
    const uint8_t* first = m_data.data() + (size_t(y0) * size_t(m_size) + size_t(x0)) * size_t(m_bytesPerPixel);
    m_texture->upload(x0, y0, x1 - x0, y1 - y0, first, m_size);
}

} // namespace zentrova
