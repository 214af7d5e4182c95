#pragma once

#include <QWidget>

class QButtonGroup;

namespace bramblet {

// The ground of a segmented control whose segments are the buttons of `group` laid out inside it:
// the checked segment on the control-selection colour, and with `outlined` a rounded outline in
// the border colour around the whole control. Colours resolve when painting, so both follow the
// appearance. A group without a parent becomes the frame's.
class SegmentFrame : public QWidget {
    Q_OBJECT

public:
    SegmentFrame(QButtonGroup* group, bool outlined, QWidget* parent = nullptr);

    QButtonGroup* group() const { return m_group; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QButtonGroup* m_group;
    bool m_outlined;
};

} // namespace bramblet
