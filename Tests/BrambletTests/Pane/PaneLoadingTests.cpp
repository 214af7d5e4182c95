#include "FakeFileService.h"
#include "PaneTestSupport.h"

#include "Bramblet/Theme/ImageView.h"
#include "BrambletCore/Files/SystemError.h"
#include "BrambletCore/Models/FileFailure.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>

namespace bramblet::testing {
namespace {

const QString folder = QStringLiteral("/pane");

// A pane whose file service answers only when the test says so.
class PaneLoadingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto fake = std::make_unique<FakeFileService>();
        service = fake.get();
        pane = std::make_unique<PaneController>(folder, PaneMode::list, std::move(fake));
        pane->setSearchDelay(std::chrono::milliseconds(50));
        pane->changed = [this] { ++changes; };
        pane->resize(600, 400);
        pane->show();
    }

    // Lists `folder` with the given names, answered at once.
    void load(const QStringList& listing)
    {
        pane->refresh();
        QList<FileItem> items;
        for (const QString& name : listing)
            items.append(makeItem(folder, name));
        service->listCalls.last().answer(items);
        ASSERT_TRUE(eventually([&] {
            return pane->stateLabel()->text() != QStringLiteral("Loading folder…") && names(pane->visible()) == listing;
        }));
    }

    ::testing::AssertionResult shows(const QStringList& expected)
    {
        return eventually([&] { return names(pane->visible()) == expected; })
            << " showing " << names(pane->visible()).join(u',').toStdString();
    }

    bool stateShown() const { return !pane->stateView()->isHidden(); }

    FakeFileService* service = nullptr;
    std::unique_ptr<PaneController> pane;
    int changes = 0;
};

TEST_F(PaneLoadingTest, OnlyTheNewestListingIsShown)
{
    pane->refresh();
    EXPECT_EQ(pane->stateLabel()->text(), QStringLiteral("Loading folder…"));
    EXPECT_TRUE(stateShown());
    pane->refresh();
    ASSERT_EQ(service->listCalls.size(), 2);
    service->listCalls[1].answer({ makeItem(folder, QStringLiteral("new")) });
    ASSERT_TRUE(shows({ "new" }));
    EXPECT_FALSE(stateShown());
    // The first listing arrives late and is dropped.
    service->listCalls[0].answer({ makeItem(folder, QStringLiteral("old")) });
    QTest::qWait(100);
    EXPECT_EQ(names(pane->visible()), QStringList({ "new" }));
    EXPECT_EQ(names(pane->items()), QStringList({ "new" }));
}

TEST_F(PaneLoadingTest, TypingSearchesOnceForTheWholeTextAfterThePause)
{
    load({ "a", "b" });
    pane->setFilter(QStringLiteral("r"));
    pane->setFilter(QStringLiteral("re"));
    pane->setFilter(QStringLiteral("rep"));
    // The views empty and the searching state shows before the pause.
    EXPECT_TRUE(pane->visible().isEmpty());
    EXPECT_EQ(pane->listModel()->rowCount(), 0);
    EXPECT_EQ(pane->stateLabel()->text(), QStringLiteral("Searching this folder and subfolders…"));
    EXPECT_FALSE(pane->searchIndicator()->isHidden());
    EXPECT_TRUE(service->searchCalls.isEmpty());

    ASSERT_TRUE(eventually([&] { return !service->searchCalls.isEmpty(); }));
    QTest::qWait(100);
    ASSERT_EQ(service->searchCalls.size(), 1);
    EXPECT_EQ(service->searchCalls[0].query, QStringLiteral("rep"));
    EXPECT_EQ(service->searchCalls[0].folder, pathFromString(folder));

    service->searchCalls[0].answer({ makeItem(folder, QStringLiteral("sub/report")), makeItem(folder, QStringLiteral("Rep")) });
    EXPECT_TRUE(shows({ "Rep", "sub/report" }));
    EXPECT_TRUE(pane->searchIndicator()->isHidden());
}

TEST_F(PaneLoadingTest, AStaleSearchResultIsDropped)
{
    load({ "a" });
    pane->setFilter(QStringLiteral("x"));
    ASSERT_TRUE(eventually([&] { return service->searchCalls.size() == 1; }));
    pane->setFilter(QStringLiteral("y"));
    ASSERT_TRUE(eventually([&] { return service->searchCalls.size() == 2; }));
    EXPECT_TRUE(service->searchCalls[0].isCanceled());
    service->searchCalls[1].answer({ makeItem(folder, QStringLiteral("y1")) });
    ASSERT_TRUE(shows({ "y1" }));
    // The older search answers late anyway (a service that ignores cancellation).
    service->searchCalls[0].answer({ makeItem(folder, QStringLiteral("x1")) });
    QTest::qWait(100);
    EXPECT_EQ(names(pane->visible()), QStringList({ "y1" }));
}

TEST_F(PaneLoadingTest, ClearingTheFilterWhileASearchWaitsShowsTheListingAtOnce)
{
    load({ "a", "b" });
    pane->setFilter(QStringLiteral("a"));
    pane->setFilter({});
    EXPECT_TRUE(shows({ "a", "b" }));
    QTest::qWait(120);
    EXPECT_TRUE(service->searchCalls.isEmpty());
    EXPECT_FALSE(stateShown());
}

TEST_F(PaneLoadingTest, CachedResultsAnswerTheSameTextAndHiddenSetting)
{
    load({ "a" });
    pane->setFilter(QStringLiteral("q"));
    ASSERT_TRUE(eventually([&] { return service->searchCalls.size() == 1; }));
    service->searchCalls[0].answer({ makeItem(folder, QStringLiteral("q1")), makeItem(folder, QStringLiteral("q2")) });
    ASSERT_TRUE(shows({ "q1", "q2" }));

    // A new sort re-uses the results.
    pane->table()->horizontalHeader()->setSortIndicator(PaneListModel::nameColumn, Qt::DescendingOrder);
    ASSERT_TRUE(shows({ "q2", "q1" }));
    QTest::qWait(100);
    EXPECT_EQ(service->searchCalls.size(), 1);

    // Another hidden setting searches again.
    pane->setShowHidden(true);
    pane->applyFilter();
    ASSERT_TRUE(eventually([&] { return service->searchCalls.size() == 2; }));
    EXPECT_TRUE(service->searchCalls[1].showHidden);

    // So does a reload with the filter set, after listing.
    pane->refresh();
    service->listCalls.last().answer({ makeItem(folder, QStringLiteral("a")) });
    ASSERT_TRUE(eventually([&] { return service->searchCalls.size() == 3; }));
}

TEST_F(PaneLoadingTest, EmptyAndNoMatchStates)
{
    load({});
    EXPECT_TRUE(stateShown());
    EXPECT_EQ(pane->stateLabel()->text(), QStringLiteral("This folder is empty"));
    EXPECT_EQ(pane->stateIcon()->accessibleName(), QStringLiteral("Folder"));
    EXPECT_EQ(pane->countLabel()->text(), QStringLiteral("0 items"));

    pane->setFilter(QStringLiteral("zz"));
    ASSERT_TRUE(eventually([&] { return service->searchCalls.size() == 1; }));
    service->searchCalls[0].answer({});
    ASSERT_TRUE(eventually([&] { return pane->stateLabel()->text().startsWith(QStringLiteral("No matching")); }));
    EXPECT_EQ(pane->stateLabel()->text(), QStringLiteral("No matching files\nTry a different name or clear the search."));
    EXPECT_EQ(pane->stateIcon()->accessibleName(), QStringLiteral("Search"));
    EXPECT_TRUE(stateShown());
    EXPECT_TRUE(pane->chooseFolderButton()->isHidden());
}

TEST_F(PaneLoadingTest, ListingAndSearchFailuresShowTheirState)
{
    struct Case {
        const char* name;
        int error;
        bool search;
        QString text;
        bool chooseFolder;
    };
    const Case cases[] = {
        { "listing, access denied", EACCES, false,
          QStringLiteral("Access to this folder is restricted.\nChange the folder’s permissions or ask its owner for "
                         "access, then refresh."),
          true },
        { "listing, missing folder", ENOENT, false,
          QStringLiteral("This location is unavailable\nCouldn’t open the folder “/pane”: ") + QString::fromLocal8Bit(strerror(ENOENT)),
          false },
        { "search, not permitted", EPERM, true,
          QStringLiteral("Access to this folder is restricted.\nChange the folder’s permissions or ask its owner for "
                         "access, then search again."),
          true },
        { "search, other error", EIO, true,
          QStringLiteral("Search failed\nCouldn’t open the folder “/pane”: ") + QString::fromLocal8Bit(strerror(EIO)), false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pane->setFilter({});
        load({ "a" });
        const auto error = std::make_exception_ptr(systemError(c.error, QStringLiteral("Couldn’t open the folder"), "/pane"));
        if (c.search) {
            pane->setFilter(QStringLiteral("a"));
            ASSERT_TRUE(eventually([&] { return !service->searchCalls.isEmpty() && !service->searchCalls.last().promise->future().isFinished(); }));
            service->searchCalls.last().fail(error);
        } else {
            pane->refresh();
            service->listCalls.last().fail(error);
        }
        changes = 0;
        ASSERT_TRUE(eventually([&] { return changes > 0; }));
        EXPECT_EQ(pane->stateLabel()->text(), c.text);
        EXPECT_TRUE(stateShown());
        EXPECT_EQ(!pane->chooseFolderButton()->isHidden(), c.chooseFolder);
        EXPECT_TRUE(pane->visible().isEmpty());
        EXPECT_EQ(pane->listModel()->rowCount(), 0);
        EXPECT_TRUE(pane->searchIndicator()->isHidden());
    }
    // The next reload hides the access buttons again.
    pane->refresh();
    EXPECT_TRUE(pane->chooseFolderButton()->isHidden());
}

TEST_F(PaneLoadingTest, ACancelledSearchShowsNoError)
{
    load({ "a" });
    pane->setFilter(QStringLiteral("a"));
    ASSERT_TRUE(eventually([&] { return service->searchCalls.size() == 1; }));
    service->searchCalls[0].fail(std::make_exception_ptr(FileFailure(FileFailure::Kind::cancelled)));
    QTest::qWait(100);
    EXPECT_EQ(pane->stateLabel()->text(), QStringLiteral("Searching this folder and subfolders…"));
}

TEST(PaneAccessDenied, RecognisesPermissionErrorsAlsoWhenNested)
{
    const auto denied = systemError(EACCES, QStringLiteral("Couldn’t open"), "/x");
    struct Case {
        const char* name;
        std::exception_ptr error;
        bool expected;
    };
    std::exception_ptr nestedDenied;
    try {
        try {
            throw denied;
        } catch (...) {
            std::throw_with_nested(FileFailure::system(QStringLiteral("wrapped")));
        }
    } catch (...) {
        nestedDenied = std::current_exception();
    }
    const Case cases[] = {
        { "EACCES", std::make_exception_ptr(denied), true },
        { "EPERM", std::make_exception_ptr(systemError(EPERM, QStringLiteral("x"), "/x")), true },
        { "ENOENT", std::make_exception_ptr(systemError(ENOENT, QStringLiteral("x"), "/x")), false },
        { "our own failure", std::make_exception_ptr(FileFailure(FileFailure::Kind::missingSource)), false },
        { "nested EACCES", nestedDenied, true },
        { "nothing", nullptr, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PaneController::isAccessDenied(c.error), c.expected);
    }
}

TEST_F(PaneLoadingTest, ALargeListingArrivesInChunksWithItsSelectionAndScroll)
{
    const int count = PaneListModel::chunkSize * 3 + 5;
    QList<FileItem> items;
    for (int i = 0; i < count; ++i)
        items.append(makeItem(folder, QStringLiteral("file%1").arg(i, 6, 10, QLatin1Char('0'))));
    const QString last = folder + QStringLiteral("/file%1").arg(count - 1, 6, 10, QLatin1Char('0'));
    QList<TabSnapshot> tabs { TabSnapshot(folder, PaneMode::list) };
    tabs[0].selectedPaths = { folder + QStringLiteral("/file000001"), last };
    tabs[0].scroll = 28.0 * (count - 20);
    pane->setTabs(tabs, 0);

    QAbstractItemModelTester tester(pane->listModel(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    pane->refresh();
    service->listCalls.last().answer(items);
    // The first rows come first (the head of the sorted list, or the first chunk of all of it),
    // already in their final order.
    ASSERT_TRUE(eventually([&] { return pane->listModel()->rowCount() > 0; }));
    const int firstRows = pane->listModel()->rowCount();
    EXPECT_LT(firstRows, count);
    EXPECT_EQ(pane->listModel()->items()[firstRows - 1].name,
              QStringLiteral("file%1").arg(firstRows - 1, 6, 10, QLatin1Char('0')));
    ASSERT_TRUE(eventually([&] { return pane->visible().size() == count && !pane->listModel()->isPopulating(); }));
    EXPECT_EQ(pane->listModel()->rowCount(), count);
    EXPECT_EQ(selectedRowNames(*pane), QStringList({ "file000001", last.section(u'/', -1) }));
    EXPECT_EQ(pane->activeTab().selectedPaths.size(), 2);
    EXPECT_EQ(pane->table()->verticalScrollBar()->value(), int(28.0 * (count - 20)));
    EXPECT_EQ(pane->countLabel()->text(), QStringLiteral("%1 items \u00B7 2 selected").arg(QLocale().toString(count)));
}

} // namespace
} // namespace bramblet::testing
