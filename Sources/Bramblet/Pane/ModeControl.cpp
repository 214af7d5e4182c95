#include "Bramblet/Pane/ModeControl.h"

#include "Bramblet/Theme/SegmentButton.h"
#include "Bramblet/Theme/Theme.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QHBoxLayout>

namespace bramblet {

ModeControl::ModeControl(QWidget* parent)
    : SegmentFrame(new QButtonGroup, false, parent)
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
        auto* button = new SegmentButton(this);
        button->setIcon(Theme::systemSymbol(QLatin1String(segment.symbol)));
        button->setAccessibleName(QLatin1String(segment.description));
        button->setToolTip(QLatin1String(segment.toolTip));
        group()->addButton(button, id++);
        layout->addWidget(button);
    }
    connect(group(), &QButtonGroup::idClicked, this, &ModeControl::segmentClicked);
}

int ModeControl::selectedSegment() const
{
    return group()->checkedId();
}

void ModeControl::setSelectedSegment(int segment)
{
    if (QAbstractButton* button = group()->button(segment)) {
        button->setChecked(true);
    } else if (QAbstractButton* checked = group()->checkedButton()) {
        group()->setExclusive(false);
        checked->setChecked(false);
        group()->setExclusive(true);
    }
}

bool ModeControl::isSegmentEnabled(int segment) const
{
    const QAbstractButton* button = group()->button(segment);
    return button && button->isEnabled();
}

void ModeControl::setSegmentEnabled(int segment, bool enabled)
{
    if (QAbstractButton* button = group()->button(segment))
        button->setEnabled(enabled);
}

} // namespace bramblet
