#include "ZentrovaView/TerminalAccessibleInterface.h"

#include "Zentrova/Text/SelectionService.h"
#include "ZentrovaView/AccessibleScreenText.h"
#include "ZentrovaView/TerminalView.h"

#include <mutex>

namespace zentrova {

namespace {

QAccessibleInterface* makeTerminalInterface(const QString& className, QObject* object)
{
    if (className == QLatin1String(TerminalView::staticMetaObject.className()) && object && object->isWidgetType())
        return new TerminalAccessibleInterface(static_cast<TerminalView*>(object));
    return nullptr;
}

} // namespace

TerminalAccessibleInterface::TerminalAccessibleInterface(TerminalView* view)
    : QAccessibleWidget(view, QAccessible::Terminal)
{
}

void TerminalAccessibleInterface::installFactory()
{
    static std::once_flag once;
    std::call_once(once, [] { QAccessible::installFactory(makeTerminalInterface); });
}

TerminalView& TerminalAccessibleInterface::view() const
{
    return *static_cast<TerminalView*>(widget());
}

AccessibleScreenText TerminalAccessibleInterface::screen() const
{
    return AccessibleScreenText::capture(view().terminal());
}

void* TerminalAccessibleInterface::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessible::State TerminalAccessibleInterface::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.multiLine = true;
    state.selectableText = true;
    return state;
}

QString TerminalAccessibleInterface::text(QAccessible::Text type) const
{
    if (type == QAccessible::Value)
        return screen().text();
    return QAccessibleWidget::text(type);
}

void TerminalAccessibleInterface::selection(int selectionIndex, int* startOffset, int* endOffset) const
{
    *startOffset = *endOffset = 0;
    const auto& selection = view().selection();
    if (selectionIndex != 0 || !selection)
        return;
    if (const auto range = screen().selectedRange(*selection)) {
        *startOffset = range->first;
        *endOffset = range->second;
    }
}

int TerminalAccessibleInterface::selectionCount() const
{
    const auto& selection = view().selection();
    return selection && screen().selectedRange(*selection) ? 1 : 0;
}

void TerminalAccessibleInterface::addSelection(int startOffset, int endOffset)
{
    setSelection(0, startOffset, endOffset);
}

void TerminalAccessibleInterface::removeSelection(int selectionIndex)
{
    const auto& selection = view().selection();
    if (selectionIndex == 0 && selection && selection->active()) {
        selection->selectNone();
        view().update();
    }
}

void TerminalAccessibleInterface::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (selectionIndex != 0)
        return;
    TerminalView& terminalView = view();
    if (!terminalView.selection())
        terminalView.setSelection(std::make_shared<SelectionService>(terminalView.terminal()));
    const AccessibleScreenText shown = screen();
    const auto [startCol, startRow] = shown.cellAt(std::min(startOffset, endOffset));
    const auto [endCol, endRow] = shown.cellAt(std::max(startOffset, endOffset));
    terminalView.selection()->setSelection({ startCol, shown.topRow() + startRow }, { endCol, shown.topRow() + endRow });
    terminalView.update();
}

int TerminalAccessibleInterface::cursorPosition() const
{
    return screen().cursorOffset();
}

QString TerminalAccessibleInterface::text(int startOffset, int endOffset) const
{
    const QString shown = screen().text();
    startOffset = std::clamp(startOffset, 0, int(shown.size()));
    endOffset = std::clamp(endOffset, startOffset, int(shown.size()));
    return shown.mid(startOffset, endOffset - startOffset);
}

int TerminalAccessibleInterface::characterCount() const
{
    return int(screen().text().size());
}

QRect TerminalAccessibleInterface::characterRect(int offset) const
{
    const AccessibleScreenText shown = screen();
    if (offset < 0 || offset >= int(shown.text().size()))
        return {};
    const auto [col, row] = shown.cellAt(offset);
    const QRect local = view().cellGeometry().cellRect(col, row).toAlignedRect();
    return QRect(view().mapToGlobal(local.topLeft()), local.size());
}

int TerminalAccessibleInterface::offsetAtPoint(const QPoint& point) const
{
    const QPoint local = view().mapFromGlobal(point);
    if (!view().rect().contains(local))
        return -1;
    const QPoint cell = view().cellGeometry().cellAt(local);
    return screen().offsetOf(cell.y(), cell.x());
}

QString TerminalAccessibleInterface::attributes(int offset, int* startOffset, int* endOffset) const
{
    // The cells' colours and styles are not offered: the whole text is one run without attributes.
    Q_UNUSED(offset);
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}

} // namespace zentrova
