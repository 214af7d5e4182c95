#include "Bramblet/Workspace/WorkspaceController.h"

#include "Bramblet/Inspector/ThemedLabel.h"
#include "Bramblet/Pane/PaneController.h"
#include "Bramblet/Sidebar/SidebarController.h"
#include "Bramblet/Sidebar/SidebarModel.h"
#include "Bramblet/Theme/FileTable.h"
#include "Bramblet/Workspace/SavedState.h"
#include "Bramblet/Workspace/TerminalPaneController.h"
#include "Bramblet/Workspace/WorkspaceSplitter.h"
#include "Bramblet/Workspace/WorkspaceWindow.h"
#include "Pane/PaneTestSupport.h"
#include "Sidebar/SidebarTestSupport.h"
#include "Workspace/FakeDialogs.h"
#include "Workspace/WorkspaceTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QJsonDocument>
#include <QPushButton>
#include <QTest>
#include <QUrl>

namespace bramblet {
namespace {

using testing::describe;
using testing::eventually;
using testing::names;

// A home folder of the test's own holding the two sides' folders and a Documents folder.
class WorkspaceNavigationTest : public testing::SandboxedDefaultsTest {
protected:
    void SetUp() override
    {
        QDir root(home.path());
        for (const char* folder : { "one/sub", "two", "Documents" })
            ASSERT_TRUE(root.mkpath(folder));
        for (const char* file : { "one/a.txt", "one/.hidden", "two/.secret" })
            write(file);
        workspace = std::make_unique<WorkspaceController>(folder("one"), folder("two"), false, defaults(), dialogs);
        workspace->setOpener([this](const QUrl& file) {
            opened.append(file);
            return true;
        });
        ASSERT_TRUE(eventually([this] {
            return workspace->left()->visible().size() == 2 && workspace->right()->items().size() == 1;
        }));
    }

    QString folder(const QString& relative) const { return home.path() + u'/' + relative; }
    std::filesystem::path path(const QString& relative) const { return pathFromString(folder(relative)); }

    void write(const QString& relative) const
    {
        QFile file(folder(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("text");
    }

    QStringList savedFavorites()
    {
        const auto json = defaults().data(WorkspaceDefaults::workspaceKey);
        if (!json)
            return {};
        return SavedState::fromJson(QJsonDocument::fromJson(*json).object()).favorites;
    }

    testing::FakeHome home;
    testing::FakeDialogs dialogs;
    std::unique_ptr<WorkspaceController> workspace;
    QList<QUrl> opened;
};

TEST_F(WorkspaceNavigationTest, ASidebarClickSendsTheActivePaneThereAndFocusesIt)
{
    auto* window = workspace->window();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    workspace->activatePane(1);
    auto* outline = workspace->sidebar()->outline();
    auto* model = static_cast<SidebarModel*>(outline->model());
    const QModelIndex favorites = model->sectionIndex(0);
    QModelIndex documents;
    for (int row = 0; row < model->rowCount(favorites); ++row) {
        const QModelIndex index = model->index(row, 0, favorites);
        if (model->entry(index)->path == folder("Documents"))
            documents = index;
    }
    ASSERT_TRUE(documents.isValid());
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, outline->visualRect(documents).center());

    EXPECT_EQ(workspace->right()->activeTab().path, folder("Documents"));
    EXPECT_EQ(workspace->left()->activeTab().path, folder("one"));
    EXPECT_EQ(workspace->activeIndex(), 1);
    EXPECT_EQ(QApplication::focusWidget(), workspace->right()->table());
}

TEST_F(WorkspaceNavigationTest, TheHiddenToggleShowsHiddenFilesInBothPanesAndLightsUp)
{
    auto* button = workspace->toolbarButton("toggleHidden");
    EXPECT_FALSE(button->isChecked());
    button->click();
    EXPECT_TRUE(workspace->showHidden());
    EXPECT_TRUE(button->isChecked());
    ASSERT_TRUE(eventually([this] { return workspace->left()->visible().size() == 3; }));
    ASSERT_TRUE(eventually([this] { return workspace->right()->visible().size() == 1; }));
    EXPECT_TRUE(names(workspace->left()->visible()).contains(".hidden"));
    EXPECT_EQ(names(workspace->right()->visible()), QStringList { ".secret" });

    button->click();
    EXPECT_FALSE(button->isChecked());
    ASSERT_TRUE(eventually([this] {
        return workspace->right()->visible().isEmpty() && workspace->left()->visible().size() == 2;
    }));
    EXPECT_EQ(names(workspace->left()->visible()), QStringList({ "sub", "a.txt" }));
}

TEST_F(WorkspaceNavigationTest, TheSidebarAndInspectorTogglesCollapseTheirColumns)
{
    workspace->window()->show();
    workspace->window()->resize(1440, 900);
    struct Case {
        const char* command;
        int item;
    };
    for (const Case c : { Case { "toggleSidebar", 0 }, Case { "toggleInspector", 3 } }) {
        SCOPED_TRACE(c.command);
        auto* button = workspace->toolbarButton(c.command);
        ASSERT_FALSE(workspace->split()->isCollapsed(c.item));
        EXPECT_TRUE(button->isChecked());
        button->click();
        EXPECT_TRUE(workspace->split()->isCollapsed(c.item));
        EXPECT_FALSE(button->isChecked());
        button->click();
        EXPECT_FALSE(workspace->split()->isCollapsed(c.item));
        EXPECT_TRUE(button->isChecked());
    }
    EXPECT_FALSE(workspace->manualSidebarHidden());
    EXPECT_FALSE(workspace->manualInspectorHidden());

    // On a narrow window the inspector is collapsed already: the first toggle only records the choice.
    workspace->window()->resize(1100, 800);
    ASSERT_TRUE(workspace->split()->isCollapsed(3));
    workspace->toggleInspector();
    EXPECT_TRUE(workspace->manualInspectorHidden());
    EXPECT_TRUE(workspace->split()->isCollapsed(3));
    workspace->toggleInspector();
    EXPECT_FALSE(workspace->split()->isCollapsed(3));
}

TEST_F(WorkspaceNavigationTest, ChooseFolderSendsTheSideActiveWhenTheChooserClosesThere)
{
    workspace->toolbarButton("chooseFolder")->click();
    ASSERT_EQ(dialogs.folderChoosers.size(), 1);
    EXPECT_EQ(dialogs.folderChoosers[0].window, workspace->window());
    EXPECT_EQ(dialogs.folderChoosers[0].startFolder, folder("one"));
    workspace->activatePane(1);
    dialogs.chooseFolderAnswer(folder("Documents"));
    EXPECT_EQ(workspace->right()->activeTab().path, folder("Documents"));
    EXPECT_EQ(workspace->left()->activeTab().path, folder("one"));

    workspace->chooseFolder();
    dialogs.chooseFolderAnswer(std::nullopt);
    EXPECT_EQ(workspace->right()->activeTab().path, folder("Documents")) << "Cancel goes nowhere";

    // The pane's own "Choose Folder…" (offered when a folder cannot be read) asks the same way.
    workspace->left()->chooseFolderButton()->click();
    EXPECT_EQ(dialogs.folderChoosers.size(), 3);
}

TEST_F(WorkspaceNavigationTest, GoToFolderExpandsATildeAndTakesPathsWithSlashes)
{
    struct Case {
        QString typed;
        QString expected;
    };
    const Case cases[] = {
        { "~/Documents", folder("Documents") },
        { "~", home.path() },
        { folder("one/sub/"), folder("one/sub") },
        { folder("missing"), folder("missing") }, // the pane reports that it is missing
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        workspace->enterPath();
        const auto& asked = dialogs.presented.last().request;
        EXPECT_EQ(asked.message, "Go to Folder");
        EXPECT_EQ(asked.informativeText, "Enter an absolute folder path.");
        EXPECT_EQ(asked.text, workspace->left()->activeTab().path);
        dialogs.answer(0, c.typed);
        EXPECT_EQ(workspace->left()->activeTab().path, c.expected);
    }
    const auto shown = dialogs.presented.size();
    workspace->enterPath();
    dialogs.answer(1, "~/Documents");
    EXPECT_EQ(workspace->left()->activeTab().path, folder("missing")) << "Cancel goes nowhere";
    EXPECT_EQ(dialogs.presented.size(), shown + 1) << "no error for a path with slashes";
}

TEST_F(WorkspaceNavigationTest, FavouritesAreAddedOnceAndEveryChangeIsSaved)
{
    workspace->addFavorite();
    workspace->addFavorite();
    EXPECT_EQ(workspace->favorites(), QStringList { folder("one") });
    EXPECT_EQ(savedFavorites(), QStringList { folder("one") });

    workspace->left()->navigate(home.path().toStdString());
    workspace->addFavorite();
    EXPECT_EQ(workspace->favorites(), QStringList { folder("one") }) << "home is a built-in place";
    EXPECT_EQ(workspace->statusLabel()->fullText(), QFileInfo(home.path()).fileName() + " is already in your sidebar.");

    workspace->sidebar()->foldersDropped({ QUrl::fromLocalFile(folder("two")), QUrl::fromLocalFile(folder("one")),
                                           QUrl::fromLocalFile(folder("Documents")) });
    EXPECT_EQ(workspace->favorites(), QStringList({ folder("one"), folder("two"), folder("Documents") }))
        << "dropped folders are not checked against the built-in places";

    // "Move Up" on the first favourite changes nothing but still rebuilds and saves.
    defaults().setData(WorkspaceDefaults::workspaceKey, "{}");
    workspace->sidebar()->favoriteAction(folder("one"), true);
    EXPECT_EQ(workspace->favorites(), QStringList({ folder("one"), folder("two"), folder("Documents") }));
    EXPECT_EQ(savedFavorites(), workspace->favorites());

    workspace->sidebar()->favoriteAction(folder("Documents"), true);
    EXPECT_EQ(workspace->favorites(), QStringList({ folder("one"), folder("Documents"), folder("two") }));
    workspace->sidebar()->favoriteAction(folder("one"), false);
    EXPECT_EQ(workspace->favorites(), QStringList({ folder("Documents"), folder("two") }));
    EXPECT_EQ(savedFavorites(), workspace->favorites());
    EXPECT_TRUE(describe(*workspace->sidebar()->sections()[0]).contains("two | Folder | " + folder("two") + " *"))
        << "the sidebar is rebuilt";
}

TEST_F(WorkspaceNavigationTest, ForwardedCommandsActOnTheActivePane)
{
    workspace->activatePane(1);
    workspace->newTab();
    EXPECT_EQ(workspace->right()->tabs().size(), 2);
    EXPECT_EQ(workspace->left()->tabs().size(), 1);
    workspace->closeTab();
    EXPECT_EQ(workspace->right()->tabs().size(), 1);
    workspace->parentFolder();
    EXPECT_EQ(workspace->right()->activeTab().path, home.path());

    workspace->activatePane(0);
    workspace->selectAllFiles();
    EXPECT_EQ(workspace->left()->selected().size(), 2);
    workspace->left()->selectWhere([](const FileItem& item) { return item.name == "sub"; });
    workspace->openSelection();
    EXPECT_EQ(workspace->left()->activeTab().path, folder("one/sub"));
}

TEST_F(WorkspaceNavigationTest, FocusCommandsActivateTheSideAndExploreShowsOnTheRight)
{
    workspace->window()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(workspace->window()));
    workspace->focusRight();
    EXPECT_EQ(workspace->activeIndex(), 1);
    EXPECT_EQ(QApplication::focusWidget(), workspace->right()->table());
    workspace->focusLeft();
    EXPECT_EQ(workspace->activeIndex(), 0);
    EXPECT_EQ(QApplication::focusWidget(), workspace->left()->table());

    ASSERT_TRUE(workspace->left()->explore);
    workspace->left()->explore(path("one/sub"));
    EXPECT_EQ(workspace->right()->activeTab().path, folder("one/sub"));
    EXPECT_EQ(workspace->left()->activeTab().path, folder("one"));
}

TEST_F(WorkspaceNavigationTest, DoubleClickingAFileHandsItToTheOpenerAndAFolderLinkOpensInThePane)
{
    ASSERT_EQ(::symlink(folder("Documents").toUtf8().constData(), folder("one/docs").toUtf8().constData()), 0);
    workspace->refresh();
    ASSERT_TRUE(eventually([this] { return workspace->left()->visible().size() == 3; }));

    workspace->window()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(workspace->window()));
    auto* table = workspace->left()->table();
    const int row = int(names(workspace->left()->visible()).indexOf("a.txt"));
    const QPoint center = table->visualRect(table->model()->index(row, 0)).center();
    // A double click as the system delivers it: a click, then the second press as a double click.
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, center);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, center);
    QTest::mouseRelease(table->viewport(), Qt::LeftButton, {}, center);
    EXPECT_EQ(opened, QList<QUrl> { QUrl::fromLocalFile(folder("one/a.txt")) });

    workspace->left()->selectWhere([](const FileItem& item) { return item.name == "docs"; });
    ASSERT_EQ(workspace->left()->selected().first().kind(), "Symbolic link");
    workspace->openSelection();
    EXPECT_EQ(workspace->left()->activeTab().path, folder("one/docs")) << "the link's own path, not its target";
    EXPECT_EQ(opened.size(), 1);
}

} // namespace
} // namespace bramblet
