#pragma once

#include "Gpu/FakeGpuDevices.h"
#include "TerminalViewTestSupport.h"
#include "ZentrovaView/Gpu/MetalTerminalRenderer.h"

#include <QBuffer>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace zentrova {

// An image texture in main memory: the image it was made from.
class FakeImageTexture final : public GpuImageTexture {
public:
    explicit FakeImageTexture(QImage image) : image(std::move(image)) { }
    int width() const override { return image.width(); }
    int height() const override { return image.height(); }
    QImage image;
};

class FakeTextureFactory final : public ImageTextureFactory {
public:
    std::shared_ptr<GpuImageTexture> makeTexture(const QImage& image) override
    {
        made.push_back(image);
        return std::make_shared<FakeImageTexture>(image);
    }
    std::vector<QImage> made;
};

inline const QColor testBackground(10, 10, 10);
inline const QColor testForeground(230, 230, 230);

// A renderer over a 20 × 6 view whose height is exactly its rows, with fake atlases, buffers and
// textures: the draw data is compared as data.
struct RendererFixture {
    FakeAtlasDevice atlasDevice;
    FakeBufferDevice bufferDevice;
    FakeTextureFactory textures;
    TerminalView view { nullptr, testFont(), TerminalOptions::Default, QSize(400, 300) };
    std::unique_ptr<MetalTerminalRenderer> renderer;

    explicit RendererFixture(int atlasSize = 1024, int atlasMax = 4096)
    {
        view.setNativeBackgroundColor(testBackground);
        view.setNativeForegroundColor(testForeground);
        const QSizeF cell = *view.cellDimension();
        view.resize(int(std::ceil(cell.width() * 20)) + view.scrollerWidth(), int(std::round(cell.height() * 6)));
        view.terminal().resize(20, 6);
        MetalTerminalRenderer::DrawDataResources resources;
        resources.grayscaleAtlas = GlyphAtlas::make(atlasDevice, atlasSize, atlasMax, GlyphAtlasFormat::grayscale);
        resources.colorAtlas = GlyphAtlas::make(atlasDevice, atlasSize, atlasMax, GlyphAtlasFormat::bgra);
        resources.bufferPool = BufferPool::make(bufferDevice);
        resources.bufferDevice = &bufferDevice;
        resources.textureFactory = &textures;
        renderer = std::make_unique<MetalTerminalRenderer>(view, std::move(resources));
    }

    double cellWidth() const { return view.cellDimension()->width(); }
    double cellHeight() const { return view.cellDimension()->height(); }
    // A screen row's bottom edge in device pixels at `scale`, y up.
    double rowBottomPx(int screenRow, double scale = 1) const
    {
        return scale * (view.height() - cellHeight() * (screenRow + 1));
    }

    // One screen row's records at `scale`.
    RowDrawData row(int screenRow, double scale = 1)
    {
        Buffer& buffer = view.terminal().buffer();
        const QFontMetricsF metrics(view.fontSet().normal);
        return renderer->buildRowDrawData(buffer.yDisp() + screenRow, buffer, buffer.yDisp(), cellWidth(), cellHeight(),
                                          std::ceil(metrics.descent() + metrics.leading()), scale * view.width(), scale,
                                          {});
    }

    // A pass in the aggregated mode, whose records can be read.
    FrameDrawData frame(double scale = 1)
    {
        view.setMetalBufferingMode(MetalBufferingMode::perFrameAggregated);
        return renderer->buildDrawDataPass(scale).frame.value_or(FrameDrawData {});
    }
};

inline std::string pngBase64(const QImage& image)
{
    QByteArray bytes;
    QBuffer device(&bytes);
    device.open(QIODevice::WriteOnly);
    image.save(&device, "PNG");
    return bytes.toBase64().toStdString();
}

inline std::string rgbaBase64(const std::vector<uint8_t>& pixels)
{
    return QByteArray(reinterpret_cast<const char*>(pixels.data()), qsizetype(pixels.size())).toBase64().toStdString();
}

inline std::string kitty(const std::string& keys, const std::string& payload)
{
    return "\x1b_G" + keys + ";" + payload + "\x1b\\";
}

inline std::array<float, 4> rgba(const QColor& color)
{
    return colorToSIMD(color);
}

} // namespace zentrova
