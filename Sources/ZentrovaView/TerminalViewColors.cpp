// Cell styles and colours: what each cell attribute draws as, the palette and true-colour caches, the
// default, caret and selection colours and the reactions to colour changes from the terminal.

#include "ZentrovaView/TerminalView.h"

#include "ZentrovaView/ColorBridge.h"

namespace zentrova {
namespace {

// Every cache of colours or styles is emptied whole once it holds this many entries.
constexpr size_t cacheBound = 4096;

} // namespace

const CellStyle& TerminalView::getAttributes(const CharData& cell, bool withUrl)
{
    auto& cache = withUrl ? m_urlAttributes : m_attributes;
    const AttributeKey key = cell.attributeKey();
    if (const auto found = cache.find(key); found != cache.end())
        return found->second;
    CellStyle style = makeStyle(cell.attribute(), withUrl);
    if (cache.size() >= cacheBound)
        cache.clear();
    return cache.emplace(key, std::move(style)).first->second;
}

CellStyle TerminalView::makeStyle(const Attribute& attribute, bool withUrl)
{
    using Kind = Attribute::Color::Kind;
    Attribute::Color fg = attribute.fg;
    Attribute::Color bg = attribute.bg;
    if (attribute.style.contains(CharacterStyle::inverse)) {
        std::swap(fg, bg);
        if (fg.kind == Kind::defaultColor)
            fg = Attribute::Color::defaultInvertedColor;
        if (bg.kind == Kind::defaultColor)
            bg = Attribute::Color::defaultInvertedColor;
    }
    const bool bold = attribute.style.contains(CharacterStyle::bold);
    // Without bright colours, bold is how the upper half of the palette stands out.
    const bool boldFace = bold || (!m_useBrightColors && fg.kind == Kind::ansi256 && fg.code >= 8);
    CellStyle style;
    style.font = fontVariant(boldFace, attribute.style.contains(CharacterStyle::italic));
    style.foreground = mapColor(fg, true, bold, m_useBrightColors);
    style.background = mapColor(bg, false, false, true);
    if (attribute.style.contains(CharacterStyle::dim))
        style.foreground = dimmedColor(style.foreground, style.background);
    if (attribute.style.contains(CharacterStyle::underline)) {
        static constexpr int platformStyles[] = { platformUnderlineSingle, platformUnderlineSingle,
                                                  platformUnderlineDouble, platformUnderlineSingle,
                                                  platformUnderlineDotted, platformUnderlineDashed };
        if (attribute.underlineColor)
            style.underlineColor = mapColor(*attribute.underlineColor, true, bold, m_useBrightColors);
        style.underlineStyle = platformStyles[uint8_t(attribute.underlineStyle) % std::size(platformStyles)];
        style.zentrovaUnderlineStyle = uint8_t(attribute.underlineStyle);
    }
    if (attribute.style.contains(CharacterStyle::crossedOut)) {
        style.strikethroughStyle = 1;
        style.strikethroughColor = style.foreground;
    }
    if (withUrl) {
        style.underlineStyle = platformUnderlineSingle;
        style.underlineColor = style.foreground;
        style.zentrovaUnderlineStyle = uint8_t(UnderlineStyle::dashed);
    }
    return style;
}

CellStyle TerminalView::getAttributedValue(const Attribute& attribute, const QColor& fg, const QColor& bg) const
{
    const bool inverse = attribute.style.contains(CharacterStyle::inverse);
    CellStyle style;
    style.font = fontVariant(attribute.style.contains(CharacterStyle::bold), attribute.style.contains(CharacterStyle::italic));
    style.foreground = inverse ? bg : fg;
    style.background = inverse ? fg : bg;
    if (attribute.style.contains(CharacterStyle::underline)) {
        style.underlineStyle = platformUnderlineSingle;
        style.zentrovaUnderlineStyle = uint8_t(attribute.underlineStyle);
    }
    if (attribute.style.contains(CharacterStyle::crossedOut)) {
        style.strikethroughStyle = 1;
        style.strikethroughColor = style.foreground;
    }
    return style;
}

QColor TerminalView::mapColor(const Attribute::Color& color, bool isFg, bool isBold, bool useBrightColors)
{
    using Kind = Attribute::Color::Kind;
    switch (color.kind) {
    case Kind::ansi256: {
        int index = color.code;
        if (useBrightColors)
            index = index > 6 || !isBold ? index : index + 8;
        else if (index >= 8 && index <= 15)
            index -= 8; // only the bright half of the base colours falls back; the cube and greys stay
        auto& cached = m_colors[size_t(index)];
        if (!cached)
            cached = makeQColor(m_terminal->ansiColors[size_t(index)]);
        return *cached;
    }
    case Kind::trueColor: {
        if (const auto found = m_trueColors.find(color); found != m_trueColors.end())
            return found->second;
        if (m_trueColors.size() >= cacheBound)
            m_trueColors.clear();
        const QColor made = QColor::fromRgb(color.red, color.green, color.blue);
        m_trueColors.emplace(color, made);
        return made;
    }
    case Kind::defaultColor:
        return isFg ? effectiveNativeForegroundColor() : effectiveNativeBackgroundColor();
    case Kind::defaultInvertedColor: {
        QColor opposite = isFg ? effectiveNativeBackgroundColor() : effectiveNativeForegroundColor();
        opposite.setAlphaF(1);
        return opposite;
    }
    }
    return nativeForegroundColor();
}

void TerminalView::colorsChanged()
{
    m_attributes.clear();
    m_urlAttributes.clear();
    if (!m_terminal)
        return;
    applyBackgroundColor();
    markFullScreenForRedraw();
}

void TerminalView::installColors(std::span<const Color> colors)
{
    if (colors.size() == 16) {
        m_terminal->installPalette(colors);
        m_terminal->rebuildAnsiPalette(false);
    }
    m_colors.fill(std::nullopt);
    colorsChanged();
}

void TerminalView::colorChanged(Terminal&, std::optional<int> idx)
{
    if (idx && *idx >= 0 && *idx < int(m_colors.size()))
        m_colors[size_t(*idx)].reset();
    else
        m_colors.fill(std::nullopt);
    colorsChanged();
}

void TerminalView::setForegroundColor(Terminal&, const Color& color)
{
    setNativeForegroundColor(makeQColor(color));
    colorsChanged();
}

void TerminalView::setBackgroundColor(Terminal&, const Color& color)
{
    setNativeBackgroundColor(makeQColor(color));
    colorsChanged();
}

void TerminalView::setNativeColor(std::optional<QColor>& stored, bool& setting, const QColor& color,
                                  void (Terminal::*report)(const Color&))
{
    // The terminal reports the colour back; the guard keeps this colour (and its alpha) as set.
    if (setting)
        return;
    setting = true;
    stored = color;
    if (m_terminal)
        ((*m_terminal).*report)(getTerminalColor(color));
    setting = false;
}

void TerminalView::setNativeForegroundColor(const QColor& color)
{
    setNativeColor(m_nativeFg, m_settingFg, color, &Terminal::setForegroundColor);
}

void TerminalView::setNativeBackgroundColor(const QColor& color)
{
    setNativeColor(m_nativeBg, m_settingBg, color, &Terminal::setBackgroundColor);
    applyBackgroundColor();
}

void TerminalView::applyBackgroundColor()
{
    QPalette background = palette();
    background.setColor(QPalette::Window, effectiveNativeBackgroundColor());
    setPalette(background);
}

void TerminalView::setBackgroundOpacity(double opacity)
{
    QColor color = nativeBackgroundColor();
    color.setAlphaF(float(std::clamp(opacity, 0.0, 1.0)));
    setNativeBackgroundColor(color);
    colorsChanged();
}

QColor TerminalView::effectiveNativeForegroundColor() const
{
    return m_terminal && m_terminal->reverseColors ? nativeBackgroundColor() : nativeForegroundColor();
}

QColor TerminalView::effectiveNativeBackgroundColor() const
{
    return m_terminal && m_terminal->reverseColors ? nativeForegroundColor() : nativeBackgroundColor();
}

void TerminalView::setCaretColor(const QColor& color)
{
    m_cursorColorIsDefault = false;
    m_caretColor = color;
    update();
}

void TerminalView::setCaretTextColor(const std::optional<QColor>& color)
{
    m_cursorTextColorIsDefault = !color;
    m_caretTextColor = color;
    update();
}

void TerminalView::setCursorColor(const std::optional<QColor>& color, const std::optional<QColor>& textColor)
{
    if (color) {
        setCaretColor(*color);
    } else {
        m_cursorColorIsDefault = true;
        m_caretColor = QColor();
    }
    setCaretTextColor(textColor);
}

QColor TerminalView::effectiveCaretColor() const
{
    return m_cursorColorIsDefault ? effectiveNativeForegroundColor() : m_caretColor;
}

QColor TerminalView::effectiveCaretTextColor() const
{
    if (m_cursorTextColorIsDefault)
        return effectiveNativeBackgroundColor();
    return m_caretTextColor.value_or(effectiveNativeForegroundColor());
}

void TerminalView::setUseBrightColors(bool on)
{
    m_useBrightColors = on;
    colorsChanged();
}

void TerminalView::setSelectedTextBackgroundColor(const QColor& color)
{
    m_selectedTextBackgroundColor = color;
    markFullScreenForRedraw();
}

void TerminalView::setSelectedTextForegroundColor(const QColor& color)
{
    m_selectedTextForegroundColor = color;
    markFullScreenForRedraw();
}

} // namespace zentrova
