#include "Bramblet/Workspace/TabStrip.h"

#include <QEvent>

namespace bramblet {

QSize TabStrip::tabSizeHint(int index) const
{
    if (m_measuringMinimum)
        return QTabBar::tabSizeHint(index);
    return remembered(m_sizes, tabText(index), &TabStrip::measuredSize, index);
}

QSize TabStrip::minimumTabSizeHint(int index) const
{
    return remembered(m_minimumSizes, tabText(index), &TabStrip::measuredMinimumSize, index);
}

QSize TabStrip::measuredMinimumSize(int index) const
{
    m_measuringMinimum = true;
    const QSize size = QTabBar::minimumTabSizeHint(index);
    m_measuringMinimum = false;
    return size;
}

QSize TabStrip::remembered(QHash<QString, QSize>& sizes, const QString& title,
                           QSize (TabStrip::*measure)(int) const, int index) const
{
    if (const auto found = sizes.constFind(title); found != sizes.cend())
        return *found;
    // Titles of tabs long gone are not kept for ever.
    if (sizes.size() > 2 * count() + 64)
        sizes.clear();
    return *sizes.insert(title, (this->*measure)(index));
}

void TabStrip::changeEvent(QEvent* event)
{
    // Sizes follow the font and the style.
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        m_sizes.clear();
        m_minimumSizes.clear();
    }
    QTabBar::changeEvent(event);
}

} // namespace bramblet
