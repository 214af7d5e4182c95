#include "Bramblet/Pane/PaneController.h"

#include "Bramblet/Pane/ModeControl.h"
#include "Bramblet/Theme/FileTable.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QScrollBar>

namespace bramblet {

namespace {

// The folder as the tab records it: "." and ".." resolved by name, no trailing separator.
QString standardizedPath(const std::filesystem::path& folder)
{
    std::filesystem::path normal = folder.lexically_normal();
    if (normal.has_relative_path() && !normal.has_filename())
        normal = normal.parent_path();
    return pathString(normal);
}

} // namespace

void PaneController::navigate(const std::filesystem::path& folder)
{
    saveScroll();
    currentTab().navigate(standardizedPath(folder));
    refresh();
}

void PaneController::back()
{
    fire(activated);
    saveScroll();
    currentTab().goBack();
    refresh();
}

void PaneController::forward()
{
    fire(activated);
    saveScroll();
    currentTab().goForward();
    refresh();
}

void PaneController::goToParent()
{
    fire(activated);
    navigate(currentFolder().parent_path());
}

void PaneController::pathClicked(const QString& path)
{
    if (path.isEmpty())
        return;
    fire(activated);
    navigate(pathFromString(path));
}

void PaneController::addTab()
{
    fire(activated);
    saveScroll();
    m_tabs.append(TabSnapshot(activeTab().path, activeTab().mode));
    m_activeTabIndex = int(m_tabs.size()) - 1;
    refresh();
}

void PaneController::closeTab()
{
    if (m_tabs.size() < 2)
        return;
    fire(activated);
    m_tabs.removeAt(m_activeTabIndex);
    m_activeTabIndex = std::min(m_activeTabIndex, int(m_tabs.size()) - 1);
    refresh();
}

void PaneController::cycleTab(int step)
{
    if (m_tabs.size() < 2)
        return;
    fire(activated);
    saveScroll();
    const int count = int(m_tabs.size());
    m_activeTabIndex = ((m_activeTabIndex + step) % count + count) % count;
    refresh();
}

void PaneController::switchViewMode()
{
    fire(activated);
    const int segment = m_modeControl->selectedSegment();
    setMode(segment == 0 ? PaneMode::list : segment == 1 ? PaneMode::grid : PaneMode::tree);
}

void PaneController::setMode(PaneMode mode)
{
    saveScroll();
    currentTab().mode = mode;
    rebuildTree();
    // The tree's selection is put in place before the header counts it.
    restoreSelection();
    updateHeader();
    scheduleShownTiles();
    fire(changed);
}

void PaneController::saveScroll()
{
    // An offset still waiting for its rows is the one the tab had, not where the list stopped.
    currentTab().scroll = m_pendingScroll.value_or(activeScroll()->verticalScrollBar()->value());
}

void PaneController::focus()
{
    if (window()->isVisible())
        activeScroll()->setFocus(Qt::OtherFocusReason);
    fire(activated);
}

void PaneController::passKey(QKeyEvent* event)
{
    QKeyEvent copy(event->type(), event->key(), event->modifiers(), event->text(), event->isAutoRepeat(),
                   ushort(event->count()));
    QCoreApplication::sendEvent(activeScroll(), &copy);
}

} // namespace bramblet
