#pragma once

#include "Zentrova/Screen/BufferLine.h"
#include "Zentrova/Screen/CircularList.h"

#include <functional>
#include <memory>

namespace zentrova {

// The rows of one screen buffer, screen and scrollback, oldest first. Its capacity is the screen rows
// plus the scrollback; once full, scrolling reuses the oldest row in place (recycle) so that it
// allocates nothing.
class CircularBufferLineList : public CircularList<std::shared_ptr<BufferLine>> {
public:
    using CircularList::CircularList;

    // A row was recycled; says whether it had images.
    std::function<void(bool hadImages)> onLineRecycled;
    // A row was pushed; says whether it has images.
    std::function<void(bool hasImages)> onLinePushed;
    // A row was put into a slot.
    std::function<void(BufferLine&)> onLineAttached;

    // The oldest row becomes the newest, blank in `clearAttribute`, unwrapped and without images or
    // prompt marks. The ring must be full.
    void recycle(const Attribute& clearAttribute);

protected:
    void attached(const std::shared_ptr<BufferLine>& line) override;
    void pushed(const std::shared_ptr<BufferLine>& line) override;

private:
    // The blank cell recycled rows were cleared with last, and its attribute.
    Attribute m_blankAttribute = CharData::Null.attribute();
    CharData m_blank = CharData::Null;
};

} // namespace zentrova
