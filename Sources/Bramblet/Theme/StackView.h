#pragma once

#include <QWidget>

class QBoxLayout;

namespace bramblet {

// A row or column of views laid out by a box layout: views in order, distribution fill, centred
// vertically in a horizontal stack and held at the leading edge in a vertical one. The default is
// horizontal with spacing 8 and no edge insets. Edge insets are the layout's contents margins; a
// view that should span a vertical stack's whole width has its alignment cleared
// (`boxLayout()->setAlignment(view, {})`).
class StackView : public QWidget {
    Q_OBJECT

public:
    explicit StackView(QWidget* parent = nullptr);

    Qt::Orientation orientation() const;
    // Changing the orientation re-aligns the views already arranged.
    void setOrientation(Qt::Orientation orientation);

    void addArrangedSubview(QWidget* view);
    QBoxLayout* boxLayout() const { return m_layout; }

private:
    Qt::Alignment arrangedAlignment() const;

    QBoxLayout* m_layout;
};

} // namespace bramblet
