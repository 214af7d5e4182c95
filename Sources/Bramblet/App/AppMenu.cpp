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
    // Where the keys work: in the workspace window; in the whole application, also while another of
    // its windows (the Operations window) is in front; or, for a line without an item, only while a
    // file pane has the focus (Qt::WidgetWithChildrenShortcut), so that the filter field, dialogs and
    // terminals keep the key.
    Qt::ShortcutContext context = Qt::WindowShortcut;
};

// The commands on the active side's folder or selection, and those that also take the other side's
// folder. A side showing its terminal sessions hides its file pane, and these have nothing to act on
// there: they are disabled until the pane shows again.
enum class FilesNeeded { activeSide, bothSides };

std::optional<FilesNeeded> filesNeeded(const QString& title)
{
    using enum FilesNeeded;
    static const QHash<QString, FilesNeeded> commands {
        { QStringLiteral("Choose Folder\u2026"), activeSide },
        { QStringLiteral("Go to Folder\u2026"), activeSide },
        { QStringLiteral("New Folder\u2026"), activeSide },
        { QStringLiteral("Open Selection"), activeSide },
        { QStringLiteral("Parent Folder"), activeSide },
        { QStringLiteral("Rename\u2026"), activeSide },
        { QStringLiteral("Batch Rename\u2026"), activeSide },
        { QStringLiteral("Set Tag\u2026"), activeSide },
        { QStringLiteral("Move to Trash\u2026"), activeSide },
        { QStringLiteral("Move Copied Items Here"), activeSide },
        { QStringLiteral("Select by Pattern\u2026"), activeSide },
        { QStringLiteral("Select by Kind\u2026"), activeSide },
        { QStringLiteral("Select by Tag\u2026"), activeSide },
        { QStringLiteral("Refresh"), activeSide },
        { QStringLiteral("Quick Look"), activeSide },
        { QStringLiteral("Compare Selected Files"), activeSide },
        { QStringLiteral("Back"), activeSide },
        { QStringLiteral("Forward"), activeSide },
        { QStringLiteral("Next Tab"), activeSide },
        { QStringLiteral("Previous Tab"), activeSide },
        { QStringLiteral("Copy to Other Pane\u2026"), bothSides },
        { QStringLiteral("Move to Other Pane\u2026"), bothSides },
        { QStringLiteral("Compare & Sync to Other Pane\u2026"), bothSides },
    };
    const auto found = commands.find(title);
    if (found == commands.end())
        return std::nullopt;
    return *found;
}

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
        { "Bramblet", "Check for Updates\u2026", {}, {}, [this] { checkForUpdates(); }, Qt::ApplicationShortcut },
        { "Bramblet", "Settings\u2026", K(Qt::CTRL | Qt::Key_Comma), {}, [this] { showSettings(); }, Qt::ApplicationShortcut },
        { "Bramblet", nullptr, {}, {}, {} },
        // The desktop has no hiding of a whole application; its window is minimised instead.
        { "Bramblet", "Hide Bramblet", {}, {}, [window] { window->showMinimized(); } },
        { "Bramblet", "Quit Bramblet", K(Qt::CTRL | Qt::Key_Q), {}, [this] { terminate(); }, Qt::ApplicationShortcut },

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
        { "Operations", "Show Operations", K(Qt::CTRL | Qt::Key_J), {}, [w] { w->showOperations(); }, Qt::ApplicationShortcut },
        { "Operations", "Show Drop Stack", {}, {}, [w] { w->showDropStack(); } },
        { "Operations", "Compare Selected Files", {}, {}, [w] { w->compareSelected(); } },
        { "Operations", "Share\u2026", {}, {}, [w] { w->shareSelected(); } },
        { "Operations", "Cancel Pending Items", {}, {}, [w] { w->cancelOperations(); } },

        // Keys of the desktop's file managers for commands that have no menu item.
        { nullptr, "Back", K(Qt::ALT | Qt::Key_Left), {}, [pane] { pane()->back(); } },
        { nullptr, "Forward", K(Qt::ALT | Qt::Key_Right), {}, [pane] { pane()->forward(); } },
        { nullptr, "Next Tab", K(Qt::CTRL | Qt::Key_Tab), {}, [pane] { pane()->cycleTab(1); } },
        { nullptr, "Previous Tab", K(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), {}, [pane] { pane()->cycleTab(-1); } },
        { nullptr, "Other Pane", K(Qt::Key_Tab), {}, [w] { w->focusSide(1 - w->activeIndex()); },
          Qt::WidgetWithChildrenShortcut },
        // The desktop's key for the menu bar: its first menu opens.
        { nullptr, "Open Menu", K(Qt::Key_F10), {}, [this] { m_menuBar->setActiveAction(m_menuBar->actions().value(0)); } },
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
            // Alt and the title's first letter open the menu.
            if (!menu)
                menu = m_menuBar->addMenu(u'&' + menuTitle);
            if (!line.title) {
                menu->addSeparator();
                continue;
            }
            action = menu->addAction(title);
        } else if (line.context == Qt::WidgetWithChildrenShortcut) {
            action = new QAction(title, window);
            for (QWidget* pane : { static_cast<QWidget*>(w->left()), static_cast<QWidget*>(w->right()) })
                pane->addAction(action);
        } else {
            action = new QAction(title, window);
            window->addAction(action);
        }
        QList<QKeySequence> keys;
        if (!line.key.isEmpty())
            keys.append(line.key);
        keys += line.secondKeys;
        action->setShortcuts(keys);
        action->setShortcutContext(line.context);
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
        else if (const auto needs = filesNeeded(QString::fromUtf8(line.title)))
            m_fileItems.append({ action, *needs == FilesNeeded::bothSides });
    }
    window->setMenuBar(m_menuBar);

    // The Edit items follow the focused widget: on a focus change, and when the Edit menu opens,
    // since typing changes what a field can undo without moving the focus; a focused terminal also
    // tells when its selection changes, and a side switching between its files and its terminal, or
    // the other side becoming the active one, changes which file commands apply. The delegate's
    // destructor ends these connections before the window, whose deletion moves the focus, goes.
    m_focusChange = connect(qApp, &QApplication::focusChanged, this, &AppDelegate::updateTextEditItems);
    m_workspaceRefresh = connect(w, &WorkspaceController::refreshed, this, &AppDelegate::updateTextEditItems);
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
    const bool activeFiles = m_workspace->showsFiles(m_workspace->activeIndex());
    m_undoAction->setEnabled(state.canUndo);
    m_cutAction->setEnabled(state.canCut);
    // A field (the find bar's among them) takes the Edit commands before a terminal does.
    zentrova::TerminalView* terminal = state.isText ? nullptr : focusedTerminal();
    for (const auto& [action, command] : m_terminalItems) {
        const bool find = command.action == u"performFindPanelAction:";
        // Outside a terminal the Edit commands go to fields, else to files the active side shows; the
        // find commands only run in a terminal, its find bar included.
        if (terminal)
            action->setEnabled(terminal->validateUserInterfaceItem(command));
        else if (state.isText)
            action->setEnabled(!find || focusedTerminal());
        else
            action->setEnabled(!find && activeFiles);
    }
    for (const auto& [action, bothSides] : m_fileItems)
        action->setEnabled(activeFiles && (!bothSides || m_workspace->showsFiles(1 - m_workspace->activeIndex())));
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
