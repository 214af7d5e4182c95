// A laid-out row's attribute runs shaped through the renderer's shaping cache.

#include "ZentrovaView/Gpu/MetalTerminalRenderer.h"

#include "ZentrovaView/TerminalView.h"

#include <array>
#include <string>

namespace zentrova {

std::vector<ShapedSegment> MetalTerminalRenderer::buildShapedSegments(const std::vector<ViewLineSegment>& segments)
{
    std::vector<ShapedSegment> shaped;
    TerminalView* view = m_terminalView.data();
    if (!view)
        return shaped;
    std::vector<int> cells;
    // The names of the faces of the font set, made once for all their runs.
    std::array<std::string, 4> names;
    const auto nameOf = [&](FontVariant variant) -> const std::string& {
        std::string& name = names[size_t(variant)];
        if (name.empty())
            name = rawFontName(view->rawFont(variant));
        return name;
    };
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
            const FontVariant variant = run.style.font;
            std::shared_ptr<const ShaperRun> shaperRun =
                m_shaperCache.shape(QStringView(segment.text).mid(start, length), cells, view->fontSet().font(variant),
                                    view->rawFont(variant), nameOf(variant));
            if (shaperRun)
                result.runs.push_back({ &run, start, std::move(shaperRun) });
        }
        if (!result.runs.empty())
            shaped.push_back(std::move(result));
    }
    return shaped;
}

} // namespace zentrova
