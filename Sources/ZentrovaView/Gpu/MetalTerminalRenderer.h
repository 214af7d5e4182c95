#pragma once

#include "Zentrova/Graphics/KittyPlacement.h"
#include "ZentrovaView/Gpu/BufferPool.h"
#include "ZentrovaView/Gpu/CacheSignature.h"
#include "ZentrovaView/Gpu/CoreTextGlyphRasterizer.h"
#include "ZentrovaView/Gpu/CursorDrawData.h"
#include "ZentrovaView/Gpu/DrawData.h"
#include "ZentrovaView/Gpu/DrawGeometry.h"
#include "ZentrovaView/Gpu/GlyphAtlas.h"
#include "ZentrovaView/Gpu/GlyphCacheKeys.h"
#include "ZentrovaView/Gpu/GlyphKeyLookup.h"
#include "ZentrovaView/Gpu/GpuImageTexture.h"
#include "ZentrovaView/Gpu/RowCacheEntry.h"
#include "ZentrovaView/Gpu/ShapedSegment.h"
#include "ZentrovaView/Gpu/ShaperCache.h"
#include "ZentrovaView/TerminalViewSettings.h"
#include "ZentrovaView/ViewLineInfo.h"

#include <QPointer>
#include <QRawFont>
#include <QRectF>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <unordered_map>
#include <utility>
#include <vector>

class QOpenGLFunctions_3_3_Core;

namespace zentrova {

class AppleImage;
class GlBackgroundGridTexture;
class GlFence;
class MetalView;
class Buffer;
class TerminalImage;
class TerminalView;
struct KittyGraphicsImage;
struct KittyGraphicsPayload;

// Draws the terminal of one TerminalView through the GPU.
//
// The class is split by concern over several files:
// - the frame loop, shaders and pipelines, the cursor blink timer and the view's side (the GL
//   renderer's own file);
// - the draw data: one build pass over the visible rows with its row cache
//   (MetalTerminalRendererDrawData.cpp), one row's backgrounds, glyphs and decorations
//   (MetalRowDrawData.cpp), shaping and the glyph caches in front of the atlases
//   (MetalRowShaping.cpp, MetalGlyphEntries.cpp), the cursor (MetalCursorDrawData.cpp), and image quads
//   with their texture caches (MetalImageDraws.cpp).
//
// What the draw data needs, handed to the constructor in DrawDataResources: the TerminalView it draws
// (held weakly: every build does nothing once the view is gone), the two glyph atlases (owned), the
// per-frame buffer pool (shared with the frame's completion handlers), the device that makes the
// rows' own buffers, and the factory of image textures. Tests hand in fakes for all but the view, so
// the draw data runs without GL.
//
// Main thread only.
class MetalTerminalRenderer {
public:
    // ---- Draw data (rows, glyphs, cursor, images) ----------------------------------------------

    using ShaperKey = zentrova::ShaperKey;
    using ShaperGlyphRun = zentrova::ShaperGlyphRun;
    using ShaperRun = zentrova::ShaperRun;
    using ShaperCache = zentrova::ShaperCache;
    using ShapedRun = zentrova::ShapedRun;
    using ShapedSegment = zentrova::ShapedSegment;
    // The virtual kitty placements of the drawn screen, by image id.
    using VirtualPlacements = std::unordered_map<uint32_t, std::vector<KittyPlacementRecord>>;

    struct DrawDataResources {
        std::unique_ptr<GlyphAtlas> grayscaleAtlas;
        std::unique_ptr<GlyphAtlas> colorAtlas;
        std::shared_ptr<BufferPool> bufferPool;
        // Outlives the renderer: makes the rows' own buffers and the image quads' buffers.
        GpuBufferDevice* bufferDevice = nullptr;
        // Outlives the renderer.
        ImageTextureFactory* textureFactory = nullptr;
    };

    MetalTerminalRenderer(TerminalView& terminalView, DrawDataResources resources);
    ~MetalTerminalRenderer();
    MetalTerminalRenderer(const MetalTerminalRenderer&) = delete;
    MetalTerminalRenderer& operator=(const MetalTerminalRenderer&) = delete;

    // One pass over the visible rows at `scale` device pixels per logical pixel. Sets
    // atlasInvalidatedDuringBuild() when an atlas grew or was reset meanwhile: the pass's glyph
    // regions may then be stale and the frame loop builds again.
    DrawData buildDrawDataPass(double scale);
    // The same pass into `out`, whose lists are emptied first and keep their capacity: passes into the
    // same DrawData allocate nothing once nothing changes.
    void buildDrawDataPass(double scale, DrawData& out);
    // One ring row of `buffer` drawn with `yDisp` at the top; `yOffset` is the baseline's lift above
    // the row bottom in logical pixels, `viewWidthPx` the view's width in device pixels.
    RowDrawData buildRowDrawData(int row, Buffer& buffer, int yDisp, double cellWidth, double cellHeight,
                                 double yOffset, double viewWidthPx, double scale,
                                 const VirtualPlacements& virtualPlacementsByImageId);
    // The same into `out`, whose lists are emptied first and keep their capacity.
    void buildRowDrawData(int row, Buffer& buffer, int yDisp, double cellWidth, double cellHeight, double yOffset,
                          double viewWidthPx, double scale, const VirtualPlacements& virtualPlacementsByImageId,
                          RowDrawData& out);
    // Each non-empty list in a buffer of exactly its size, made on the buffer device; of the
    // backgrounds only those off the cell grid, which the frame's background grid does not draw.
    RowDrawBuffers makeRowBuffers(const RowDrawData& data);
    // A buffer of its own for every image quad with vertices; quads whose buffer cannot be made are
    // left out.
    std::vector<ImageDrawBuffer> makeImageDrawBuffers(const std::vector<ImageDraw>& draws);
    // The cursor of the drawn buffer into `out` (emptied first); nothing when it is hidden, off screen
    // or in its blink-off phase.
    void buildCursorDrawData(CursorDrawData& out, double scale, double cellWidth, double cellHeight, double lineDescent,
                                       double lineLeading, int yDisp, int firstRow, int lastRow);

    // Row shaping and glyph entries.
    // The segments' runs shaped, in the renderer's own list: valid until the next call, and while
    // `segments` lives.
    std::span<const ShapedSegment> buildShapedSegments(const std::vector<ViewLineSegment>& segments);
    // A face at device-pixel size with the name its glyphs are cached under.
    struct ScaledFont {
        QRawFont font;
        std::string name;
    };
    // The face at `scale` times its pixel size, cached; `name` is rawFontName(font).
    const ScaledFont& scaledFontFor(const QRawFont& font, std::string_view name, double scale);
    // The atlas entry of a glyph of a face already at device-pixel size; rasterised on first use.
    std::optional<GlyphEntry> glyphEntry(const ScaledFont& font, uint32_t glyph);
    // A box-drawing, block-element or powerline glyph painted white into the grayscale atlas.
    std::optional<CustomGlyphEntry> customGlyphEntry(uint32_t codePoint, int cellWidthPx, int cellHeightPx,
                                                     double scale, int baseThicknessPx, bool antiAlias);

    // Image quads and textures.
    // `rect` in logical pixels (y up), `uvRect` the texture's part in fractions; nothing when
    // clipping leaves no area.
    std::optional<ImageDraw> imageDraw(std::shared_ptr<GpuImageTexture> texture, const QRectF& rect,
                                       const QRectF& uvRect, const RowTransform& row, double scale);
    // The texture of a row's image, made once per image object.
    std::shared_ptr<GpuImageTexture> texture(const std::shared_ptr<TerminalImage>& image);
    // The texture of a stored kitty image, made again when the stored image changed.
    std::shared_ptr<GpuImageTexture> kittyTexture(uint32_t imageId);
    static KittyImageSignature kittySignature(const KittyGraphicsImage& image);
    // A stored payload as the image its texture is made from: PNG decoded, RGBA as stored; straight
    // colour premultiplied for the blending. A null image when it cannot be decoded.
    static QImage kittyPayloadImage(const KittyGraphicsPayload& payload);
    // 32-bit FNV-1a over the first `limit` bytes.
    static uint32_t hashBytes(std::span<const uint8_t> bytes, size_t limit);
    // Drops the textures of kitty images the terminal no longer stores, and of image objects gone.
    void pruneKittyTextureCache();

    // State the frame loop reads and resets.
    bool atlasInvalidatedDuringBuild() const { return m_atlasInvalidatedDuringBuild; }
    void setAtlasInvalidatedDuringBuild(bool invalidated) { m_atlasInvalidatedDuringBuild = invalidated; }
    void clearRowCache() { m_rowCache.clear(); }
    const std::unordered_map<int, RowCacheEntry>& rowCache() const { return m_rowCache; }
    GlyphAtlas& grayscaleAtlas() const { return *m_grayscaleAtlas; }
    GlyphAtlas& colorAtlas() const { return *m_colorAtlas; }
    BufferPool& bufferPool() const { return *m_bufferPool; }
    CoreTextGlyphRasterizer& rasterizer() { return m_rasterizer; }
    const ShaperCache& shaperCache() const { return m_shaperCache; }
    size_t glyphCacheSize() const { return m_glyphCache.size(); }
    size_t customGlyphCacheSize() const { return m_customGlyphCache.size(); }
    // The blink phase the cursor is drawn in; the blink timer flips it.
    bool cursorBlinkOn() const { return m_cursorBlinkOn; }
    void setCursorBlinkOn(bool on) { m_cursorBlinkOn = on; }

    // Rows built (laid out and shaped) by the last pass; the others came from the row cache.
    int rowsBuiltLastPass() const { return m_rowsBuiltLastPass; }

private:
    // Where one row sits, in logical pixels (y up from the view's bottom) and device pixels.
    struct RowGeometry {
        double scale = 1;
        double cellWidth = 0;
        double cellHeight = 0;
        double yOffset = 0;
        double rowBottom = 0;
        double rowBottomPx = 0;
        double rowTopPx = 0;
        int cellWidthPx = 1;
        int cellHeightPx = 1;
        // The columns of the cell grid.
        int cols = 0;
        RowTransform transform;
    };
    struct ImageTextureEntry {
        std::weak_ptr<TerminalImage> image;
        std::shared_ptr<GpuImageTexture> texture;
    };
    struct KittyTextureEntry {
        KittyImageSignature signature;
        std::shared_ptr<GpuImageTexture> texture;
    };

    // The signature of the view as it is now; the renderer's own, valid until the next call.
    const CacheSignature& currentSignature(double scale);
    VirtualPlacements collectVirtualPlacements() const;
    void appendCustomGlyphs(const ViewLineInfo& info, const RowGeometry& row, RowDrawData& out);
    void appendBackgrounds(std::span<const ShapedSegment> segments, const RowGeometry& row, RowDrawData& out);
    void appendGlyphs(std::span<const ShapedSegment> segments, const RowGeometry& row, RowDrawData& out);
    void appendDecorations(std::span<const ShapedSegment> segments, const RowGeometry& row, RowDrawData& out);
    void appendImages(const ViewLineInfo& info, const RowGeometry& row, RowDrawData& out);
    void appendPlaceholderImages(const ViewLineInfo& info, const RowGeometry& row,
                                 const VirtualPlacements& virtualPlacementsByImageId, RowDrawData& out);
    // A textured cell from an atlas region placed at `quad` (device pixels), tinted `color`; nothing
    // when the row's clip leaves nothing of it.
    std::optional<TextCell> atlasCell(PixelQuad quad, const AtlasRegion& region, const GlyphAtlas& atlas,
                                      const RowTransform& transform, const std::array<float, 4>& color) const;
    void handleAtlasChange(GlyphAtlas& atlas, int previousSize);
    std::optional<AtlasRegion> placeInAtlas(GlyphAtlas& atlas, std::span<const uint8_t> pixels, int width, int height);

    QPointer<TerminalView> m_terminalView;
    std::unique_ptr<GlyphAtlas> m_grayscaleAtlas;
    std::unique_ptr<GlyphAtlas> m_colorAtlas;
    std::shared_ptr<BufferPool> m_bufferPool;
    GpuBufferDevice& m_bufferDevice;
    ImageTextureFactory& m_textureFactory;
    CoreTextGlyphRasterizer m_rasterizer;
    ShaperCache m_shaperCache;
    std::unordered_map<GlyphKey, GlyphEntry, GlyphKeyHash, GlyphKeyEqual> m_glyphCache;
    std::unordered_map<GlyphKey, ScaledFont, GlyphKeyHash, GlyphKeyEqual> m_scaledFontCache;
    std::unordered_map<CustomGlyphKey, CustomGlyphEntry> m_customGlyphCache;
    // Keyed by the image object's identity token.
    std::unordered_map<uint64_t, ImageTextureEntry> m_imageTextureCache;
    std::unordered_map<uint32_t, KittyTextureEntry> m_kittyTextureCache;
    std::unordered_map<int, RowCacheEntry> m_rowCache;
    std::optional<MetalBufferingMode> m_cacheBufferingMode;
    std::optional<CacheSignature> m_cacheSignature;
    CacheSignature m_currentSignature;
    // The font m_currentSignature's name was made from.
    std::optional<QFont> m_signatureFont;
    // The layout and shaping of the row being built, kept for their capacity.
    ViewLineInfo m_rowLayout;
    std::vector<ShapedSegment> m_shapedSegments;
    // The backgrounds makeRowBuffers puts in a row's buffer, kept for their capacity.
    std::vector<ColorCell> m_offGridBackgrounds;
    // The cursor of the last pass; kept so that its lists keep their capacity.
    CursorDrawData m_cursorDrawData;
    // The face of the character under the block cursor, with its name.
    std::optional<QRawFont> m_cursorRawFont;
    std::string m_cursorFontName;
    bool m_atlasInvalidatedDuringBuild = false;
    bool m_cursorBlinkOn = true;
    int m_rowsBuiltLastPass = 0;

    // ---- End of the draw data ------------------------------------------------------------------

    // ---- Frame loop (MetalTerminalRenderer.cpp) ----------------------------------------------------
public:
    // One frame into `view`'s framebuffer, its context current: admitted by the view's frame
    // coordinator (refused with the reason when the drawable, framebuffer, programs or a complete
    // framebuffer are missing), built, encoded layer by layer, and completed by its fence; a GL error
    // during the frame completes it with the status error.
    void draw(MetalView& view);
    // The frame's draw data: `pass` built again into the same DrawData, with the row cache emptied,
    // while an atlas changed during it, at most six builds in all; the last runs with both atlases
    // frozen. The DrawData is the renderer's and is reused by the next frame.
    const DrawData& buildDrawData(double scale);
    const DrawData& buildDrawData(const std::function<void(DrawData&)>& pass);

    // Frames drawn in full so far; the others were drawn over the one before.
    int wholeFrameCount() const { return m_wholeFrameCount; }

private:
    // What the framebuffer holds after a frame drawn without error.
    struct KeptFrame {
        int width = 0;
        int height = 0;
        std::array<float, 4> clear {};
        PixelSpan cursor;
    };

    // A fence after the commands issued so far: a free one placed again, else a new one.
    std::shared_ptr<GlFence> nextFence(QOpenGLFunctions_3_3_Core& gl);
    // m_damage for a frame over the last: the changed rows' stretches and the cursor's old and new.
    void collectDamage(const DrawData& data, const PixelSpan& previousCursor, int pixelHeight);

    DrawData m_frameDrawData;
    std::optional<KeptFrame> m_keptFrame;
    // The pixel rows [first, second) a frame over the last draws again, ascending and disjoint.
    std::vector<std::pair<int, int>> m_damage;
    int m_wholeFrameCount = 0;
    // The frame's background grid on the GPU, made at the first frame.
    std::unique_ptr<GlBackgroundGridTexture> m_backgroundGridTexture;
    // Fences of earlier frames, made again for a new frame once nothing holds them.
    std::vector<std::shared_ptr<GlFence>> m_fences;
    // ---- End of the frame loop ---------------------------------------------------------------------
};

} // namespace zentrova
