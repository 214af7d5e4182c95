#include "ZentrovaView/AccessibilityService.h"

#include "ZentrovaView/AccessibleScreenText.h"
#include "ZentrovaView/TerminalAccessibleInterface.h"
#include "ZentrovaView/TerminalView.h"

#include <QAccessible>

#include <algorithm>
#include <atomic>

namespace zentrova {

namespace {

// Whether an assistive technology listens. The platform's accessibility bridge announces it through
// Qt's activation observers when a screen reader starts or stops listening.
class ListeningObserver : public QAccessible::ActivationObserver {
public:
    void accessibilityActiveChanged(bool active) override { listening = active; }

    std::atomic<bool> listening { QAccessible::isActive() };
};

bool assistiveTechnologyListens()
{
    // Never destroyed: Qt keeps the observer until the process ends.
    static ListeningObserver* const observer = [] {
        auto* made = new ListeningObserver;
        QAccessible::installActivationObserver(made);
        return made;
    }();
    return observer->listening;
}

} // namespace

AccessibilityService::AccessibilityService()
{
    TerminalAccessibleInterface::installFactory();
    assistiveTechnologyListens();
}

void AccessibilityService::postChanges(TerminalView& view)
{
    if (!assistiveTechnologyListens())
        return;
    const AccessibleScreenText screen = AccessibleScreenText::capture(view.terminal());
    const QString& text = screen.text();
    if (text != m_text) {
        const qsizetype shorter = std::min(text.size(), m_text.size());
        qsizetype prefix = 0;
        while (prefix < shorter && text[prefix] == m_text[prefix])
            prefix++;
        qsizetype suffix = 0;
        while (suffix < shorter - prefix && text[text.size() - 1 - suffix] == m_text[m_text.size() - 1 - suffix])
            suffix++;
        QAccessibleTextUpdateEvent event(&view, int(prefix), m_text.mid(prefix, m_text.size() - prefix - suffix),
                                         text.mid(prefix, text.size() - prefix - suffix));
        m_text = text;
        QAccessible::updateAccessibility(&event);
    }
    postSelection(view, screen);
}

void AccessibilityService::postSelectionChange(TerminalView& view)
{
    if (assistiveTechnologyListens())
        postSelection(view, AccessibleScreenText::capture(view.terminal()));
}

void AccessibilityService::postSelection(TerminalView& view, const AccessibleScreenText& screen)
{
    std::optional<std::pair<int, int>> range;
    if (const auto& selection = view.selection())
        range = screen.selectedRange(*selection);
    if (range == m_selection)
        return;
    m_selection = range;
    QAccessibleTextSelectionEvent event(&view, range ? range->first : -1, range ? range->second : -1);
    QAccessible::updateAccessibility(&event);
}

} // namespace zentrova
