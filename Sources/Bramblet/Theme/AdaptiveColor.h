#pragma once

#include <QColor>
#include <QString>

namespace bramblet {

// The two looks the application can take.
enum class Appearance { light, dark };

// A colour that may differ between the light and the dark appearance. A fixed colour is one whose
// two values are the same; it converts implicitly from a QColor, so any plain colour can stand
// where an adaptive one is expected. Values are resolved when drawing, never stored resolved, so a
// switch of appearance takes effect at the next paint.
class AdaptiveColor {
public:
    AdaptiveColor() = default; // fully transparent
    AdaptiveColor(const QColor& fixed); // implicit on purpose: any plain colour is a fixed one
    AdaptiveColor(const QString& name, const QColor& light, const QColor& dark);

    // The colour's name; empty for a fixed colour.
    const QString& name() const { return m_name; }
    const QColor& light() const { return m_light; }
    const QColor& dark() const { return m_dark; }

    QColor resolved(Appearance appearance) const;
    // Resolved for the application's effective appearance (ApplicationAppearance).
    QColor resolved() const;

    // The same colour with the alpha of both values replaced by `alpha` (0 to 1); stays adaptive.
    AdaptiveColor withAlpha(qreal alpha) const;

    bool operator==(const AdaptiveColor&) const = default;

private:
    QString m_name;
    QColor m_light = QColor(0, 0, 0, 0);
    QColor m_dark = QColor(0, 0, 0, 0);
};

} // namespace bramblet
