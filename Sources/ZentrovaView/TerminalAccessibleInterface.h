#pragma once

#include <QAccessibleWidget>

namespace zentrova {

class AccessibleScreenText;
class TerminalView;

// A terminal view as assistive technologies see it: a terminal whose text is the rows on screen, with
// the cursor as its caret and the view's selection as its one text selection.
class TerminalAccessibleInterface : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit TerminalAccessibleInterface(TerminalView* view);

    // Lets Qt make one of these for every terminal view (and its subclasses); once per process.
    static void installFactory();

    void* interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text type) const override;

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    // The cursor belongs to the program in the terminal; nothing outside it may move it.
    void setCursorPosition(int) override { }
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int, int) override { }
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

private:
    TerminalView& view() const;
    AccessibleScreenText screen() const;
};

} // namespace zentrova
