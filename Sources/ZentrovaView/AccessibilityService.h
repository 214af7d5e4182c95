#pragma once

#include <QString>

#include <optional>
#include <utility>

namespace zentrova {

class AccessibleScreenText;
class TerminalView;

// Tells assistive technologies what changed in a terminal view: the text on screen, as one update
// from the first to the last changed character, and the selection. It runs with the view's paced
// redraw, so bulk output makes at most one notice a frame, and does nothing while no assistive
// technology listens.
class AccessibilityService {
public:
    // Makes sure Qt builds the view's accessible interface.
    AccessibilityService();

    // After a redraw: the text's change since the last notice, then the selection's.
    void postChanges(TerminalView& view);
    void postSelectionChange(TerminalView& view);

private:
    void postSelection(TerminalView& view, const AccessibleScreenText& screen);

    QString m_text;
    std::optional<std::pair<int, int>> m_selection;
};

} // namespace zentrova
