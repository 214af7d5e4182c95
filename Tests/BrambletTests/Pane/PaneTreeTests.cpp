#include "FakeFileService.h"
#include "PaneTestSupport.h"

#include "Bramblet/Pane/FileTreeModel.h"
#include "Bramblet/Pane/FileTreeView.h"
#include "BrambletCore/Files/SystemError.h"
#include "BrambletCore/Models/FileFailure.h"

#include <QAbstractItemModelTester>

#include <cerrno>

namespace bramblet::testing {
namespace {

const QString folder = QStringLiteral("/pane");

// A pane in tree mode whose file service answers only when the test says so; the top level is
// two folders, a link to a folder and a file.
class PaneTreeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto fake = std::make_unique<FakeFileService>();
        service = fake.get();
        pane = std::make_unique<PaneController>(folder, PaneMode::tree, std::move(fake));
        pane->setSearchDelay(std::chrono::milliseconds(50));
        pane->changed = [this] { ++changes; };
        pane->resize(600, 400);
        pane->show();
        tester = std::make_unique<QAbstractItemModelTester>(model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        FileItem link = makeItem(folder, "link");
        link.isSymbolicLink = true;
        load({ makeItem(folder, "alpha", true), makeItem(folder, "beta", true), link, makeItem(folder, "z.txt") });
    }

    void load(const QList<FileItem>& items)
    {
        pane->refresh();
        service->listCalls.last().answer(items);
        ASSERT_TRUE(eventually([&] { return model()->rowCount() == items.size(); }));
    }

    FileTreeModel* model() const { return pane->treeModel(); }
    QModelIndex top(int row) const { return model()->index(row, 0); }
    // The texts of the rows under `parent`.
    QStringList rows(const QModelIndex& parent = {}) const
    {
        QStringList texts;
        for (int row = 0; row < model()->rowCount(parent); ++row)
            texts.append(model()->data(model()->index(row, 0, parent)).toString());
        return texts;
    }
    // Expands a top-level folder; the listing it asks for.
    FakeFileService::Call expand(int row)
    {
        const qsizetype calls = service->listCalls.size();
        pane->tree()->expand(top(row));
        EXPECT_EQ(service->listCalls.size(), calls + 1);
        return service->listCalls.last();
    }

    FakeFileService* service = nullptr;
    std::unique_ptr<PaneController> pane;
    std::unique_ptr<QAbstractItemModelTester> tester;
    int changes = 0;
};

TEST_F(PaneTreeTest, AFolderShowsLoadingThenItsFilteredSortedItems)
{
    EXPECT_EQ(rows(), QStringList({ "alpha", "beta", "link", "z.txt" }));
    EXPECT_TRUE(model()->hasChildren(top(0)));
    // A link to a folder and a file never open.
    EXPECT_FALSE(model()->hasChildren(top(2)));
    EXPECT_FALSE(model()->hasChildren(top(3)));

    const FakeFileService::Call call = expand(0);
    EXPECT_EQ(call.folder, pathFromString(folder + "/alpha"));
    EXPECT_EQ(rows(top(0)), QStringList({ "Loading…" }));
    EXPECT_FALSE(model()->flags(model()->index(0, 0, top(0))).testFlag(Qt::ItemIsSelectable));

    const QString inside = folder + "/alpha";
    call.answer({ makeItem(inside, "b.txt"), makeItem(inside, ".hidden"), makeItem(inside, "a.txt"),
                  makeItem(inside, "sub", true) });
    ASSERT_TRUE(eventually([&] { return rows(top(0)) == QStringList({ "sub", "a.txt", "b.txt" }); }));
    EXPECT_EQ(model()->data(model()->index(1, 0, top(0)), Qt::ToolTipRole).toString(), inside + "/a.txt");

    // Collapsing and expanding again lists nothing anew.
    pane->tree()->collapse(top(0));
    const qsizetype calls = service->listCalls.size();
    pane->tree()->expand(top(0));
    EXPECT_EQ(service->listCalls.size(), calls);
    EXPECT_EQ(rows(top(0)), QStringList({ "sub", "a.txt", "b.txt" }));
}

TEST_F(PaneTreeTest, SubfoldersFollowTheTabsFilterAndHiddenSetting)
{
    pane->setShowHidden(true);
    const FakeFileService::Call call = expand(1);
    const QString inside = folder + "/beta";
    call.answer({ makeItem(inside, ".hidden"), makeItem(inside, "x.txt") });
    ASSERT_TRUE(eventually([&] { return rows(top(1)) == QStringList({ ".hidden", "x.txt" }); }));
}

TEST_F(PaneTreeTest, AListingThatFinishesAfterARebuildIsDropped)
{
    const FakeFileService::Call stale = expand(0);
    // A refresh that has not even answered yet already makes the expansion stale.
    pane->refresh();
    stale.answer({ makeItem(folder + "/alpha", "late.txt") });
    QCoreApplication::processEvents();
    QTest::qWait(20);
    EXPECT_EQ(rows(top(0)), QStringList({ "Loading…" }));

    // The new tree starts collapsed and unloaded; an old answer cannot reach it either.
    service->listCalls.last().answer({ makeItem(folder, "alpha", true) });
    ASSERT_TRUE(eventually([&] { return rows() == QStringList({ "alpha" }); }));
    EXPECT_EQ(model()->rowCount(top(0)), 0);
    EXPECT_FALSE(pane->tree()->isExpanded(top(0)));
    const FakeFileService::Call fresh = expand(0);
    fresh.answer({ makeItem(folder + "/alpha", "new.txt") });
    ASSERT_TRUE(eventually([&] { return rows(top(0)) == QStringList({ "new.txt" }); }));
}

TEST_F(PaneTreeTest, AFolderThatCannotBeListedGetsAMessageRow)
{
    expand(0).fail(std::make_exception_ptr(systemError(EACCES, "Couldn’t open the folder", "/pane/alpha")));
    expand(1).fail(std::make_exception_ptr(FileFailure::system(QStringLiteral("The folder is gone."))));
    ASSERT_TRUE(eventually([&] { return rows(top(0)) == QStringList({ "Access denied" }); }));
    ASSERT_TRUE(eventually([&] { return rows(top(1)) == QStringList({ "Could not load folder" }); }));
    EXPECT_EQ(model()->data(model()->index(0, 0, top(0)), Qt::ToolTipRole).toString(), folder + "/alpha");
    // The rest of the tree stays usable.
    pane->tree()->selectionModel()->select(top(3), QItemSelectionModel::ClearAndSelect);
    EXPECT_EQ(names(pane->selected()), QStringList({ "z.txt" }));
}

TEST_F(PaneTreeTest, SelectingNestedRowsRecordsTheirPaths)
{
    const QString inside = folder + "/alpha";
    expand(0).answer({ makeItem(inside, "a.txt"), makeItem(inside, "b.txt") });
    ASSERT_TRUE(eventually([&] { return model()->rowCount(top(0)) == 2; }));
    changes = 0;
    QItemSelection selection;
    selection.select(model()->index(1, 0, top(0)), model()->index(1, 0, top(0)));
    selection.select(top(3), top(3));
    selection.select(top(1), top(1));
    pane->tree()->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    // In the order the tree shows them, subfolders' items included.
    EXPECT_EQ(names(pane->selected()), QStringList({ "b.txt", "beta", "z.txt" }));
    EXPECT_EQ(pane->activeTab().selectedPaths,
              QSet<QString>({ inside + "/b.txt", folder + "/beta", folder + "/z.txt" }));
    EXPECT_EQ(changes, 1);

    // Back in the list, the items shown at the top level stay selected.
    pane->setMode(PaneMode::list);
    pane->setMode(PaneMode::tree);
    EXPECT_EQ(names(pane->selected()), QStringList({ "beta", "z.txt" }));
}

// A folder longer than one chunk shows its first rows before the rest are appended after them.
TEST_F(PaneTreeTest, ALargeFolderArrivesWholeAndInOrder)
{
    const QString inside = folder + "/alpha";
    const int count = int(PaneListModel::chunkSize) * 2 + 5;
    QList<FileItem> items;
    for (int i = count - 1; i >= 0; --i)
        items.append(makeItem(inside, QStringLiteral("f%1").arg(i, 5, 10, QLatin1Char('0'))));
    expand(0).answer(items);
    ASSERT_TRUE(eventually([&] { return model()->rowCount(top(0)) == count; }));
    const QStringList shown = rows(top(0));
    QStringList sorted = shown;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(shown, sorted);
    EXPECT_EQ(shown.first(), QStringLiteral("f00000"));
}

TEST_F(PaneTreeTest, OtherPresentationsDoNotHoldTheTree)
{
    pane->setMode(PaneMode::list);
    EXPECT_EQ(model()->rowCount(), 0);
    pane->setMode(PaneMode::tree);
    EXPECT_EQ(rows(), QStringList({ "alpha", "beta", "link", "z.txt" }));
}

} // namespace
} // namespace bramblet::testing
