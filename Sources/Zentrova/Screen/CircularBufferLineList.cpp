#include "Zentrova/Screen/CircularBufferLineList.h"

namespace zentrova {

void CircularBufferLineList::recycle(const Attribute& clearAttribute)
{
    CircularList::recycle();
    const auto& line = (*this)[m_count - 1];
    bool hadImages = line->images().has_value();
    if (!(clearAttribute == m_blankAttribute)) {
        m_blankAttribute = clearAttribute;
        m_blank = CharData(clearAttribute, 0, 1);
    }
    line->clear(m_blank);
    line->destroySemanticState();
    line->setIsWrapped(false);
    // A double-size row reused for new output would otherwise show it double-size too.
    line->setRenderMode(BufferLine::RenderLineMode::single);
    line->setRecycleGeneration(line->recycleGeneration() + 1);
    if (onLineRecycled)
        onLineRecycled(hadImages);
    // The next row to be reused was written a whole ring ago and has left the caches: it is fetched
    // while the text for this one is read, not when the next line feed waits for it.
    (*this)[0]->prefetchForClear();
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
