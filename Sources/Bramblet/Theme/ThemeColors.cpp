#include "Bramblet/Theme/Theme.h"

namespace bramblet::Theme {
namespace {

QColor withAlpha(QColor color, float alpha)
{
    color.setAlphaF(alpha);
    return color;
}

} // namespace

AdaptiveColor adaptive(const QString& name, const QColor& light, const QColor& dark)
{
    return AdaptiveColor(name, light, dark);
}

const AdaptiveColor& deepBlue()
{
    static const AdaptiveColor color(QColor(2, 48, 71));
    return color;
}

const AdaptiveColor& cyanBase()
{
    static const AdaptiveColor color(QColor(33, 158, 188));
    return color;
}

const AdaptiveColor& orangeBase()
{
    static const AdaptiveColor color(QColor(251, 133, 0));
    return color;
}

const AdaptiveColor& cyan()
{
    return cyanBase();
}

const AdaptiveColor& amber()
{
    return orangeBase();
}

const AdaptiveColor& window()
{
    static const AdaptiveColor color = adaptive("window", Qt::white, Qt::black);
    return color;
}

const AdaptiveColor& terminal()
{
    static const AdaptiveColor color = adaptive("terminal", Qt::white, Qt::black);
    return color;
}

const AdaptiveColor& sidebar()
{
    static const AdaptiveColor color = adaptive("sidebar", QColor(241, 243, 244), deepBlue().light());
    return color;
}

const AdaptiveColor& pane()
{
    static const AdaptiveColor color = adaptive("pane", Qt::white, deepBlue().light());
    return color;
}

const AdaptiveColor& border()
{
    static const AdaptiveColor color = adaptive("border", QColor(225, 230, 233), QColor(33, 73, 92));
    return color;
}

const AdaptiveColor& muted()
{
    static const AdaptiveColor color = adaptive("muted", QColor(78, 110, 126), QColor(179, 191, 198));
    return color;
}

const AdaptiveColor& primary()
{
    static const AdaptiveColor color = adaptive("primary", deepBlue().light(), Qt::white);
    return color;
}

const AdaptiveColor& controlSelection()
{
    static const AdaptiveColor color = adaptive("controlSelection", withAlpha(QColor(33, 158, 188), 0.12f),
                                                withAlpha(QColor(33, 158, 188), 0.16f));
    return color;
}

const AdaptiveColor& systemColor(SystemColor which)
{
    // Dark values are a little lighter so that they keep their contrast on dark backgrounds.
    static const AdaptiveColor colors[] = {
        adaptive("label", withAlpha(Qt::black, 0.85f), withAlpha(Qt::white, 0.85f)),
        adaptive("secondaryLabel", withAlpha(Qt::black, 0.5f), withAlpha(Qt::white, 0.55f)),
        adaptive("tertiaryLabel", withAlpha(Qt::black, 0.28f), withAlpha(Qt::white, 0.28f)),
        adaptive("quaternaryLabel", withAlpha(Qt::black, 0.12f), withAlpha(Qt::white, 0.12f)),
        adaptive("systemRed", QColor(224, 62, 54), QColor(240, 86, 78)),
        adaptive("systemOrange", QColor(240, 140, 20), QColor(250, 156, 44)),
        adaptive("systemYellow", QColor(232, 186, 16), QColor(244, 204, 48)),
        adaptive("systemGreen", QColor(52, 168, 83), QColor(64, 196, 100)),
        adaptive("systemTeal", QColor(38, 166, 154), QColor(72, 196, 184)),
        adaptive("systemBlue", QColor(24, 116, 232), QColor(48, 138, 250)),
        adaptive("systemPurple", QColor(156, 82, 208), QColor(180, 104, 230)),
        adaptive("systemGray", QColor(138, 143, 150), QColor(150, 155, 162)),
    };
    return colors[static_cast<int>(which)];
}

const AdaptiveColor& tagColor(const QString& tagName)
{
    static const std::pair<QString, SystemColor> colors[] = {
        { "Red", SystemColor::red },       { "Orange", SystemColor::orange }, { "Yellow", SystemColor::yellow },
        { "Green", SystemColor::green },   { "Blue", SystemColor::blue },     { "Purple", SystemColor::purple },
    };
    for (const auto& [name, color] : colors) {
        if (name == tagName)
            return systemColor(color);
    }
    return systemColor(SystemColor::gray);
}

const QStringList& tagNames()
{
    static const QStringList names = { "Red", "Orange", "Yellow", "Green", "Blue", "Purple", "Gray" };
    return names;
}

} // namespace bramblet::Theme
