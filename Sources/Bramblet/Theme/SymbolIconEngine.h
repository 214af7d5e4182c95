#pragma once

#include <QIcon>
#include <QIconEngine>

namespace bramblet {

// A symbol drawn as a template: the coverage of its source image filled with the theme's text
// colour for the appearance in effect at the moment it is drawn (dimmed when disabled). Every
// button, menu item and view that shows a symbol therefore keeps its contrast in both appearances
// and follows a switch of appearance at its next paint. Main thread only.
class SymbolIconEngine : public QIconEngine {
public:
    explicit SymbolIconEngine(QIcon source);

    // The colour a symbol takes in `mode` under the appearance in effect.
    static QColor tint(QIcon::Mode mode);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    QIconEngine* clone() const override;
    QString key() const override;
    bool isNull() override;

private:
    QIcon m_source;
};

} // namespace bramblet
