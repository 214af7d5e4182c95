#include "Zentrova/Screen/CircularBufferLineList.h"

namespace zentrova {

void CircularBufferLineList::recycle(const Attribute& clearAttribute)
{
    CircularList::recycle();
    const auto& line = (*this)[m_count - 1];
    bool hadImages = line->images().has_value();
    line->clear(clearAttribute);
    line->destroySemanticState();
    line->setIsWrapped(false);
    line->setRecycleGeneration(line->recycleGeneration() + 1);
    if (onLineRecycled)
        onLineRecycled(hadImages);
}

void CircularBufferLineList::attached(const std::shared_ptr<BufferLine>& line)
{
    if (onLineAttached && line)
        onLineAttached(*line);
}

void CircularBufferLineList::pushed(const std::shared_ptr<BufferLine>& line)
{
    if (onLinePushed)
        onLinePushed(line && line->images().has_value());
}

} // namespace zentrova
