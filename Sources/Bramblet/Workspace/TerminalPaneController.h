#pragma once

#include "Bramblet/Theme/ColorView.h"
#include "Bramblet/Workspace/TabStrip.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

class QButtonGroup;
class QComboBox;
class QToolButton;

namespace zentrova {
class TerminalView;
}

namespace bramblet {

class ActivatableStack;
class DialogPresenter;
class PaneController;
class TerminalSession;
class ThemedLabel;

// One side of the workspace window: a container around the side's file pane with a rule along
// its top edge that shows whether the side is the active one, and a header that switches the
// side's content area between the file pane and the side's terminal sessions. The workspace talks
// to a side only through this container. Main thread only.
class TerminalPaneController : public ColorView {
    Q_OBJECT

public:
    enum Mode { filesMode = 0, terminalMode = 1 };

    // `files` becomes a child of the container.
    explicit TerminalPaneController(PaneController* files, QWidget* parent = nullptr);
    ~TerminalPaneController() override;

    PaneController* files() const { return m_files; }

    // Recolours the rule: amber while active, the border colour otherwise.
    bool isActive() const { return m_isActive; }
    void setActive(bool active);

    // Fired whenever the side takes focus or part in a user action.
    std::function<void()> activated;

    // Closing a running session asks through `dialogs` (not owned; it outlives the container).
    // Without it, or while the container is in no window, a session closes without asking.
    void setDialogs(DialogPresenter* dialogs) { m_dialogs = dialogs; }

    // The side's sessions in creation order, and the current one (none without sessions).
    const std::vector<std::unique_ptr<TerminalSession>>& sessions() const { return m_sessions; }
    TerminalSession* current() const;
    // The current session's terminal view while the side shows it and it has the keyboard focus.
    zentrova::TerminalView* focusedTerminal() const;
    Mode mode() const;

    // Gives the keyboard focus to what the side shows.
    void focus();
    // Fires `activated`, then focuses the current session's terminal view.
    void focusTerminal();

    // Opens and shows a new session in `directory`; nothing when it is not an existing folder.
    void open(const std::filesystem::path& directory);
    // Shows the side's file pane.
    void showFiles();

    // The controls' actions.
    void changePaneMode(int mode);
    void changeSession(int index);
    void newSession();
    // Asks first while the current session's shell runs.
    void closeSession();

    // The header's tabs follow the file pane's tabs.
    void updateTabStrip();

    ColorView* activeRule() const { return m_activeRule; }
    ActivatableStack* header() const { return m_header; }
    QToolButton* modeButton(Mode mode) const;
    QTabBar* tabStrip() const { return m_tabStrip; }
    ColorView* terminalRegion() const { return m_terminalRegion; }
    QComboBox* picker() const { return m_picker; }
    ThemedLabel* status() const { return m_status; }
    ThemedLabel* path() const { return m_path; }
    QToolButton* newSessionButton() const { return m_newSessionButton; }
    QToolButton* closeSessionButton() const { return m_closeSessionButton; }

private:
    QWidget* makeHeader();
    QWidget* makeTerminalColumn();
    void presentSession();
    void updateChrome();
    void remove(TerminalSession* session);
    std::filesystem::path activeTabFolder() const;
    void fireActivated();

    PaneController* m_files;
    QButtonGroup* m_mode;
    ColorView* m_terminalRegion;
    QWidget* m_host;
    QComboBox* m_picker;
    ThemedLabel* m_status;
    ThemedLabel* m_path;
    ColorView* m_activeRule;
    ActivatableStack* m_header = nullptr;
    TabStrip* m_tabStrip;
    QToolButton* m_newSessionButton = nullptr;
    QToolButton* m_closeSessionButton = nullptr;
    DialogPresenter* m_dialogs = nullptr;
    std::vector<std::unique_ptr<TerminalSession>> m_sessions;
    int m_selected = 0;
    bool m_isActive = false;
};

} // namespace bramblet
