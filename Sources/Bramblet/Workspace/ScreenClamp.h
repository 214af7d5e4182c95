#pragma once

#include <QRect>

namespace bramblet {

// The frame a window takes so that it keeps a 24-pixel margin to every edge of `visibleArea` (the
// screen without panels): as large as `frame` but no larger than the area less the margins, and
// moved inward only as far as needed. The window's minimum size is deliberately not considered,
// so a small screen still shows the whole window.
QRect clampToScreen(const QRect& frame, const QRect& visibleArea);

} // namespace bramblet
