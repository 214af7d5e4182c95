#pragma once

#include "ZentrovaView/FontSet.h"

#include <QColor>

#include <cstdint>
#include <optional>
#include <string_view>

namespace zentrova {

// Underline styles as the platform text engine numbers them: a line style in the low byte, a dash
// pattern above it. The underline and strike-through geometry works from these numbers.
inline constexpr int platformUnderlineSingle = 1;
inline constexpr int platformUnderlineDouble = 9;
inline constexpr int platformUnderlinePatternDot = 256;
inline constexpr int platformUnderlinePatternDash = 512;
inline constexpr int platformUnderlineDotted = platformUnderlineSingle | platformUnderlinePatternDot;
inline constexpr int platformUnderlineDashed = platformUnderlineSingle | platformUnderlinePatternDash;

// The name under which a run carries the cell's own underline style (`underlineStyle` raw value), which
// tells a curly underline from a single one where the platform number cannot.
inline constexpr std::string_view ZentrovaUnderlineStyleKey = "ZentrovaUnderlineStyle";

// How a run of cells is drawn: what the row layout and the GPU renderer read for every cell. The
// selection background (`selectionBackgroundColorKey`) and the direction override are set by the row
// layout on its own copies; cached styles never carry them.
struct CellStyle {
    FontVariant font = FontVariant::normal;
    QColor foreground;
    QColor background;
    std::optional<QColor> selectionBackground;
    // 0 without an underline, else one of the platformUnderline numbers.
    int underlineStyle = 0;
    std::optional<QColor> underlineColor;
    // Under ZentrovaUnderlineStyleKey: the raw `UnderlineStyle` (5, dashed, on link cells).
    std::optional<uint8_t> zentrovaUnderlineStyle;
    // 0 or 1 (single).
    int strikethroughStyle = 0;
    std::optional<QColor> strikethroughColor;
    std::optional<Qt::LayoutDirection> directionOverride;

    bool operator==(const CellStyle&) const = default;
};

} // namespace zentrova
