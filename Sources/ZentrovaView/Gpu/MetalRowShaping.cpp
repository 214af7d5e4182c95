// A laid-out row's attribute runs shaped through the renderer's shaping cache.

#include "ZentrovaView/Gpu/MetalTerminalRenderer.h"

#include "ZentrovaView/TerminalView.h"

namespace zentrova {

std::vector<ShapedSegment> MetalTerminalRenderer::buildShapedSegments(const std::vector<ViewLineSegment>& segments)
{
    std::vector<ShapedSegment> shaped;
    TerminalView* view = m_terminalView.data();
    if (!view)
        return shaped;
    std::vector<int> cells;
    for (const ViewLineSegment& segment : segments) {
        if (segment.text.isEmpty())
            continue;
        ShapedSegment result { &segment, {} };
        for (const ViewLineRun& run : segment.runs) {
            const int start = std::max(run.start, 0);
            const int length = std::min<int>(run.length, int(segment.text.size()) - start);
            if (length <= 0)
                continue;
            // The run's units by cell, counted from its first cell; none when every unit is a cell.
            cells.clear();
            if (!segment.utf16IsCellIdentity) {
                const int first = segment.cellOrdinal(start);
                for (int unit = start; unit < start + length; unit++)
                    cells.push_back(segment.cellOrdinal(unit) - first);
            }
            std::shared_ptr<const ShaperRun> shaperRun = m_shaperCache.shape(
                segment.text.mid(start, length), cells, view->fontSet().font(run.style.font), view->rawFont(run.style.font));
            if (shaperRun)
                result.runs.push_back({ &run, start, std::move(shaperRun) });
        }
        if (!result.runs.empty())
            shaped.push_back(std::move(result));
    }
    return shaped;
}

} // namespace zentrova
