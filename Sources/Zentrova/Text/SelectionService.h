#pragma once

#include "Zentrova/Screen/Position.h"

namespace zentrova {

// What the terminal needs of a text selection when it moves rows under it. Positions count rows from
// the oldest row of the active buffer's ring.
class SelectionService {
public:
    virtual ~SelectionService() = default;

    virtual bool active() const = 0;
    virtual Position start() const = 0;
    virtual Position end() const = 0;

    // Rows top...bottom moved up by `lines` (down when negative): keeps the selection on the same text,
    // or clears it when a moved end would leave that band or the selection straddles its edge.
    virtual void adjustForInPlaceScroll(int top, int bottom, int lines) = 0;

    // Clears an active selection (inactive, anchors and row mode dropped) and tells the terminal's
    // delegate that the selection changed.
    virtual void selectNone() = 0;
};

} // namespace zentrova
