#pragma once

#include <QAbstractButton>

namespace bramblet {

// A 16 x 16 check box drawn as a rounded square: filled in the accent colour with a white check
// mark when on, an outline when off. Disabled, the fill and outline fade to the quaternary label
// colour (the check mark stays white).
class SquareCheckbox : public QAbstractButton {
    Q_OBJECT

public:
    explicit SquareCheckbox(QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace bramblet
