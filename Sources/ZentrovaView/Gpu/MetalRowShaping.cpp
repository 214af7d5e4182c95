// A laid-out row's attribute runs shaped through the renderer's shaping cache.

#include "ZentrovaView/Gpu/MetalTerminalRenderer.h"

#include "ZentrovaView/TerminalView.h"

#include <array>
#include <string>

namespace zentrova {

std::span<const ShapedSegment> MetalTerminalRenderer::buildShapedSegments(const std::vector<ViewLineSegment>& segments)
{
    // Filled in place: the entries and their run lists keep their storage from row to row.
    std::vector<ShapedSegment>& shaped = m_shapedSegments;
    size_t count = 0;
    TerminalView* view = m_terminalView.data();
    if (!view)
        return {};
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
        if (count == shaped.size())
            shaped.emplace_back();
        ShapedSegment& result = shaped[count];
        result.segment = &segment;
        result.runs.clear();
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
            count++;
    }
    // Entries past the row's keep their storage, not the shaping cache's runs.
    for (size_t i = count; i < shaped.size(); i++)
        shaped[i].runs.clear();
    return std::span<const ShapedSegment>(shaped.data(), count);
}

} // namespace zentrova
