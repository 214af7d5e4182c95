#include "Bramblet/Theme/StackView.h"

#include <QBoxLayout>

namespace bramblet {

StackView::StackView(QWidget* parent)
    : QWidget(parent)
    , m_layout(new QBoxLayout(QBoxLayout::LeftToRight, this))
{
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(8);
}

Qt::Orientation StackView::orientation() const
{
    return m_layout->direction() == QBoxLayout::LeftToRight ? Qt::Horizontal : Qt::Vertical;
}

void StackView::setOrientation(Qt::Orientation orientation)
{
    m_layout->setDirection(orientation == Qt::Horizontal ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom);
    for (int i = 0; i < m_layout->count(); ++i) {
        if (QWidget* view = m_layout->itemAt(i)->widget())
            m_layout->setAlignment(view, arrangedAlignment());
    }
}

void StackView::addArrangedSubview(QWidget* view)
{
    m_layout->addWidget(view, 0, arrangedAlignment());
}

Qt::Alignment StackView::arrangedAlignment() const
{
    return orientation() == Qt::Horizontal ? Qt::AlignVCenter : Qt::AlignLeft;
}

} // namespace bramblet
