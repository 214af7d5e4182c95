// The draw data's build pass: which visible rows are built again and which come from the row cache,
// in either buffering mode, then the cursor.

#include "ZentrovaView/Gpu/MetalTerminalRenderer.h"

#include "Zentrova/Graphics/KittyGraphicsState.h"
#include "Zentrova/Screen/Buffer.h"
#include "Zentrova/Text/SelectionService.h"
#include "Zentrova/Text/TerminalBidi.h"
#include "ZentrovaView/Gpu/GlBackgroundGridTexture.h"
#include "ZentrovaView/TerminalView.h"

#include <QFontMetricsF>

#include <cmath>

namespace zentrova {

MetalTerminalRenderer::MetalTerminalRenderer(TerminalView& terminalView, DrawDataResources resources)
    : m_terminalView(&terminalView)
    , m_grayscaleAtlas(std::move(resources.grayscaleAtlas))
    , m_colorAtlas(std::move(resources.colorAtlas))
    , m_bufferPool(std::move(resources.bufferPool))
    , m_bufferDevice(*resources.bufferDevice)
    , m_textureFactory(*resources.textureFactory)
{
    Q_ASSERT(m_grayscaleAtlas && m_colorAtlas && m_bufferPool && resources.bufferDevice && resources.textureFactory);
}

MetalTerminalRenderer::~MetalTerminalRenderer() = default;

const CacheSignature& MetalTerminalRenderer::currentSignature(double scale)
{
    TerminalView& view = *m_terminalView;
    Terminal& terminal = view.terminal();
    const Buffer& buffer = terminal.buffer();
    const QSizeF cell = view.cellDimension().value_or(QSizeF());
    const QFont& font = view.fontSet().normal;
    // Filled in place: the font's name keeps its storage, so that a steady pass allocates nothing.
    CacheSignature& signature = m_currentSignature;
    std::string fontName = std::move(signature.fontName);
    signature = CacheSignature {};
    signature.fontName = std::move(fontName);
    signature.scale = scale;
    signature.cellWidth = cell.width();
    signature.cellHeight = cell.height();
    signature.viewWidth = view.width();
    signature.viewHeight = view.height();
    signature.yDisp = buffer.yDisp();
    signature.rows = buffer.rows();
    signature.cols = buffer.cols();
    // The key is text made anew on every call: kept with the font it came from.
    if (!m_signatureFont || *m_signatureFont != font) {
        m_signatureFont = font;
        signature.fontName = font.key().toStdString();
    }
    signature.fontSize = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize();
    signature.isAltBuffer = terminal.isCurrentBufferAlternate();
    if (terminal.hasKittyGraphicsState()) {
        const KittyGraphicsState& kitty = terminal.kittyGraphicsState();
        signature.kittyStamp = { int(kitty.imagesById.size()), int(kitty.placementsByKey.size()), kitty.nextImageId,
                                 kitty.nextPlacementId, kitty.nextImageGeneration };
    }
    signature.bidiHostPolicy = view.bidiHostPolicy();
    if (const std::shared_ptr<SelectionService>& selection = view.selection(); selection && selection->active()) {
        const Position start = selection->start();
        const Position end = selection->end();
        signature.selectionActive = true;
        signature.selectionStartCol = start.col;
        signature.selectionStartRow = start.row;
        signature.selectionEndCol = end.col;
        signature.selectionEndRow = end.row;
    }
    return signature;
}

MetalTerminalRenderer::VirtualPlacements MetalTerminalRenderer::collectVirtualPlacements() const
{
    VirtualPlacements placements;
    Terminal& terminal = m_terminalView->terminal();
    if (!terminal.hasKittyGraphicsState())
        return placements;
    const bool alternate = terminal.isCurrentBufferAlternate();
    for (const auto& [key, placement] : terminal.kittyGraphicsState().placementsByKey) {
        if (placement.isVirtual && placement.isAlternateBuffer == alternate)
            placements[key.imageId].push_back(placement);
    }
    return placements;
}

DrawData MetalTerminalRenderer::buildDrawDataPass(double scale)
{
    DrawData drawData;
    buildDrawDataPass(scale, drawData);
    return drawData;
}

void MetalTerminalRenderer::buildDrawDataPass(double scale, DrawData& drawData)
{
    // Cleared, not made anew: the lists keep their capacity, so a steady frame allocates nothing.
    drawData.rows.clear();
    drawData.rowSpans.clear();
    drawData.everyRowBuilt = true;
    drawData.changedSpans.clear();
    drawData.cursorColorVertices.clear();
    drawData.cursorGlyphVerticesGray.clear();
    drawData.cursorGlyphVerticesColor.clear();
    if (drawData.frame)
        drawData.frame->clear();
    m_rowsBuiltLastPass = 0;
    TerminalView* view = m_terminalView.data();
    if (!view)
        return;
    pruneKittyTextureCache();
    Terminal& terminal = view->terminal();
    Buffer& buffer = terminal.buffer();
    const std::optional<QSizeF> cell = view->cellDimension();
    const std::optional<VisibleRowRange> visible = visibleRowRange(buffer, buffer.rows());
    if (!cell || !visible)
        return;

    const QFontMetricsF normal(view->fontSet().normal);
    const MetalBufferingMode mode = view->metalBufferingMode();
    if (m_cacheBufferingMode != mode) {
        // The aggregated mode copies rows into pooled buffers every frame: the rows' own go, their
        // data stays for a later switch back.
        if (mode == MetalBufferingMode::perFrameAggregated) {
            for (auto& [row, entry] : m_rowCache)
                entry.buffers.reset();
        }
        m_cacheBufferingMode = mode;
    }

    const bool aggregated = mode == MetalBufferingMode::perFrameAggregated;
    // The aggregated mode draws every background from its records; coming back, the grid fills again.
    BackgroundGrid& grid = drawData.backgroundGrid;
    const bool gridResized = aggregated ? grid.resize(0, 0) : grid.resize(buffer.cols(), buffer.rows());
    const auto gridRow = [&](int row) { return row - visible->yDisp; };

    bool everyRowDirty = false;
    const CacheSignature& signature = currentSignature(scale);
    if (m_cacheSignature != signature) {
        m_rowCache.clear();
        m_cacheSignature = signature;
        everyRowDirty = true;
    }
    std::erase_if(m_rowCache, [&](const auto& item) {
        const bool gone = item.first < visible->first || item.first > visible->last;
        if (gone) {
            drawData.changedSpans.push_back(item.second.span);
            grid.clearRow(gridRow(item.first));
        }
        return gone;
    });

    const std::optional<std::pair<int, int>> taken = view->metalDirtyRange();
    view->setMetalDirtyRange(std::nullopt);
    everyRowDirty = everyRowDirty || m_rowCache.empty();
    // Rows no longer shown keep no colour.
    if (everyRowDirty && !gridResized)
        grid.clear();
    const double gridCellWidth = scale * cell->width();
    const double gridCellHeight = scale * cell->height();
    grid.position = { 0, float(scale * view->height() - gridCellHeight * grid.rows) };
    grid.size = { float(gridCellWidth * grid.cols), float(gridCellHeight * grid.rows) };
    int dirtyFirst = 0;
    int dirtyLast = -1;
    if (taken) {
        dirtyFirst = std::max(taken->first, visible->first);
        dirtyLast = std::min(taken->second, visible->last);
    }

    const VirtualPlacements placements = collectVirtualPlacements();
    if (!aggregated)
        drawData.frame.reset();
    else if (!drawData.frame)
        drawData.frame.emplace();
    const double yOffset = std::ceil(normal.descent() + normal.leading());
    const double viewWidthPx = scale * view->width();
    const int maximumParagraphRows = terminal.options.maximumBidiParagraphRows();

    for (int row = visible->first; row <= visible->last; row++) {
        const BufferLine& line = buffer.line(row);
        const uint64_t revision = TerminalBidi::layoutRevision(row, buffer, maximumParagraphRows);
        const auto cached = m_rowCache.find(row);
        const bool valid = cached != m_rowCache.end() && cached->second.lineId == line.id()
            && cached->second.generation == line.generation()
            && cached->second.recycleGeneration == line.recycleGeneration()
            && cached->second.bidiParagraphRevision == revision;
        const bool inDirtyRange = row >= dirtyFirst && row <= dirtyLast;
        const bool hasData = valid && cached->second.data.has_value();

        if (everyRowDirty || !valid || inDirtyRange || !hasData) {
            // What the row drew before; the build may empty the cache (an atlas changed).
            PixelSpan changed = cached != m_rowCache.end() ? cached->second.span : PixelSpan {};
            RowCacheEntry entry { line.id(), line.generation(), line.recycleGeneration(), revision, {}, {}, {} };
            // Built into the row's last data, whose lists keep their storage.
            if (cached != m_rowCache.end() && cached->second.data)
                entry.data = std::move(cached->second.data);
            else
                entry.data.emplace();
            buildRowDrawData(row, buffer, visible->yDisp, cell->width(), cell->height(), yOffset, viewWidthPx, scale,
                             placements, *entry.data);
            entry.span = entry.data->span();
            m_rowsBuiltLastPass++;
            changed.add(entry.span);
            drawData.changedSpans.push_back(changed);
            if (aggregated) {
                drawData.frame->append(*entry.data);
            } else {
                entry.buffers = makeRowBuffers(*entry.data);
                grid.setRow(gridRow(row), *entry.data);
                drawData.rows.push_back(*entry.buffers);
                drawData.rowSpans.push_back(entry.span);
            }
            // Building may have emptied the cache (an atlas changed); the entry goes in all the same.
            m_rowCache.insert_or_assign(row, std::move(entry));
            continue;
        }
        RowCacheEntry& entry = cached->second;
        if (aggregated) {
            drawData.frame->append(*entry.data);
        } else {
            if (!entry.buffers || gridResized)
                grid.setRow(gridRow(row), *entry.data);
            if (!entry.buffers)
                entry.buffers = makeRowBuffers(*entry.data);
            drawData.rows.push_back(*entry.buffers);
            drawData.rowSpans.push_back(entry.span);
        }
    }

    drawData.everyRowBuilt = m_rowsBuiltLastPass == visible->last - visible->first + 1;
    buildCursorDrawData(m_cursorDrawData, scale, cell->width(), cell->height(), normal.descent(), normal.leading(),
                        visible->yDisp, visible->first, visible->last);
    drawData.cursorColorVertices.assign(m_cursorDrawData.colorVertices.begin(), m_cursorDrawData.colorVertices.end());
    drawData.cursorGlyphVerticesGray.assign(m_cursorDrawData.glyphVerticesGray.begin(),
                                            m_cursorDrawData.glyphVerticesGray.end());
    drawData.cursorGlyphVerticesColor.assign(m_cursorDrawData.glyphVerticesColor.begin(),
                                             m_cursorDrawData.glyphVerticesColor.end());
}

RowDrawBuffers MetalTerminalRenderer::makeRowBuffers(const RowDrawData& data)
{
    RowDrawBuffers buffers;
    auto make = [&](const auto& records, std::shared_ptr<GpuBuffer>& buffer, int& count) {
        if (records.empty())
            return;
        const std::span bytes = std::as_bytes(std::span(records));
        buffer = m_bufferDevice.makeBuffer(bytes.size());
        if (!buffer)
            return;
        buffer->write(bytes);
        count = int(records.size());
    };
    m_offGridBackgrounds.clear();
    for (size_t i = 0; i < data.backgroundCells.size(); ++i) {
        if (i >= data.backgroundColumns.size() || data.backgroundColumns[i].first >= data.backgroundColumns[i].second)
            m_offGridBackgrounds.push_back(data.backgroundCells[i]);
    }
    make(m_offGridBackgrounds, buffers.backgroundBuffer, buffers.backgroundCount);
    make(data.powerlineJoinCells, buffers.powerlineJoinBuffer, buffers.powerlineJoinCount);
    make(data.glyphCellsGray, buffers.glyphGrayBuffer, buffers.glyphGrayCount);
    make(data.glyphCellsColor, buffers.glyphColorBuffer, buffers.glyphColorCount);
    make(data.decorationCells, buffers.decorationBuffer, buffers.decorationCount);
    buffers.underImageBuffers = makeImageDrawBuffers(data.underImageDraws);
    buffers.placeholderImageBuffers = makeImageDrawBuffers(data.placeholderImageDraws);
    buffers.overImageBuffers = makeImageDrawBuffers(data.overImageDraws);
    buffers.otherImageBuffers = makeImageDrawBuffers(data.otherImageDraws);
    return buffers;
}

} // namespace zentrova
