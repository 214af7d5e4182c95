#include "Bramblet/Theme/SegmentFrame.h"

#include "Bramblet/Theme/Theme.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QPainter>

namespace bramblet {

SegmentFrame::SegmentFrame(QButtonGroup* group, bool outlined, QWidget* parent)
    : QWidget(parent)
    , m_group(group)
    , m_outlined(outlined)
{
    if (!m_group->parent())
        m_group->setParent(this);
    // Checked from code or by a click alike, the band moves.
    connect(m_group, &QButtonGroup::idToggled, this, [this] { update(); });
}

void SegmentFrame::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_outlined) {
        painter.setPen(QPen(Theme::border().resolved(), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    }
    const QAbstractButton* checked = m_group->checkedButton();
    if (!checked)
        return;
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::controlSelection().resolved());
    painter.drawRoundedRect(QRectF(checked->geometry()), 5, 5);
}

} // namespace bramblet
