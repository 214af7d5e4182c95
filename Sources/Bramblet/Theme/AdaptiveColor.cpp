#include "Bramblet/Theme/AdaptiveColor.h"

#include "Bramblet/Theme/ApplicationAppearance.h"

namespace bramblet {

AdaptiveColor::AdaptiveColor(const QColor& fixed)
    : m_light(fixed)
    , m_dark(fixed)
{
}

AdaptiveColor::AdaptiveColor(const QString& name, const QColor& light, const QColor& dark)
    : m_name(name)
    , m_light(light)
    , m_dark(dark)
{
}

QColor AdaptiveColor::resolved(Appearance appearance) const
{
    return appearance == Appearance::dark ? m_dark : m_light;
}

QColor AdaptiveColor::resolved() const
{
    return resolved(ApplicationAppearance::shared().effectiveAppearance());
}

AdaptiveColor AdaptiveColor::withAlpha(qreal alpha) const
{
    AdaptiveColor copy = *this;
    copy.m_light.setAlphaF(float(alpha));
    copy.m_dark.setAlphaF(float(alpha));
    return copy;
}

} // namespace bramblet
