#include "Bramblet/Sidebar/SidebarController.h"

#include "Bramblet/Sidebar/SidebarModel.h"
#include "Sidebar/SidebarTestSupport.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMimeData>
#include <QTest>

namespace bramblet {
namespace {

using testing::FakeHome;

class SidebarControllerTest : public ::testing::Test {
protected:
    SidebarControllerTest()
        : sidebar([this] { return volumes; })
    {
        sidebar.navigate = [this](const QUrl& folder) { navigated.append(folder); };
        sidebar.favoriteAction = [this](const QString& path, bool moveUp) {
            favoriteActions.append({ path, moveUp });
        };
        sidebar.foldersDropped = [this](const QList<QUrl>& folders) { drops.append(folders); };
        sidebar.view()->resize(240, 600);
        sidebar.view()->show();
        tester = std::make_unique<QAbstractItemModelTester>(model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    }

    SidebarModel* model() const { return static_cast<SidebarModel*>(sidebar.outline()->model()); }

    // The index of the row whose path is `path` in `section` (0 Favorites, 1 Locations).
    QModelIndex rowOf(int section, const QString& path) const
    {
        const QModelIndex parent = model()->sectionIndex(section);
        for (int row = 0; row < model()->rowCount(parent); ++row) {
            const QModelIndex index = model()->index(row, 0, parent);
            if (model()->entry(index)->path == path)
                return index;
        }
        return {};
    }

    // The selected row as "section/title", or "none".
    QString selection() const
    {
        const QModelIndexList rows = sidebar.outline()->selectionModel()->selectedRows();
        if (rows.isEmpty())
            return QStringLiteral("none");
        return model()->entry(rows.first().parent())->title + u'/' + model()->entry(rows.first())->title;
    }

    // Right-clicks `index` (the root for an invalid one) and returns the titles the menu offers.
    QStringList menuTitlesAt(const QModelIndex& index)
    {
        QWidget* viewport = sidebar.outline()->viewport();
        const QPoint position = index.isValid() ? sidebar.outline()->visualRect(index).center() : QPoint(5, 590);
        QContextMenuEvent event(QContextMenuEvent::Mouse, position, viewport->mapToGlobal(position));
        QApplication::sendEvent(viewport, &event);
        QMenu* menu = sidebar.outline()->findChild<QMenu*>();
        QStringList titles;
        for (QAction* action : menu->actions())
            titles.append(action->text());
        EXPECT_EQ(menu->isVisible(), !titles.isEmpty());
        menu->hide();
        return titles;
    }

    FakeHome home;
    QList<MountedVolume> volumes = { { "/", "System", "ext4", true, true },
                                     { "/srv/data", "Data", "xfs", true, true } };
    SidebarController sidebar;
    std::unique_ptr<QAbstractItemModelTester> tester;
    QList<QUrl> navigated;
    QList<std::pair<QString, bool>> favoriteActions;
    QList<QList<QUrl>> drops;
};

TEST_F(SidebarControllerTest, ReloadShowsBothSectionsExpandedAndSelectsThePathSilently)
{
    sidebar.reload({ "/srv/projects" }, home.path() + "/Downloads");
    ASSERT_EQ(sidebar.sections().size(), 2u);
    EXPECT_EQ(model()->rowCount(model()->sectionIndex(0)), 7);
    EXPECT_EQ(testing::describe(*sidebar.sections()[1]),
              (QStringList { "System | Disk | /", "Data | Disk | /srv/data" }));
    EXPECT_TRUE(sidebar.outline()->isExpanded(model()->sectionIndex(0)));
    EXPECT_TRUE(sidebar.outline()->isExpanded(model()->sectionIndex(1)));
    EXPECT_EQ(selection(), "Favorites/Downloads");
    EXPECT_EQ(model()->data(rowOf(0, "/srv/projects"), Qt::ToolTipRole).toString(), "/srv/projects");
    EXPECT_FALSE(model()->data(model()->sectionIndex(0), Qt::ToolTipRole).isValid());
    EXPECT_TRUE(navigated.isEmpty());
}

TEST_F(SidebarControllerTest, SelectPicksTheFirstShownRowOrClearsWithoutNavigating)
{
    volumes.append({ "/srv/projects", "Projects", "ext4", true, true });
    sidebar.reload({ "/srv/projects" }, {});
    EXPECT_EQ(selection(), "none");

    const struct Case {
        const char* name;
        QString path;
        bool collapseFavorites;
        QString expected;
    } cases[] = {
        { "favourite that is also a volume: the upper row", "/srv/projects", false, "Favorites/projects" },
        { "volume only", "/srv/data", false, "Locations/Data" },
        { "found nowhere", "/nowhere", false, "none" },
        { "exact match only", "/srv/data/", false, "none" },
        { "found below in a shown section", "/srv/projects", true, "Locations/Projects" },
        { "only in a collapsed section", home.path(), true, "none" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sidebar.select("/srv/data"); // something selected before each case
        sidebar.outline()->setExpanded(model()->sectionIndex(0), !c.collapseFavorites);
        sidebar.select(c.path);
        EXPECT_EQ(selection(), c.expected);
    }
    EXPECT_TRUE(navigated.isEmpty());
}

TEST_F(SidebarControllerTest, PickingARowNavigatesAndHeadersCannotBePicked)
{
    sidebar.reload({}, {});
    const QModelIndex data = rowOf(1, "/srv/data");
    QTest::mouseClick(sidebar.outline()->viewport(), Qt::LeftButton, {},
                      sidebar.outline()->visualRect(data).center());
    EXPECT_EQ(navigated, QList<QUrl> { QUrl::fromLocalFile("/srv/data") });

    QTest::mouseClick(sidebar.outline()->viewport(), Qt::LeftButton, {},
                      sidebar.outline()->visualRect(model()->sectionIndex(0)).center());
    EXPECT_EQ(selection(), "Locations/Data");
    EXPECT_FALSE(model()->flags(model()->sectionIndex(1)).testFlag(Qt::ItemIsSelectable));

    sidebar.outline()->clearSelection();
    EXPECT_EQ(navigated.size(), 1);
}

TEST_F(SidebarControllerTest, ACollapsedSectionStaysCollapsedAcrossReloads)
{
    sidebar.reload({}, {});
    sidebar.outline()->collapse(model()->sectionIndex(1));
    sidebar.reload({ "/srv/projects" }, {});
    EXPECT_TRUE(sidebar.outline()->isExpanded(model()->sectionIndex(0)));
    EXPECT_FALSE(sidebar.outline()->isExpanded(model()->sectionIndex(1)));
}

TEST_F(SidebarControllerTest, OnlyFavouritesOfferMoveUpAndRemoveWhichReachTheOwner)
{
    sidebar.reload({ "/srv/a", "/srv/b" }, {});
    EXPECT_TRUE(menuTitlesAt(rowOf(0, home.path())).isEmpty());
    EXPECT_TRUE(menuTitlesAt(rowOf(1, "/srv/data")).isEmpty());
    EXPECT_TRUE(menuTitlesAt(model()->sectionIndex(0)).isEmpty());
    EXPECT_TRUE(menuTitlesAt({}).isEmpty());
    // The first favourite is offered "Move Up" too.
    EXPECT_EQ(menuTitlesAt(rowOf(0, "/srv/a")), (QStringList { "Move Up", "Remove from Sidebar" }));

    QMenu* menu = sidebar.outline()->findChild<QMenu*>();
    menuTitlesAt(rowOf(0, "/srv/b"));
    menu->actions().at(0)->trigger();
    menuTitlesAt(rowOf(0, "/srv/a"));
    menu->actions().at(1)->trigger();
    EXPECT_EQ(favoriteActions, (QList<std::pair<QString, bool>> { { "/srv/b", true }, { "/srv/a", false } }));

    // The owner answers with its new list; the sidebar shows it in that order.
    sidebar.reload({ "/srv/b", "/srv/c" }, "/srv/c");
    EXPECT_EQ(testing::describe(*sidebar.sections()[0]).mid(6),
              (QStringList { "b | Folder | /srv/b *", "c | Folder | /srv/c *" }));
    EXPECT_EQ(selection(), "Favorites/c");
}

class SidebarDropTest : public SidebarControllerTest {
protected:
    SidebarDropTest()
    {
        QDir(folders.path()).mkpath("one");
        QDir(folders.path()).mkpath("two");
        QFile file(folders.filePath("file.txt"));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        QFile::link(folders.filePath("one"), folders.filePath("link"));
        sidebar.reload({ "/srv/a" }, {});
    }

    std::unique_ptr<QMimeData> drag(const QStringList& names) const
    {
        auto data = std::make_unique<QMimeData>();
        QList<QUrl> urls;
        for (const QString& name : names)
            urls.append(name.contains(':') ? QUrl(name) : QUrl::fromLocalFile(folders.filePath(name)));
        data->setUrls(urls);
        return data;
    }

    // Sends a drag over `index` and, when it is taken, the drop; whether the drop was accepted.
    bool dropOnto(const QMimeData& data, const QModelIndex& index)
    {
        QWidget* viewport = sidebar.outline()->viewport();
        const QPoint position = sidebar.outline()->visualRect(index).center();
        QDragEnterEvent enter(position, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &enter);
        QDragMoveEvent move(position, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &move);
        if (!move.isAccepted())
            return false;
        QDropEvent drop(position, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &drop);
        return drop.isAccepted();
    }

    QTemporaryDir folders;
};

TEST_F(SidebarDropTest, FoldersDroppedOnFavoritesBecomeOneDropOnTheSection)
{
    sidebar.outline()->collapse(model()->sectionIndex(0));
    const auto data = drag({ "one/", "two/../two", "https://example.com/page" });
    EXPECT_TRUE(dropOnto(*data, model()->sectionIndex(0)));
    ASSERT_EQ(drops.size(), 1);
    EXPECT_EQ(drops[0], (QList<QUrl> { QUrl::fromLocalFile(folders.filePath("one")),
                                               QUrl::fromLocalFile(folders.filePath("two")) }));
    EXPECT_TRUE(sidebar.outline()->isExpanded(model()->sectionIndex(0)));

    EXPECT_TRUE(dropOnto(*drag({ "one" }), rowOf(0, home.path())));
    EXPECT_TRUE(dropOnto(*drag({ "one" }), rowOf(0, "/srv/a")));
    EXPECT_EQ(drops.size(), 3);
}

TEST_F(SidebarDropTest, DropsAreRefusedWholeOrOutsideFavorites)
{
    const struct Case {
        const char* name;
        QStringList items;
        int section;
        QString row; // empty: the section header itself
    } cases[] = {
        { "a folder and a file", { "one", "file.txt" }, 0, {} },
        { "a symbolic link to a folder", { "link" }, 0, {} },
        { "a missing folder", { "gone" }, 0, {} },
        { "no file URL", { "https://example.com/" }, 0, {} },
        { "onto the Locations header", { "one" }, 1, {} },
        { "onto a volume", { "one" }, 1, "/srv/data" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QModelIndex target = c.row.isEmpty() ? model()->sectionIndex(c.section) : rowOf(c.section, c.row);
        ASSERT_TRUE(target.isValid());
        EXPECT_FALSE(dropOnto(*drag(c.items), target));
    }
    EXPECT_TRUE(drops.isEmpty());
}

TEST(SidebarController, DropsBeforeTheFirstReloadAreRefused)
{
    SidebarController sidebar([] { return QList<MountedVolume>(); });
    QMimeData data;
    data.setUrls({ QUrl::fromLocalFile(QDir::tempPath()) });
    sidebar.view();
    auto* model = static_cast<SidebarModel*>(sidebar.outline()->model());
    EXPECT_FALSE(model->canDropMimeData(&data, Qt::CopyAction, -1, -1, {}));
    EXPECT_FALSE(model->dropMimeData(&data, Qt::CopyAction, -1, -1, {}));
}

} // namespace
} // namespace bramblet
