#include "Bramblet/Workspace/ScreenClamp.h"

#include <algorithm>

namespace bramblet {

QRect clampToScreen(const QRect& frame, const QRect& visibleArea)
{
    constexpr int margin = 24;
    const int width = std::min(frame.width(), visibleArea.width() - 2 * margin);
    const int height = std::min(frame.height(), visibleArea.height() - 2 * margin);
    // QRect's right() and bottom() are one pixel short of the edge; x() + width() is the edge.
    const int right = visibleArea.x() + visibleArea.width();
    const int bottom = visibleArea.y() + visibleArea.height();
    const int x = std::min(std::max(frame.x(), visibleArea.x() + margin), right - width - margin);
    const int y = std::min(std::max(frame.y(), visibleArea.y() + margin), bottom - height - margin);
    return { x, y, width, height };
}

} // namespace bramblet
