#pragma once

#include "BrambletCore/Models/EnumStrings.h"

#include <array>

namespace bramblet {

// How a pane shows a folder.
enum class PaneMode {
    list,
    grid,
    tree,
};

inline constexpr std::array allPaneModes { PaneMode::list, PaneMode::grid, PaneMode::tree };

QString toString(PaneMode mode);

template <>
std::optional<PaneMode> fromString<PaneMode>(const QString& text);

} // namespace bramblet
