#include "Bramblet/App/AppDelegate.h"

#include "Bramblet/Pane/PaneController.h"
#include "Bramblet/Workspace/WorkspaceController.h"
#include "Bramblet/Workspace/WorkspaceWindow.h"
#include "ZentrovaView/TerminalView.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QTextEdit>

#include <functional>

namespace bramblet {

namespace {

// One line of the keyboard surface: an item of a menu (`menu` set) or a shortcut the window keeps
// without an item (`menu` null), with the key the menu shows and the keys Linux file managers
// use for the same command.
struct MenuLine {
    const char* menu;
    const char* title; // null: a separator
    QKeySequence key;
    QList<QKeySequence> secondKeys;
    std::function<void()> action;
    // Works while another window of the application (the Operations window) is in front.
    bool applicationWide = false;
};

// Runs `edit` on the focused text field or editor; false when the focus is in none. Asked before a
// focused terminal view, whose find bar has a field of its own.
template <typename Edit>
bool editFocusedText(Edit edit)
{
    QWidget* focus = QApplication::focusWidget();
    if (auto* field = qobject_cast<QLineEdit*>(focus))
        edit(field);
    else if (auto* editor = qobject_cast<QTextEdit*>(focus))
        edit(editor);
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(focus))
        edit(plain);
    else
        return false;
    return true;
}

// What the focused text offers: undo when it has something to undo, cut when it has a selection it
// may change. Anything else that has the focus offers neither.
struct TextEditState {
    bool isText = false;
    bool canUndo = false;
    bool canCut = false;
};

TextEditState focusedTextState()
{
    QWidget* focus = QApplication::focusWidget();
    if (auto* field = qobject_cast<QLineEdit*>(focus))
        return { true, field->isUndoAvailable(), field->hasSelectedText() && !field->isReadOnly() };
    if (auto* editor = qobject_cast<QTextEdit*>(focus))
        return { true, editor->document()->isUndoAvailable(), editor->textCursor().hasSelection() && !editor->isReadOnly() };
    if (auto* plain = qobject_cast<QPlainTextEdit*>(focus))
        return { true, plain->document()->isUndoAvailable(), plain->textCursor().hasSelection() && !plain->isReadOnly() };
    return {};
}

} // namespace

void AppDelegate::makeMenu()
{
    WorkspaceController* w = m_workspace.get();
    auto* window = w->window();
    using K = QKeySequence;
    const auto pane = [w] { return w->activePane(); };
    const MenuLine lines[] = {
        { "Bramblet", "About Bramblet", {}, {}, [this] { showAbout(); } },
        { "Bramblet", "Check for Updates\u2026", {}, {}, [this] { checkForUpdates(); }, true },
        { "Bramblet", "Settings\u2026", K(Qt::CTRL | Qt::Key_Comma), {}, [this] { showSettings(); }, true },
        { "Bramblet", nullptr, {}, {}, {} },
        // The desktop has no hiding of a whole application; its window is minimised instead.
        { "Bramblet", "Hide Bramblet", {}, {}, [window] { window->showMinimized(); } },
        { "Bramblet", "Quit Bramblet", K(Qt::CTRL | Qt::Key_Q), {}, [this] { terminate(); }, true },

        { "File", "Choose Folder\u2026", K(Qt::CTRL | Qt::Key_O), {}, [w] { w->chooseFolder(); } },
        { "File", "Go to Folder\u2026", K(Qt::CTRL | Qt::Key_L), {}, [w] { w->enterPath(); } },
        { "File", "New Folder\u2026", K(Qt::CTRL | Qt::SHIFT | Qt::Key_N), {}, [w] { w->newFolder(); } },
        { "File", "New Tab", K(Qt::CTRL | Qt::Key_T), {}, [w] { w->newTab(); } },
        // Closes a tab, never the window.
        { "File", "Close Tab", K(Qt::CTRL | Qt::Key_W), {}, [w] { w->closeTab(); } },
        { "File", nullptr, {}, {}, {} },
        { "File", "Open Selection", K(Qt::CTRL | Qt::Key_Down), {}, [w] { w->openSelection(); } },
        { "File", "Parent Folder", K(Qt::CTRL | Qt::Key_Up), { K(Qt::Key_Backspace), K(Qt::ALT | Qt::Key_Up) },
          [w] { w->parentFolder(); } },
        { "File", "Rename\u2026", K(Qt::Key_F2), {}, [w] { w->rename(); } },
        { "File", "Batch Rename\u2026", {}, {}, [w] { w->batchRename(); } },
        { "File", "Set Tag\u2026", {}, {}, [w] { w->manageTags(); } },
        { "File", "Move to Trash\u2026", K(Qt::Key_Delete), { K(Qt::CTRL | Qt::Key_Backspace) }, [w] { w->trashSelection(); } },

        { "Edit", "Undo", K(Qt::CTRL | Qt::Key_Z), {}, [this] { undo(); } },
        { "Edit", "Cut", K(Qt::CTRL | Qt::Key_X), {}, [this] { cut(); } },
        // A focused terminal leaves Ctrl+C and Ctrl+V to its program and copies and pastes with Shift.
        { "Edit", "Copy", K(Qt::CTRL | Qt::Key_C), { K(Qt::CTRL | Qt::SHIFT | Qt::Key_C) }, [this] { copy(); } },
        { "Edit", "Paste", K(Qt::CTRL | Qt::Key_V), { K(Qt::CTRL | Qt::SHIFT | Qt::Key_V) }, [this] { paste(); } },
        { "Edit", "Move Copied Items Here", K(Qt::CTRL | Qt::ALT | Qt::Key_V), {}, [w] { w->pasteMoveFiles(); } },
        { "Edit", "Select All", K(Qt::CTRL | Qt::Key_A), {}, [this] { selectAll(); } },
        // Searching a focused terminal's text; the desktop's terminals use these keys.
        { "Edit", nullptr, {}, {}, {} },
        { "Edit", "Find\u2026", K(Qt::CTRL | Qt::SHIFT | Qt::Key_F), {}, [this] { terminalFind(zentrova::FindCommandTag::showFindBar); } },
        { "Edit", "Find Next", K(Qt::CTRL | Qt::SHIFT | Qt::Key_G), {}, [this] { terminalFind(zentrova::FindCommandTag::findNext); } },
        { "Edit", "Find Previous", K(Qt::CTRL | Qt::SHIFT | Qt::Key_H), {}, [this] { terminalFind(zentrova::FindCommandTag::findPrevious); } },
        { "Edit", "Use Selection for Find", {}, {}, [this] { terminalFind(zentrova::FindCommandTag::useSelectionForFind); } },

        { "View", "Filter This Folder", K(Qt::CTRL | Qt::Key_F), {}, [w] { w->focusFilter(); } },
        { "View", "Select by Pattern\u2026", {}, {}, [w] { w->selectByPattern(); } },
        { "View", "Select by Kind\u2026", {}, {}, [w] { w->selectByKind(); } },
        { "View", "Select by Tag\u2026", {}, {}, [w] { w->selectByTag(); } },
        { "View", "Refresh", K(Qt::CTRL | Qt::Key_R), { K(Qt::Key_F5) }, [w] { w->refresh(); } },
        { "View", "Show Hidden Files", K(Qt::CTRL | Qt::SHIFT | Qt::Key_Period), { K(Qt::CTRL | Qt::Key_H) },
          [w] { w->toggleHidden(); } },
        { "View", "Toggle Sidebar", K(Qt::CTRL | Qt::ALT | Qt::Key_S), {}, [w] { w->toggleSidebar(); } },
        { "View", "Toggle Inspector", K(Qt::CTRL | Qt::ALT | Qt::Key_I), {}, [w] { w->toggleInspector(); } },
        { "View", "Quick Look", K(Qt::CTRL | Qt::Key_Y), {}, [w] { w->showQuickLook(); } },

        { "Go", "Focus Left Pane", K(Qt::CTRL | Qt::ALT | Qt::Key_Left), {}, [w] { w->focusLeft(); } },
        { "Go", "Focus Right Pane", K(Qt::CTRL | Qt::ALT | Qt::Key_Right), {}, [w] { w->focusRight(); } },
        { "Go", "Add to Favorites", K(Qt::CTRL | Qt::Key_D), {}, [w] { w->addFavorite(); } },
        { "Go", "Connect to Server\u2026", {}, {}, [w] { w->connectToServer(); } },
        { "Go", "Connect to S3\u2026", {}, {}, [this] { showS3Settings(); } },
        { "Go", "Connect to TrueNAS\u2026", {}, {}, [this] { showTrueNASSettings(); } },
        { "Go", nullptr, {}, {}, {} },
        { "Go", "Save Workspace\u2026", {}, {}, [w] { w->saveWorkspace(); } },
        { "Go", "Load Workspace\u2026", {}, {}, [w] { w->loadWorkspace(); } },

        { "Operations", "Copy to Other Pane\u2026", {}, {}, [w] { w->copyToOther(); } },
        { "Operations", "Move to Other Pane\u2026", {}, {}, [w] { w->moveToOther(); } },
        { "Operations", "Compare & Sync to Other Pane\u2026", {}, {}, [w] { w->compareAndSync(); } },
        { "Operations", "Save Sync Configuration\u2026", {}, {}, [w] { w->saveSyncConfig(); } },
        { "Operations", "Run Saved Sync\u2026", {}, {}, [w] { w->runSyncConfig(); } },
        { "Operations", "Show Operations", K(Qt::CTRL | Qt::Key_J), {}, [w] { w->showOperations(); }, true },
        { "Operations", "Show Drop Stack", {}, {}, [w] { w->showDropStack(); } },
        { "Operations", "Compare Selected Files", {}, {}, [w] { w->compareSelected(); } },
        { "Operations", "Share\u2026", {}, {}, [w] { w->shareSelected(); } },
        { "Operations", "Cancel Pending Items", {}, {}, [w] { w->cancelOperations(); } },

        // Keys of the desktop's file managers for commands that have no menu item.
        { nullptr, "Back", K(Qt::ALT | Qt::Key_Left), {}, [pane] { pane()->back(); } },
        { nullptr, "Forward", K(Qt::ALT | Qt::Key_Right), {}, [pane] { pane()->forward(); } },
        { nullptr, "Next Tab", K(Qt::CTRL | Qt::Key_Tab), {}, [pane] { pane()->cycleTab(1); } },
        { nullptr, "Previous Tab", K(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), {}, [pane] { pane()->cycleTab(-1); } },
        { nullptr, "Other Pane", K(Qt::Key_Tab), {}, [w] { w->focusSide(1 - w->activeIndex()); } },
    };

    m_menuBar = new QMenuBar;
    QHash<QString, QMenu*> menus;
    for (const auto& line : lines) {
        QAction* action = nullptr;
        // "&" marks a mnemonic in a menu title; "Compare & Sync" shows its "&" as it stands.
        const QString title = QString::fromUtf8(line.title).replace(u'&', QStringLiteral("&&"));
        if (line.menu) {
            const QString menuTitle = QString::fromUtf8(line.menu);
            QMenu*& menu = menus[menuTitle];
            if (!menu)
                menu = m_menuBar->addMenu(menuTitle);
            if (!line.title) {
                menu->addSeparator();
                continue;
            }
            action = menu->addAction(title);
        } else {
            action = new QAction(title, window);
            window->addAction(action);
        }
        QList<QKeySequence> keys;
        if (!line.key.isEmpty())
            keys.append(line.key);
        keys += line.secondKeys;
        action->setShortcuts(keys);
        action->setShortcutContext(line.applicationWide ? Qt::ApplicationShortcut : Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, line.action);
        // Without a mail handler there is nothing to share with.
        if (action->text() == QStringLiteral("Share\u2026"))
            action->setEnabled(WorkspaceController::canShare());
        if (action->text() == QStringLiteral("Undo"))
            m_undoAction = action;
        else if (action->text() == QStringLiteral("Cut"))
            m_cutAction = action;
        else if (const auto command = terminalCommand(QString::fromUtf8(line.title)); command && line.menu)
            m_terminalItems.append({ action, *command });
    }
    window->setMenuBar(m_menuBar);

    // The Edit items follow the focused widget: on a focus change, and when the Edit menu opens,
    // since typing changes what a field can undo without moving the focus; a focused terminal also
    // tells when its selection changes. The delegate's destructor ends this connection before the
    // window, whose deletion moves the focus, goes.
    m_focusChange = connect(qApp, &QApplication::focusChanged, this, &AppDelegate::updateTextEditItems);
    connect(menus.value(QStringLiteral("Edit")), &QMenu::aboutToShow, this, &AppDelegate::updateTextEditItems);
    updateTextEditItems();
}

std::optional<zentrova::UserInterfaceItem> AppDelegate::terminalCommand(const QString& title)
{
    using zentrova::UserInterfaceItem;
    namespace Tag = zentrova::FindCommandTag;
    static const QHash<QString, UserInterfaceItem> commands {
        { QStringLiteral("Copy"), { QStringLiteral("copy:"), 0 } },
        { QStringLiteral("Paste"), { QStringLiteral("paste:"), 0 } },
        { QStringLiteral("Select All"), { QStringLiteral("selectAll:"), 0 } },
        { QStringLiteral("Find\u2026"), { QStringLiteral("performFindPanelAction:"), Tag::showFindBar } },
        { QStringLiteral("Find Next"), { QStringLiteral("performFindPanelAction:"), Tag::findNext } },
        { QStringLiteral("Find Previous"), { QStringLiteral("performFindPanelAction:"), Tag::findPrevious } },
        { QStringLiteral("Use Selection for Find"), { QStringLiteral("performFindPanelAction:"), Tag::useSelectionForFind } },
    };
    const auto found = commands.find(title);
    if (found == commands.end())
        return std::nullopt;
    return *found;
}

void AppDelegate::updateTextEditItems()
{
    const TextEditState state = focusedTextState();
    m_undoAction->setEnabled(state.canUndo);
    m_cutAction->setEnabled(state.canCut);
    // A field (the find bar's among them) takes the Edit commands before a terminal does.
    zentrova::TerminalView* terminal = state.isText ? nullptr : focusedTerminal();
    for (const auto& [action, command] : m_terminalItems) {
        const bool find = command.action == u"performFindPanelAction:";
        // Outside a terminal the Edit commands go to fields and files; the find commands only run in
        // a terminal, its find bar included.
        if (terminal)
            action->setEnabled(terminal->validateUserInterfaceItem(command));
        else
            action->setEnabled(!find || focusedTerminal());
    }
    disconnect(m_terminalMenuState);
    if (terminal)
        m_terminalMenuState = connect(terminal, &zentrova::TerminalView::menuStateChanged, this, &AppDelegate::updateTextEditItems);
}

void AppDelegate::terminalFind(int tag)
{
    if (auto* terminal = focusedTerminal())
        terminal->performFindPanelAction(tag);
}

zentrova::TerminalView* AppDelegate::focusedTerminal() const
{
    return m_workspace ? m_workspace->focusedTerminal() : nullptr;
}

void AppDelegate::copy()
{
    if (editFocusedText([](auto* text) { text->copy(); }))
        return;
    if (auto* terminal = focusedTerminal())
        terminal->copy();
    else if (m_workspace)
        m_workspace->copyFiles();
}

void AppDelegate::paste()
{
    if (editFocusedText([](auto* text) { text->paste(); }))
        return;
    if (auto* terminal = focusedTerminal())
        terminal->paste();
    else if (m_workspace)
        m_workspace->pasteFiles();
}

void AppDelegate::selectAll()
{
    if (editFocusedText([](auto* text) { text->selectAll(); }))
        return;
    if (auto* terminal = focusedTerminal())
        terminal->selectAll();
    else if (m_workspace)
        m_workspace->selectAllFiles();
}

void AppDelegate::undo()
{
    editFocusedText([](auto* text) { text->undo(); });
}

void AppDelegate::cut()
{
    editFocusedText([](auto* text) { text->cut(); });
}

} // namespace bramblet
