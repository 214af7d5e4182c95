#include "Bramblet/Settings/SegmentedControl.h"

#include "Bramblet/Theme/Theme.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPainter>
#include <QToolButton>

namespace bramblet {

SegmentedControl::SegmentedControl(const QStringList& labels, const QFont& font, QWidget* parent)
    : QWidget(parent)
    , m_group(new QButtonGroup(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    int id = 0;
    for (const QString& text : labels) {
        auto* button = new QToolButton(this);
        button->setText(text);
        button->setFont(font);
        button->setCheckable(true);
        button->setAutoRaise(true);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        m_group->addButton(button, id++);
        layout->addWidget(button);
    }
    connect(m_group, &QButtonGroup::idClicked, this, [this](int segment) {
        update();
        emit segmentClicked(segment);
    });
}

int SegmentedControl::segmentCount() const
{
    return int(m_group->buttons().size());
}

QString SegmentedControl::label(int segment) const
{
    const QAbstractButton* button = m_group->button(segment);
    return button ? button->text() : QString();
}

int SegmentedControl::selectedSegment() const
{
    return m_group->checkedId();
}

void SegmentedControl::setSelectedSegment(int segment)
{
    if (QAbstractButton* button = m_group->button(segment))
        button->setChecked(true);
    update();
}

void SegmentedControl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Theme::border().resolved(), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    if (const QAbstractButton* checked = m_group->checkedButton()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(Theme::controlSelection().resolved());
        painter.drawRoundedRect(QRectF(checked->geometry()), 5, 5);
    }
}

} // namespace bramblet
