// Keys pressed in the workspace window as the program builds it: what a focused terminal takes for its
// child, what the file panes still do with the same keys, and the window's own keys (menus, Tab).

#include "Bramblet/App/AppDelegate.h"

#include "Bramblet/Pane/PaneController.h"
#include "Bramblet/Theme/FileTable.h"
#include "Bramblet/Workspace/AlertDialog.h"
#include "Bramblet/Workspace/EmbeddedTerminalView.h"
#include "Bramblet/Workspace/TerminalPaneController.h"
#include "Bramblet/Workspace/TerminalSession.h"
#include "Bramblet/Workspace/WorkspaceController.h"
#include "Bramblet/Workspace/WorkspaceWindow.h"
#include "Pane/PaneTestSupport.h"
#include "Support/VisibleBytes.h"
#include "Workspace/FakeDialogs.h"
#include "Workspace/TerminalTestSupport.h"
#include "Workspace/WorkspaceTestSupport.h"
#include "ZentrovaView/TerminalViewDelegate.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QUrl>

#include <tuple>

namespace bramblet {
namespace {

using testing::eventually;
using testing::names;

constexpr Qt::KeyboardModifiers none = Qt::NoModifier;
constexpr Qt::KeyboardModifier shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier, alt = Qt::AltModifier,
                               keypad = Qt::KeypadModifier;

struct Key {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
    QString text = {};
};

std::string visible(const QByteArray& bytes)
{
    return zentrova::visibleBytes(bytes.toStdString());
}

QString describe(const Key& key)
{
    return QKeySequence(key.key | key.modifiers).toString();
}

// The text X11 gives with a key: the character, shifted with Shift, a control character with Ctrl.
QString typed(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        if (modifiers & Qt::ControlModifier)
            return QString(QChar(char16_t(key - Qt::Key_A + 1)));
        const QChar letter { char16_t(key) };
        return modifiers & Qt::ShiftModifier ? QString(letter) : QString(letter.toLower());
    }
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || key == Qt::Key_Space)
        return QString(QChar(char16_t(key)));
    return {};
}

// Records what a terminal view outside any window sends for a key: the encoder's bytes.
class ReferenceTerminal : public zentrova::TerminalViewDelegate {
public:
    explicit ReferenceTerminal(const zentrova::TerminalView& like)
    {
        m_view.setOptionAsMetaKey(like.optionAsMetaKey());
        m_view.setBackspaceSendsControlH(like.backspaceSendsControlH());
        m_view.setTerminalDelegate(this);
    }

    QByteArray bytes(const Key& key)
    {
        m_sent.clear();
        QKeyEvent press(QEvent::KeyPress, key.key, key.modifiers, key.text);
        QCoreApplication::sendEvent(&m_view, &press);
        QKeyEvent release(QEvent::KeyRelease, key.key, key.modifiers, key.text);
        QCoreApplication::sendEvent(&m_view, &release);
        return m_sent;
    }

    void sizeChanged(zentrova::TerminalView&, int, int) override {}
    void setTerminalTitle(zentrova::TerminalView&, const QString&) override {}
    void hostCurrentDirectoryUpdate(zentrova::TerminalView&, const std::optional<QString>&) override {}
    void send(zentrova::TerminalView&, std::span<const uint8_t> data) override
    {
        m_sent.append(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()));
    }
    void scrolled(zentrova::TerminalView&, double) override {}
    void rangeChanged(zentrova::TerminalView&, int, int) override {}

private:
    zentrova::TerminalView m_view;
    QByteArray m_sent;
};

// The workspace window as the program builds it: the left side in folder "left" holding b.md (selected),
// the right side in folder "right" holding scratch.txt (selected) and a.txt. Sessions run /bin/sh.
class WindowKeysTest : public testing::SandboxedDefaultsTest {
protected:
    void SetUp() override
    {
        tree.file("left/b.md");
        tree.file("right/scratch.txt");
        tree.file("right/a.txt");
        delegate.applicationDidFinishLaunching(
            { "bramblet", "--temporary", "--left", tree / "left", "--right", tree / "right" });
        workspace = delegate.workspace();
        workspace->setOpener([this](const QUrl& file) {
            opened.append(file.toLocalFile());
            return true;
        });
        ASSERT_TRUE(QTest::qWaitForWindowExposed(workspace->window()));
        workspace->window()->activateWindow();
        ASSERT_TRUE(eventually([this] {
            return workspace->left()->visible().size() == 1 && workspace->right()->visible().size() == 2;
        }));
        workspace->left()->selectMatching("b.md");
        workspace->right()->selectMatching("scratch.txt");
    }

    void TearDown() override
    {
        for (auto* side : { workspace->leftContent(), workspace->rightContent() }) {
            for (const auto& session : side->sessions())
                session->stop();
        }
        workspace->window()->hide();
    }

    void press(const Key& key)
    {
        QTest::sendKeyEvent(QTest::Click, workspace->window()->windowHandle(), key.key, key.text, key.modifiers);
    }

    // A terminal on the left side whose child writes every byte it reads, as it reads it, to keys.bin.
    zentrova::TerminalView* openReader(const QByteArray& before = {})
    {
        workspace->leftContent()->open(tree.path().toStdString());
        EmbeddedTerminalView* terminal = workspace->leftContent()->current()->terminal();
        testing::sendText(*terminal, (before + "stty raw -echo; printf '\\033[?1l\\033>'; exec cat > '"
                                      + keysFile().toUtf8() + "'\r")
                                         .toStdString());
        if (!eventually([this] { return QFile::exists(keysFile()); }))
            return nullptr;
        return terminal;
    }

    QString keysFile() const { return m_keys.filePath("keys.bin"); }

    // What the child has read so far, once it has `size` bytes or a minute has passed.
    QByteArray received(qsizetype size) const
    {
        std::ignore = QTest::qWaitFor([&] { return QFileInfo(keysFile()).size() >= size; }, 60000);
        QTest::qWait(50); // anything past `size` shows up too
        QFile file(keysFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Nothing of the file panes moved: folders, selections, files, tabs, toggles; no sheet, chooser,
    // popup, file opening or other window.
    void expectNoPaneAction() const
    {
        EXPECT_EQ(workspace->left()->activeTab().path, tree / "left");
        EXPECT_EQ(workspace->right()->activeTab().path, tree / "right");
        EXPECT_EQ(names(workspace->left()->selected()), QStringList({ "b.md" }));
        EXPECT_EQ(names(workspace->right()->selected()), QStringList({ "scratch.txt" }));
        for (const char* file : { "left/b.md", "right/scratch.txt", "right/a.txt" })
            EXPECT_TRUE(QFile::exists(tree / file)) << file;
        EXPECT_EQ(workspace->left()->tabs().size(), 1);
        EXPECT_EQ(workspace->right()->tabs().size(), 1);
        EXPECT_FALSE(workspace->showHidden());
        EXPECT_FALSE(workspace->manualSidebarHidden());
        EXPECT_FALSE(workspace->manualInspectorHidden());
        EXPECT_TRUE(workspace->favorites().isEmpty());
        EXPECT_EQ(workspace->activeIndex(), 0);
        EXPECT_TRUE(workspace->records().isEmpty()) << "nothing was queued";
        EXPECT_TRUE(dialogs.presented.isEmpty()) << dialogs.presented.value(0).request.message.toStdString();
        EXPECT_TRUE(dialogs.folderChoosers.isEmpty());
        EXPECT_TRUE(opened.isEmpty());
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "no menu opened";
        EXPECT_EQ(workspace->activityWindow(), nullptr);
        EXPECT_EQ(delegate.settingsController(), nullptr);
        EXPECT_EQ(workspace->focusedTerminal(), workspace->leftContent()->current()->terminal());
    }

    QAction* item(const QString& path) const
    {
        for (QAction* top : delegate.menuBar()->actions()) {
            if (QString(top->text()).remove(u'&') != path.section(u'/', 0, 0))
                continue;
            for (QAction* action : top->menu()->actions()) {
                if (QString(action->text()).replace(QStringLiteral("&&"), QStringLiteral("&")) == path.section(u'/', 1))
                    return action;
            }
        }
        return nullptr;
    }

    testing::EnvironmentOverride shell { "SHELL", "/bin/sh" };
    testing::TempTree tree;
    testing::FakeDialogs dialogs;
    AppDelegate delegate { defaults(), dialogs };
    WorkspaceController* workspace = nullptr;
    QStringList opened;

private:
    QTemporaryDir m_keys;
};

// The keys that were the window's shortcuts (Parent Folder, Rename, Trash, Refresh, Other Pane, the
// menus) reach the shell as a terminal sends them, and the file pane hidden behind it stays as it was.
TEST_F(WindowKeysTest, KeysOfFileCommandsReachTheChildOfAFocusedTerminal)
{
    zentrova::TerminalView* terminal = openReader();
    ASSERT_NE(terminal, nullptr);
    struct Case {
        Key key;
        QByteArray bytes;
    };
    const Case cases[] = {
        { { Qt::Key_Backspace, none, "\b" }, "\x7f" },
        { { Qt::Key_Delete, none, "\x7f" }, "\x1b[3~" },
        { { Qt::Key_F2 }, "\x1bOQ" },
        { { Qt::Key_F5 }, "\x1b[15~" },
        { { Qt::Key_F10 }, "\x1b[21~" },
        { { Qt::Key_Tab, none, "\t" }, "\t" },
        { { Qt::Key_Backtab, shift }, "\x1b[Z" },
        { { Qt::Key_Return, none, "\r" }, "\r" },
        { { Qt::Key_Left }, "\x1b[D" },
        { { Qt::Key_Up, ctrl }, "\x1b[1;5A" },
        { { Qt::Key_Down, ctrl }, "\x1b[1;5B" },
        { { Qt::Key_Up, alt }, "\x1b[1;3A" },
        { { Qt::Key_Left, alt }, "\x1b[1;3D" },
        { { Qt::Key_Right, ctrl | alt }, "\x1b[1;7C" },
        { { Qt::Key_Backspace, ctrl, "\b" }, "\x7f" },
        { { Qt::Key_Tab, ctrl, "\t" }, "\t" },
        { { Qt::Key_F, alt, "f" }, "\x1b" "f" },
        { { Qt::Key_O, alt, "o" }, "\x1bo" },
        { { Qt::Key_W, ctrl, "\x17" }, "\x17" },
        { { Qt::Key_Q, ctrl, "\x11" }, "\x11" },
        { { Qt::Key_N, ctrl | shift, "\x0e" }, "\x0e" },
        { { Qt::Key_H, ctrl, "\b" }, "\b" },
        { { Qt::Key_S, ctrl | alt, "\x13" }, "\x1bs" },
        { { Qt::Key_PageUp }, "\x1b[5~" },
        { { Qt::Key_Home }, "\x1b[H" },
        { { Qt::Key_Space, none, " " }, " " },
    };
    QByteArray expected;
    for (const Case& c : cases) {
        press(c.key);
        expected += c.bytes;
    }
    const QByteArray got = received(expected.size());
    qsizetype at = 0;
    for (const Case& c : cases) {
        EXPECT_EQ(visible(got.mid(at, c.bytes.size())), visible(c.bytes)) << describe(c.key).toStdString();
        at += c.bytes.size();
    }
    EXPECT_EQ(visible(got), visible(expected));
    expectNoPaneAction();
}

// Every key the terminal encodes, with and without Shift, Ctrl and Alt, arrives as the encoder's bytes;
// only the window's Ctrl+Shift terminal commands stay the window's (a paste goes to the child).
TEST_F(WindowKeysTest, EveryKeyTheTerminalEncodesReachesTheChild)
{
    zentrova::TerminalView* terminal = openReader();
    ASSERT_NE(terminal, nullptr);
    QList<Key> keys;
    for (int key = Qt::Key_A; key <= Qt::Key_Z; ++key)
        keys.append(Key { Qt::Key(key) });
    for (int key = Qt::Key_0; key <= Qt::Key_9; ++key)
        keys.append(Key { Qt::Key(key) });
    for (int key = Qt::Key_F1; key <= Qt::Key_F35; ++key)
        keys.append(Key { Qt::Key(key) });
    for (Qt::Key key : { Qt::Key_Space, Qt::Key_Return, Qt::Key_Escape, Qt::Key_Backspace, Qt::Key_Delete,
                         Qt::Key_Insert, Qt::Key_Tab, Qt::Key_Up, Qt::Key_Down, Qt::Key_Left, Qt::Key_Right,
                         Qt::Key_Home, Qt::Key_End, Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Menu })
        keys.append(Key { key });
    const std::pair<Qt::Key, const char*> keypadKeys[] = {
        { Qt::Key_0, "0" }, { Qt::Key_1, "1" }, { Qt::Key_5, "5" }, { Qt::Key_9, "9" }, { Qt::Key_Period, "." },
        { Qt::Key_Slash, "/" }, { Qt::Key_Asterisk, "*" }, { Qt::Key_Minus, "-" }, { Qt::Key_Plus, "+" },
        { Qt::Key_Enter, "\r" }, { Qt::Key_Home, "" }, { Qt::Key_PageDown, "" }, { Qt::Key_Up, "" },
    };
    const QHash<Qt::Key, QString> specialText { { Qt::Key_Return, "\r" }, { Qt::Key_Escape, "\x1b" },
                                                { Qt::Key_Backspace, "\b" }, { Qt::Key_Delete, "\x7f" },
                                                { Qt::Key_Tab, "\t" } };
    QList<Key> presses;
    for (const Qt::KeyboardModifiers modifiers :
         { none, Qt::KeyboardModifiers(shift), Qt::KeyboardModifiers(ctrl), Qt::KeyboardModifiers(alt), shift | ctrl,
           shift | alt, ctrl | alt, shift | ctrl | alt }) {
        for (Key key : keys) {
            // The window's terminal commands: copy, paste and the finds.
            const bool windowCommand = modifiers == (shift | ctrl)
                && QList<Qt::Key>({ Qt::Key_C, Qt::Key_V, Qt::Key_F, Qt::Key_G, Qt::Key_H }).contains(key.key);
            if (windowCommand)
                continue;
            key.modifiers = modifiers;
            key.text = specialText.value(key.key, typed(key.key, modifiers));
            // X11 reports Shift+Tab as Backtab.
            if (key.key == Qt::Key_Tab && (modifiers & shift))
                key.key = Qt::Key_Backtab;
            presses.append(key);
        }
        for (const auto& [key, text] : keypadKeys)
            presses.append(Key { key, modifiers | keypad, QString::fromUtf8(text) });
    }

    ReferenceTerminal reference(*terminal);
    QList<QByteArray> expected;
    QByteArray all;
    int sending = 0;
    for (const Key& key : presses) {
        expected.append(reference.bytes(key));
        sending += !expected.last().isEmpty();
        all += expected.last();
        press(key);
    }
    EXPECT_GT(sending, presses.size() * 9 / 10) << "nearly every key sends something";
    QGuiApplication::clipboard()->setText("pasted");
    press({ Qt::Key_V, shift | ctrl });
    all += "pasted";

    const QByteArray got = received(all.size());
    qsizetype at = 0;
    for (qsizetype index = 0; index < presses.size(); ++index) {
        const QByteArray& bytes = expected[index];
        if (got.mid(at, bytes.size()) != bytes) {
            ADD_FAILURE() << describe(presses[index]).toStdString() << " sent " << visible(got.mid(at, bytes.size() + 8))
                          << " instead of " << visible(bytes);
            break;
        }
        at += bytes.size();
    }
    EXPECT_EQ(visible(got.mid(at)), "pasted") << "Ctrl+Shift+V still pastes, into the child";
    expectNoPaneAction();
}

// Linux scroll keys: Shift+Page Up and Page Down (and Shift+Home and End) scroll the scrollback and
// send nothing; plain page keys reach the program; on the alternate screen Shift+Page keys do too.
TEST_F(WindowKeysTest, ShiftPageKeysScrollTheScrollbackAndPlainPageKeysReachTheProgram)
{
    zentrova::TerminalView* terminal = openReader("seq 1 300; ");
    ASSERT_NE(terminal, nullptr);
    auto& buffer = terminal->terminal().buffer();
    // The last line of the output is on screen: the scrollback is complete.
    ASSERT_TRUE(eventually([&] { return testing::screenText(*terminal).find("\n300\n") != std::string::npos; }));
    ASSERT_GT(buffer.yDisp(), 2 * terminal->terminal().rows);
    const int live = buffer.yDisp();
    const int rows = terminal->terminal().rows;

    struct Case {
        Key key;
        QByteArray bytes; // what the child reads
        int yDisp;        // the first row shown, after the key
        bool alternate = false;
    };
    const Case cases[] = {
        { { Qt::Key_PageUp, shift }, "", live - rows },
        { { Qt::Key_PageUp, shift }, "", live - 2 * rows },
        { { Qt::Key_PageDown, shift }, "", live - rows },
        { { Qt::Key_PageUp }, "\x1b[5~", live }, // typing shows the live screen again
        { { Qt::Key_PageDown }, "\x1b[6~", live },
        { { Qt::Key_Home, shift }, "", 0 },
        { { Qt::Key_End, shift }, "", live },
        { { Qt::Key_PageUp, shift }, "\x1b[5;2~", 0, true },
        { { Qt::Key_PageDown, shift }, "\x1b[6;2~", 0, true },
        { { Qt::Key_Home, shift }, "\x1b[1;2H", 0, true },
        { { Qt::Key_PageUp }, "\x1b[5~", 0, true },
    };
    QByteArray expected;
    for (const Case& c : cases) {
        SCOPED_TRACE(describe(c.key).toStdString() + (c.alternate ? " on the alternate screen" : ""));
        if (c.alternate && !terminal->terminal().isCurrentBufferAlternate())
            terminal->feed("\x1b[?1049h");
        press(c.key);
        expected += c.bytes;
        EXPECT_EQ(visible(received(expected.size())), visible(expected));
        EXPECT_EQ(terminal->terminal().buffer().yDisp(), c.yDisp);
    }
    expectNoPaneAction();
}

// The issue a user met: "cat scr", Tab, Delete, Return in the shell, with a file selected in the other
// pane, used to move the focus there and send that file to the Trash.
TEST_F(WindowKeysTest, EditingALineInTheShellLeavesEveryFileInPlace)
{
    workspace->leftContent()->open(tree.path().toStdString());
    EmbeddedTerminalView* terminal = workspace->leftContent()->current()->terminal();
    ASSERT_TRUE(eventually([this] { return workspace->focusedTerminal() != nullptr; }));
    for (const QChar c : QStringLiteral("echo abcx"))
        press({ Qt::Key(c.toUpper().unicode()), none, c });
    press({ Qt::Key_Backspace, none, "\b" });
    press({ Qt::Key_D, none, "d" });
    press({ Qt::Key_Return, none, "\r" });
    ASSERT_TRUE(eventually([terminal] { return testing::screenText(*terminal).find("\nabcd\n") != std::string::npos; }))
        << testing::screenText(*terminal);

    for (const QChar c : QStringLiteral("cat scr"))
        press({ Qt::Key(c.toUpper().unicode()), none, c });
    press({ Qt::Key_Tab, none, "\t" });
    press({ Qt::Key_Delete, none, "\x7f" });
    press({ Qt::Key_Return, none, "\r" });
    press({ Qt::Key_F2 });
    press({ Qt::Key_Z, none, "z" });
    press({ Qt::Key_Return, none, "\r" });
    press({ Qt::Key_F5 });
    press({ Qt::Key_Backspace, none, "\b" });
    QTest::qWait(300);
    expectNoPaneAction();
}

// The same keys on a focused file pane still run the pane's commands.
TEST_F(WindowKeysTest, TheSameKeysOnAFocusedFilePaneRunItsCommands)
{
    PaneController* right = workspace->right();
    right->focus();
    ASSERT_TRUE(eventually([right] { return QApplication::focusWidget() == right->table(); }));
    press({ Qt::Key_F2 });
    ASSERT_EQ(dialogs.presented.size(), 1);
    EXPECT_EQ(dialogs.presented.last().request.message, "Rename");
    press({ Qt::Key_Delete, none, "\x7f" });
    ASSERT_EQ(dialogs.presented.size(), 2);
    EXPECT_EQ(dialogs.presented.last().request.message, "Move 1 item to Trash?");
    press({ Qt::Key_Return, none, "\r" });
    EXPECT_EQ(opened, QStringList({ tree / "right/scratch.txt" }));

    tree.file("right/new.txt");
    press({ Qt::Key_F5 });
    EXPECT_TRUE(eventually([right] { return names(right->visible()).contains("new.txt"); }));

    press({ Qt::Key_Tab, none, "\t" });
    EXPECT_EQ(workspace->activeIndex(), 0);
    EXPECT_EQ(QApplication::focusWidget(), workspace->left()->table());
    press({ Qt::Key_Tab, none, "\t" });
    EXPECT_EQ(workspace->activeIndex(), 1);

    press({ Qt::Key_Backspace, none, "\b" });
    EXPECT_TRUE(eventually([this, right] { return right->activeTab().path == tree.path(); }));
}

// While a side shows its terminal sessions the commands on its files are disabled, wherever the focus
// is; Copy and Move to Other Pane also wait for the other side's files.
TEST_F(WindowKeysTest, FileCommandsWaitWhileTheirSideShowsATerminal)
{
    const QStringList activeSide { "File/Rename\u2026", "File/Move to Trash\u2026", "File/Parent Folder",
                                   "File/Open Selection", "File/Set Tag\u2026", "View/Refresh",
                                   "View/Select by Pattern\u2026", "Operations/Copy to Other Pane\u2026" };
    const auto enabled = [this](const QStringList& paths) {
        QStringList result;
        for (const QString& path : paths) {
            if (item(path)->isEnabled())
                result.append(path);
        }
        return result;
    };
    workspace->left()->focus();
    ASSERT_TRUE(eventually([this] { return QApplication::focusWidget() == workspace->left()->table(); }));
    EXPECT_EQ(enabled(activeSide), activeSide);

    workspace->leftContent()->open(tree.path().toStdString());
    ASSERT_TRUE(eventually([this] { return workspace->focusedTerminal() != nullptr; }));
    EXPECT_EQ(enabled(activeSide), QStringList());
    EXPECT_TRUE(item("File/New Tab")->isEnabled());
    EXPECT_TRUE(item("Edit/Paste")->isEnabled()) << "into the terminal";

    // The focus in the filter field leaves the terminal's side the active one: F2 there renames nothing.
    workspace->focusFilter();
    ASSERT_TRUE(eventually([this] { return QApplication::focusWidget() == workspace->filter(); }));
    EXPECT_EQ(enabled(activeSide), QStringList());
    EXPECT_TRUE(item("Edit/Copy")->isEnabled()) << "the field's text";
    press({ Qt::Key_F2 });
    press({ Qt::Key_F5 });
    EXPECT_TRUE(dialogs.presented.isEmpty());
    EXPECT_FALSE(workspace->toolbarButton("trashSelection")->isEnabled());
    EXPECT_FALSE(workspace->toolbarButton("refresh")->isEnabled());

    workspace->right()->focus();
    ASSERT_TRUE(eventually([this] { return workspace->activeIndex() == 1; }));
    EXPECT_EQ(enabled(activeSide), QStringList(activeSide.mid(0, activeSide.size() - 1)))
        << "the other side's folder is hidden";
    EXPECT_FALSE(workspace->toolbarButton("copyToOther")->isEnabled());
    EXPECT_TRUE(eventually([this] { return workspace->toolbarButton("trashSelection")->isEnabled(); }));

    workspace->leftContent()->showFiles();
    workspace->leftContent()->focus();
    ASSERT_TRUE(eventually([this] { return workspace->activeIndex() == 0; }));
    EXPECT_EQ(enabled(activeSide), activeSide);
}

// Home and End go to the first and last row of a long list; Shift extends the selection.
TEST_F(WindowKeysTest, HomeAndEndGoToTheFirstAndLastRowOfALongList)
{
    constexpr int count = 10000;
    for (int index = 0; index < count; ++index)
        tree.file(QStringLiteral("right/file%1").arg(index, 5, 10, QLatin1Char('0')));
    PaneController* right = workspace->right();
    right->refresh();
    ASSERT_TRUE(eventually([right] { return right->listModel()->rowCount() == count + 2; }));
    right->focus();
    ASSERT_TRUE(eventually([right] { return QApplication::focusWidget() == right->table(); }));
    const QStringList shown = names(right->visible());

    press({ Qt::Key_End });
    EXPECT_EQ(names(right->selected()), QStringList({ shown.last() }));
    EXPECT_EQ(right->table()->currentIndex().row(), count + 1);
    press({ Qt::Key_Home });
    EXPECT_EQ(names(right->selected()), QStringList({ shown.first() }));
    EXPECT_EQ(right->table()->currentIndex().row(), 0);
    press({ Qt::Key_End, shift });
    EXPECT_EQ(right->selected().size(), count + 2);
}

// Alt and a menu's first letter open it; F10 opens the first menu; outside a file pane Tab moves the
// focus as everywhere else.
TEST_F(WindowKeysTest, MenuKeysAndTabOutsideTheFilePanes)
{
    workspace->right()->focus();
    ASSERT_TRUE(eventually([this] { return QApplication::focusWidget() == workspace->right()->table(); }));
    QMenuBar* bar = delegate.menuBar();
    const std::pair<Qt::Key, const char*> mnemonics[] = {
        { Qt::Key_B, "Bramblet" }, { Qt::Key_F, "File" }, { Qt::Key_E, "Edit" },
        { Qt::Key_V, "View" },     { Qt::Key_G, "Go" },   { Qt::Key_O, "Operations" },
    };
    for (const auto& [key, title] : mnemonics) {
        SCOPED_TRACE(title);
        press({ key, alt, QString(QChar(char16_t(key))).toLower() });
        QMenu* open = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(open, nullptr);
        EXPECT_EQ(QString(open->title()).remove(u'&'), title);
        open->close();
        ASSERT_TRUE(eventually([] { return QApplication::activePopupWidget() == nullptr; }));
    }
    press({ Qt::Key_F10 });
    ASSERT_NE(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(QApplication::activePopupWidget(), bar->actions().first()->menu());
    QApplication::activePopupWidget()->close();
    ASSERT_TRUE(eventually([] { return QApplication::activePopupWidget() == nullptr; }));

    workspace->focusFilter();
    ASSERT_TRUE(eventually([this] { return QApplication::focusWidget() == workspace->filter(); }));
    press({ Qt::Key_Tab, none, "\t" });
    EXPECT_NE(QApplication::focusWidget(), workspace->filter()) << "Tab leaves the filter field";
    EXPECT_EQ(workspace->activeIndex(), 1) << "Tab in the filter field is not Other Pane";
    EXPECT_TRUE(dialogs.presented.isEmpty());

    DialogRequest request;
    request.message = "Rename";
    request.buttons = { "Rename", "Cancel" };
    request.accessory = DialogRequest::Accessory::textField;
    AlertPresenter alerts;
    alerts.present(workspace->window(), request, {});
    auto* dialog = workspace->window()->findChild<AlertDialog*>();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    dialog->activateWindow();
    ASSERT_TRUE(eventually([dialog] { return qobject_cast<QLineEdit*>(QApplication::focusWidget()) && dialog->isActiveWindow(); }));
    QTest::sendKeyEvent(QTest::Click, dialog->windowHandle(), Qt::Key_Tab, "\t", none);
    EXPECT_TRUE(qobject_cast<QPushButton*>(QApplication::focusWidget())) << "Tab moves through the dialog";
    EXPECT_EQ(workspace->activeIndex(), 1);
    dialog->reject();
}

} // namespace
} // namespace bramblet
