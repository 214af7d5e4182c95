#pragma once

#include <QString>

namespace zentrova {

// A command a menu item or button sends, as a view validates it: the action's name ("copy:",
// "performFindPanelAction:") and the item's tag, which picks the variant of a find command.
struct UserInterfaceItem {
    QString action;
    int tag = 0;
};

// The tags of the find commands.
namespace FindCommandTag {
inline constexpr int showFindBar = 1;
inline constexpr int findNext = 2;
inline constexpr int findPrevious = 3;
inline constexpr int useSelectionForFind = 7;
inline constexpr int hideFindBar = 11;
} // namespace FindCommandTag

} // namespace zentrova
