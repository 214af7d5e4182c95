#pragma once

#include "Bramblet/Theme/AdaptiveColor.h"

#include <QIcon>
#include <QWidget>

#include <optional>

namespace bramblet {

// Shows one image scaled proportionally into its bounds. A template image (a symbol) is drawn as a
// silhouette in the tint colour, or in the label colour when there is no tint; any other image is
// drawn as it is and ignores the tint. Colours resolve when painting.
class ImageView : public QWidget {
    Q_OBJECT

public:
    explicit ImageView(QWidget* parent = nullptr);

    const QIcon& icon() const { return m_icon; }
    bool isTemplate() const { return m_template; }
    void setIcon(const QIcon& icon, bool isTemplate);

    const std::optional<AdaptiveColor>& tint() const { return m_tint; }
    void setTint(const std::optional<AdaptiveColor>& tint);

    QSize sizeHint() const override;

    // `icon` rendered at `size` (device-independent pixels) for `devicePixelRatio`, every pixel in
    // `color` with the icon's coverage as alpha.
    static QPixmap tinted(const QIcon& icon, QSize size, qreal devicePixelRatio, const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QIcon m_icon;
    bool m_template = false;
    std::optional<AdaptiveColor> m_tint;
};

} // namespace bramblet
