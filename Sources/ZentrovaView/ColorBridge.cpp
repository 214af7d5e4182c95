#include "ZentrovaView/ColorBridge.h"

#include <algorithm>

namespace zentrova {
namespace {

uint16_t clampedChannel(float value)
{
    return uint16_t(std::clamp(value, 0.0f, 1.0f) * 65535.0f);
}

} // namespace

QColor makeQColor(const Color& color)
{
    return QColor::fromRgba64(color.red, color.green, color.blue);
}

Color getTerminalColor(const QColor& color)
{
    if (!color.isValid())
        return Color::defaultForeground;
    // Extended-range colours keep channels beyond 0...1 only in their own spec; converting first would
    // clip them before we do.
    const QColor rgb = color.spec() == QColor::ExtendedRgb ? color : color.toRgb();
    return { clampedChannel(rgb.redF()), clampedChannel(rgb.greenF()), clampedChannel(rgb.blueF()) };
}

QColor dimmedColor(const QColor& color, const QColor& towards)
{
    if (!color.isValid() || !towards.isValid())
        return color;
    const QRgba64 from = color.rgba64();
    const QRgba64 to = towards.rgba64();
    auto mean = [](uint16_t a, uint16_t b) { return uint16_t((uint32_t(a) + b) / 2); };
    return QColor::fromRgba64(mean(from.red(), to.red()), mean(from.green(), to.green()),
                              mean(from.blue(), to.blue()), from.alpha());
}

} // namespace zentrova
