#include "Bramblet/Workspace/WorkspaceController.h"

#include "Bramblet/Inspector/InspectorController.h"
#include "Bramblet/Theme/StackView.h" // InspectorController.h needs the complete type
#include "Bramblet/Inspector/ThemedLabel.h"
#include "Bramblet/Pane/PaneController.h"
#include "Bramblet/Sidebar/SidebarController.h"
#include "Bramblet/Theme/Theme.h"
#include "Bramblet/Theme/ToolbarAccentButton.h"
#include "Bramblet/Workspace/QuickLookPanel.h"
#include "Bramblet/Workspace/TerminalPaneController.h"
#include "Bramblet/Workspace/WorkspaceSplitter.h"
#include "Bramblet/Workspace/WorkspaceWindow.h"

#include <QLineEdit>
#include <QLocale>
#include <QTimer>

namespace bramblet {

namespace {

constexpr int sidebarItem = 0;
constexpr int inspectorItem = 3;
// Narrower than this, the window has no room for the inspector.
constexpr int inspectorMinimumWindowWidth = 1200;

void setFilterText(QLineEdit* field, const QString& text)
{
    // Writing the same text again would move the user's cursor.
    if (field->text() != text)
        field->setText(text);
}

} // namespace

QString WorkspaceController::activeTabPath() const
{
    return activePane()->activeTab().path;
}

void WorkspaceController::activatePane(int index)
{
    m_activeIndex = index;
    m_leftContent->setActive(index == 0);
    m_rightContent->setActive(index == 1);
    setFilterText(m_filter, activePane()->activeTab().filter);
    scheduleUpdate();
}

void WorkspaceController::scheduleUpdate()
{
    if (m_updateScheduled)
        return;
    m_updateScheduled = true;
    // Queued with the controller as context: it does not run once the controller is gone.
    QTimer::singleShot(0, this, &WorkspaceController::refreshChrome);
}

void WorkspaceController::refreshChrome()
{
    m_updateScheduled = false;
    auto* pane = activePane();
    const QString path = activeTabPath();
    const auto selected = pane->selected();
    m_sidebar->select(path);
    m_inspector->update(selected, path);
    m_statusLabel->setFullText(
        QStringLiteral("%1  \u00b7  %2 selected").arg(path, QLocale().toString(selected.size())));
    // A side showing its terminal sessions hides its file pane: no file command is armed for the
    // selection or the folder behind the terminal, nor sends anything into the other side's.
    const bool activeFiles = showsFiles(m_activeIndex);
    const bool bothFiles = activeFiles && showsFiles(1 - m_activeIndex);
    m_selectionButtons[0]->setEnabled(!selected.isEmpty() && bothFiles);
    m_selectionButtons[1]->setEnabled(!selected.isEmpty() && bothFiles);
    m_selectionButtons[2]->setEnabled(!selected.isEmpty() && activeFiles);
    for (const char* command : { "chooseFolder", "refresh", "newFolder" })
        m_toolbarButtons.value(QString::fromUtf8(command))->setEnabled(activeFiles);
    for (auto* side : { m_leftContent, m_rightContent })
        side->updateTabStrip();
    updateStackButton();
    updateToolbarToggleAppearance();
    setFilterText(m_filter, pane->activeTab().filter);
    // An open preview follows the selection.
    if (m_quickLook && m_quickLook->isVisible() && !selected.isEmpty())
        preview(selected);
    save();
    emit refreshed();
}

void WorkspaceController::updateStackButton()
{
    const auto count = m_dropStack.size();
    m_selectionButtons[3]->setText(count == 0 ? QStringLiteral("Stack")
                                              : QStringLiteral("Stack \u00b7 %1").arg(count));
}

void WorkspaceController::updateToolbarToggleAppearance()
{
    const auto style = [this](const char* command, bool on) {
        auto* button = static_cast<ToolbarAccentButton*>(m_toolbarButtons.value(QString::fromUtf8(command)));
        button->setChecked(on);
        // The button recomputes its look when its accent is set, not when its state changes.
        button->setAccentColor(button->accentColor());
    };
    style("toggleSidebar", !m_split->isCollapsed(sidebarItem));
    style("toggleHidden", m_showHidden);
    style("toggleInspector", !m_split->isCollapsed(inspectorItem));
}

void WorkspaceController::toggleHidden()
{
    m_showHidden = !m_showHidden;
    for (auto* pane : { m_left, m_right }) {
        pane->setShowHidden(m_showHidden);
        pane->applyFilter();
    }
    updateToolbarToggleAppearance();
    scheduleUpdate();
}

void WorkspaceController::toggleSidebar()
{
    m_manualSidebarHidden = !m_split->isCollapsed(sidebarItem);
    m_split->setCollapsed(sidebarItem, m_manualSidebarHidden);
    updateToolbarToggleAppearance();
}

void WorkspaceController::toggleInspector()
{
    // The recorded choice flips, whatever the window shows: a narrow window has the inspector
    // collapsed already, and the first toggle there only records that the user wants it hidden.
    m_manualInspectorHidden = !m_manualInspectorHidden;
    m_split->setCollapsed(inspectorItem, m_manualInspectorHidden);
    if (!m_manualInspectorHidden)
        m_inspector->update(activePane()->selected(), activeTabPath());
    updateToolbarToggleAppearance();
}

void WorkspaceController::controlTextDidChange()
{
    activePane()->setFilter(m_filter->text());
}

void WorkspaceController::focusFilter()
{
    m_filter->setFocus(Qt::ShortcutFocusReason);
}

void WorkspaceController::rebuildSidebar()
{
    m_sidebar->reload(m_favorites, activeTabPath());
}

void WorkspaceController::windowDidResize()
{
    m_split->setCollapsed(inspectorItem,
                          m_window->width() < inspectorMinimumWindowWidth || m_manualInspectorHidden);
    m_split->setCollapsed(sidebarItem, m_manualSidebarHidden);
}

} // namespace bramblet
