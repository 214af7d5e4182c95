#pragma once

#include "Bramblet/Theme/ColorView.h"

#include <filesystem>
#include <functional>

namespace bramblet {

class ActivatableStack;
class PaneController;

// One side of the workspace window: a container around the side's file pane with a rule along
// its top edge that shows whether the side is the active one, and a header with the pane's tab
// buttons. The workspace talks to a side only through this container, so the side can later
// switch its content area to terminal sessions without the workspace being rewired. Main thread
// only.
class TerminalPaneController : public ColorView {
    Q_OBJECT

public:
    // `files` becomes a child of the container.
    explicit TerminalPaneController(PaneController* files, QWidget* parent = nullptr);

    PaneController* files() const { return m_files; }

    // Recolours the rule: amber while active, the border colour otherwise.
    bool isActive() const { return m_isActive; }
    void setActive(bool active);

    // Fired whenever the side takes part in a user action (a click on its header).
    std::function<void()> activated;

    // Gives the keyboard focus to what the side shows: its file pane.
    void focus();

    // Opens a terminal session in `directory`. The side has no terminal sessions yet, so this
    // does nothing until it does.
    void open(const std::filesystem::path& directory);
    // Shows the side's file pane (the side's only content so far).
    void showFiles();

    ColorView* activeRule() const { return m_activeRule; }
    ActivatableStack* header() const { return m_header; }

private:
    PaneController* m_files;
    ColorView* m_activeRule;
    ActivatableStack* m_header;
    bool m_isActive = false;
};

} // namespace bramblet
