#include "Bramblet/Pane/ModeControl.h"

#include "Bramblet/Theme/Theme.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPainter>
#include <QToolButton>

namespace bramblet {

ModeControl::ModeControl(QWidget* parent)
    : QWidget(parent)
    , m_group(new QButtonGroup(this))
{
    struct Segment {
        const char* symbol;
        const char* description;
        const char* toolTip;
    };
    static const Segment segments[] = {
        { "list.bullet", "List", "List view" },
        { "square.grid.2x2", "Grid", "Grid view" },
        { "list.bullet.indent", "Tree", "Tree view" },
    };
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    int id = 0;
    for (const Segment& segment : segments) {
        auto* button = new QToolButton(this);
        button->setCheckable(true);
        button->setAutoRaise(true);
        button->setIcon(Theme::systemSymbol(QLatin1String(segment.symbol)));
        button->setAccessibleName(QLatin1String(segment.description));
        button->setToolTip(QLatin1String(segment.toolTip));
        m_group->addButton(button, id++);
        layout->addWidget(button);
    }
    connect(m_group, &QButtonGroup::idClicked, this, [this] {
        update();
        emit segmentClicked();
    });
}

int ModeControl::selectedSegment() const
{
    return m_group->checkedId();
}

void ModeControl::setSelectedSegment(int segment)
{
    if (QAbstractButton* button = m_group->button(segment)) {
        button->setChecked(true);
    } else if (QAbstractButton* checked = m_group->checkedButton()) {
        m_group->setExclusive(false);
        checked->setChecked(false);
        m_group->setExclusive(true);
    }
    update();
}

bool ModeControl::isSegmentEnabled(int segment) const
{
    const QAbstractButton* button = m_group->button(segment);
    return button && button->isEnabled();
}

void ModeControl::setSegmentEnabled(int segment, bool enabled)
{
    if (QAbstractButton* button = m_group->button(segment))
        button->setEnabled(enabled);
}

void ModeControl::paintEvent(QPaintEvent*)
{
    const QAbstractButton* checked = m_group->checkedButton();
    if (!checked)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::controlSelection().resolved());
    painter.drawRoundedRect(QRectF(checked->geometry()), 5, 5);
}

} // namespace bramblet
