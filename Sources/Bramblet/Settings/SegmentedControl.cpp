#include "Bramblet/Settings/SegmentedControl.h"

#include "Bramblet/Theme/SegmentButton.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QHBoxLayout>

namespace bramblet {

SegmentedControl::SegmentedControl(const QStringList& labels, const QFont& font, QWidget* parent)
    : SegmentFrame(new QButtonGroup, true, parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    int id = 0;
    for (const QString& text : labels) {
        auto* button = new SegmentButton(this);
        button->setText(text);
        button->setFont(font);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        group()->addButton(button, id++);
        layout->addWidget(button);
    }
    connect(group(), &QButtonGroup::idClicked, this, &SegmentedControl::segmentClicked);
}

int SegmentedControl::segmentCount() const
{
    return int(group()->buttons().size());
}

QString SegmentedControl::label(int segment) const
{
    const QAbstractButton* button = group()->button(segment);
    return button ? button->text() : QString();
}

int SegmentedControl::selectedSegment() const
{
    return group()->checkedId();
}

void SegmentedControl::setSelectedSegment(int segment)
{
    if (QAbstractButton* button = group()->button(segment))
        button->setChecked(true);
}

} // namespace bramblet
