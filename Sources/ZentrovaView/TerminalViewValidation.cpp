// Which menu commands the view carries out now: the menu asks before showing its items.

#include "ZentrovaView/TerminalView.h"

#include "Zentrova/Text/SelectionService.h"

#include <algorithm>
#include <cstdio>

namespace zentrova {

bool TerminalView::validateUserInterfaceItem(const UserInterfaceItem& item) const
{
    const bool selected = m_selection && m_selection->active();
    const auto findTag = [&](std::initializer_list<int> enabled) {
        if (item.tag == FindCommandTag::useSelectionForFind)
            return selected;
        return std::find(enabled.begin(), enabled.end(), item.tag) != enabled.end();
    };
    if (item.action == u"performFindPanelAction:")
        return findTag({ 1, 2, 3 });
    if (item.action == u"performTextFinderAction:")
        return findTag({ 1, 2, 3, 11, 12, 13 });
    if (item.action == u"paste:" || item.action == u"selectAll:")
        return true;
    if (item.action == u"copy:")
        return selected;
    // A command the view was never meant to get: worth seeing while developing the menus.
    std::printf("Validating User Interface Item: %s (tag %d)\n", qPrintable(item.action), item.tag);
    std::fflush(stdout);
    return false;
}

} // namespace zentrova
