#include "PaneTestSupport.h"

#include <QHeaderView>
#include <QLabel>

#include <sys/stat.h>

namespace bramblet::testing {
namespace {

// A pane over a real folder of three files of different sizes and one subfolder.
class PaneSelectionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        tree.file(QStringLiteral("apple.txt"), QByteArray(30, 'x'));
        tree.file(QStringLiteral("banana.txt"), QByteArray(10, 'x'));
        tree.file(QStringLiteral("cherry.md"), QByteArray(20, 'x'));
        tree.folder(QStringLiteral("sub"));
        pane = std::make_unique<PaneController>(tree.path(), PaneMode::list);
        pane->changed = [this] { ++changes; };
        pane->resize(600, 400);
        pane->show();
        pane->refresh();
        ASSERT_TRUE(shows({ "sub", "apple.txt", "banana.txt", "cherry.md" }));
    }

    ::testing::AssertionResult shows(const QStringList& expected)
    {
        return eventually([&] { return names(pane->visible()) == expected; })
            << " showing " << names(pane->visible()).join(u',').toStdString();
    }

    void clickRow(int row, Qt::KeyboardModifiers modifiers = {})
    {
        FileTable* table = pane->table();
        QTest::mouseClick(table->viewport(), Qt::LeftButton, modifiers,
                          table->visualRect(table->model()->index(row, 0)).center());
    }

    void clickHeader(int column)
    {
        QHeaderView* header = pane->table()->horizontalHeader();
        const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    }

    TempTree tree;
    std::unique_ptr<PaneController> pane;
    int changes = 0;
};

TEST_F(PaneSelectionTest, SelectionSurvivesReloadSortAndFilter)
{
    clickRow(2); // banana.txt
    EXPECT_EQ(pane->activeTab().selectedPaths, QSet<QString>({ tree / QStringLiteral("banana.txt") }));
    EXPECT_EQ(pane->countLabel()->text(), QStringLiteral("4 items \u00B7 1 selected"));

    // Re-sorting by size descending moves banana.txt to the last row; it stays selected.
    clickHeader(PaneListModel::sizeColumn);
    clickHeader(PaneListModel::sizeColumn);
    EXPECT_EQ(pane->activeTab().sort, SortField::size);
    EXPECT_TRUE(pane->activeTab().descending);
    ASSERT_TRUE(shows({ "sub", "apple.txt", "cherry.md", "banana.txt" }));
    EXPECT_EQ(selectedRowNames(*pane), QStringList({ "banana.txt" }));

    // A reload keeps it; an item gone from the folder leaves the selection.
    clickRow(1, Qt::ControlModifier); // apple.txt as well
    ASSERT_TRUE(QFile::remove(tree / QStringLiteral("apple.txt")));
    pane->refresh();
    ASSERT_TRUE(shows({ "sub", "cherry.md", "banana.txt" }));
    EXPECT_EQ(selectedRowNames(*pane), QStringList({ "banana.txt" }));
    EXPECT_EQ(pane->activeTab().selectedPaths, QSet<QString>({ tree / QStringLiteral("banana.txt") }));

    // The filter's results still hold it, so it stays selected there too.
    pane->setFilter(QStringLiteral("an"));
    ASSERT_TRUE(shows({ "banana.txt" }));
    EXPECT_EQ(selectedRowNames(*pane), QStringList({ "banana.txt" }));
    pane->setFilter({});
    ASSERT_TRUE(shows({ "sub", "cherry.md", "banana.txt" }));
    EXPECT_EQ(selectedRowNames(*pane), QStringList({ "banana.txt" }));
}

TEST_F(PaneSelectionTest, SelectingRowsOutsideListModeDoesNotChangeTheTab)
{
    pane->setMode(PaneMode::grid);
    clickRow(1);
    EXPECT_TRUE(pane->activeTab().selectedPaths.isEmpty());
}

TEST_F(PaneSelectionTest, SelectMatchingFollowsTheFilterRulesAndLeavesTheFilterAlone)
{
    tree.file(QStringLiteral("notes.TXT.bak"));
    tree.file(QStringLiteral("LOUD.TXT"));
    pane->refresh();
    ASSERT_TRUE(shows({ "sub", "apple.txt", "banana.txt", "cherry.md", "LOUD.TXT", "notes.TXT.bak" }));
    struct Case {
        const char* pattern;
        QStringList expected;
    };
    const Case cases[] = {
        { "*.txt", { "apple.txt", "banana.txt", "LOUD.TXT" } },
        { "txt", { "apple.txt", "banana.txt", "LOUD.TXT", "notes.TXT.bak" } },
        { "", { "sub", "apple.txt", "banana.txt", "cherry.md", "LOUD.TXT", "notes.TXT.bak" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        changes = 0;
        pane->selectMatching(QString::fromUtf8(c.pattern));
        EXPECT_EQ(names(pane->selected()), c.expected);
        EXPECT_EQ(selectedRowNames(*pane), c.expected);
        EXPECT_TRUE(pane->activeTab().filter.isEmpty());
        EXPECT_EQ(pane->visible().size(), 6);
        EXPECT_EQ(changes, 1);
    }
}

TEST_F(PaneSelectionTest, OpenSelectedOpensOnlyTheFirstItemInDisplayOrder)
{
    QList<std::filesystem::path> opened;
    pane->openFile = [&](const std::filesystem::path& path) { opened.append(path); };
    pane->selectWhere([](const FileItem& item) { return item.name == u"apple.txt" || item.name == u"cherry.md"; });
    pane->openSelected();
    EXPECT_EQ(opened, QList<std::filesystem::path>({ pathFromString(tree / QStringLiteral("apple.txt")) }));

    // A folder first in display order is entered instead.
    opened.clear();
    pane->selectAll();
    pane->openSelected();
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_EQ(pane->activeTab().path, tree / QStringLiteral("sub"));
}

TEST_F(PaneSelectionTest, SpaceAsksForAPreviewAndReturnOpensNeitherReachingTheList)
{
    int previews = 0;
    QList<std::filesystem::path> opened;
    pane->previewSelection = [&] { ++previews; };
    pane->openFile = [&](const std::filesystem::path& file) { opened.append(file); };
    FileTable* table = pane->table();
    table->setFocus();
    table->setCurrentIndex(table->model()->index(1, 0));
    pane->selectWhere([](const FileItem&) { return false; });

    QTest::keyClick(table, Qt::Key_Space);
    EXPECT_EQ(previews, 1);
    QTest::keyClick(table, Qt::Key_Return);
    EXPECT_TRUE(opened.isEmpty()) << "nothing selected, nothing opened";
    // Neither key selected the current row, as the list would have.
    EXPECT_TRUE(pane->selected().isEmpty());
    pane->selectWhere([](const FileItem& item) { return item.name == "banana.txt"; });
    QTest::keyClick(table, Qt::Key_Enter);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened.first().filename(), "banana.txt");
    pane->selectWhere([](const FileItem&) { return false; });

    // Unset callbacks still consume the keys; other keys reach the list.
    pane->previewSelection = nullptr;
    QTest::keyClick(table, Qt::Key_Space);
    EXPECT_TRUE(pane->selected().isEmpty());
    QTest::keyClick(table, Qt::Key_Down);
    EXPECT_EQ(names(pane->selected()), QStringList({ "banana.txt" }));
}

TEST_F(PaneSelectionTest, SetPermissionsStopsAtTheFirstFailureWithoutReloading)
{
    const auto apple = pathFromString(tree / QStringLiteral("apple.txt"));
    const auto missing = pathFromString(tree / QStringLiteral("missing.txt"));
    const auto banana = pathFromString(tree / QStringLiteral("banana.txt"));
    ::chmod(apple.c_str(), 0644);
    ::chmod(banana.c_str(), 0644);
    tree.file(QStringLiteral("late.txt"));
    EXPECT_THROW(pane->setPermissions(0600, { apple, missing, banana }), std::system_error);
    EXPECT_EQ(QFileInfo(tree / QStringLiteral("apple.txt")).permissions() & QFile::ReadGroup, 0);
    EXPECT_NE(QFileInfo(tree / QStringLiteral("banana.txt")).permissions() & QFile::ReadGroup, 0);
    // No reload: the file made after the listing is not shown.
    QTest::qWait(100);
    EXPECT_EQ(pane->visible().size(), 4);

    pane->setPermissions(0600, { banana });
    EXPECT_TRUE(shows({ "sub", "apple.txt", "banana.txt", "cherry.md", "late.txt" }));
}

TEST_F(PaneSelectionTest, SetTagsReplacesTheTagsAndReloads)
{
    const auto apple = pathFromString(tree / QStringLiteral("apple.txt"));
    pane->setTags({ QStringLiteral("Red"), QStringLiteral("Work") }, { apple });
    ASSERT_TRUE(eventually([&] { return !pane->visible().isEmpty() && pane->visible()[1].tags.size() == 2; }));
    EXPECT_EQ(pane->visible()[1].tags, QStringList({ "Red", "Work" }));
    pane->setTags({}, { apple });
    EXPECT_TRUE(eventually([&] { return pane->visible()[1].tags.isEmpty(); }));
    // Removing tags that are not there is no failure.
    EXPECT_NO_THROW(pane->setTags({}, { apple }));
}

} // namespace
} // namespace bramblet::testing
