#include "PaneTestSupport.h"

#include "Bramblet/Pane/CompactGridLayout.h"
#include "Bramblet/Pane/FileTile.h"
#include "Bramblet/Pane/TileThumbnails.h"
#include "Bramblet/Theme/FileCollection.h"
#include "Bramblet/Theme/Theme.h"

#include <QImageWriter>
#include <QPromise>
#include <QScrollBar>
#include <QSignalSpy>

#include <unistd.h>

namespace bramblet::testing {
namespace {

TEST(CompactGridLayoutTest, RowsStartAtTheLeftWithAFixedGap)
{
    struct Case {
        int width;
        int columns;
        QList<QPoint> origins; // of the first tiles
    };
    const Case cases[] = {
        { 100, 1, { { 8, 8 }, { 8, 152 } } },
        { 155, 1, { { 8, 8 }, { 8, 152 } } },
        { 156, 1, { { 8, 8 }, { 8, 152 } } },
        { 312, 2, { { 8, 8 }, { 164, 8 }, { 8, 152 } } },
        { 500, 3, { { 8, 8 }, { 164, 8 }, { 320, 8 }, { 8, 152 } } },
        { 0, 1, { { 8, 8 } } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        EXPECT_EQ(CompactGridLayout::columns(c.width), c.columns);
        for (int item = 0; item < c.origins.size(); ++item) {
            EXPECT_EQ(CompactGridLayout::frame(item, c.width), QRect(c.origins[item], QSize(140, 128)));
        }
    }
}

TEST(CompactGridLayoutTest, TheTilesABandTouches)
{
    struct Case {
        int top, bottom, width, count;
        std::pair<int, int> expected;
    };
    const Case cases[] = {
        { 0, 100, 312, 10, { 0, 1 } },       // the first row
        { 0, 153, 312, 10, { 0, 3 } },       // reaches into the second row
        { 152, 296, 312, 10, { 2, 3 } },     // exactly the second row
        { 300, 2000, 312, 5, { 4, 4 } },     // the last, short row
        { 1000, 1200, 312, 5, { 1, 0 } },    // below every tile
        { 0, 0, 312, 5, { 1, 0 } },          // an empty band
        { 0, 500, 312, 0, { 1, 0 } },        // no tiles
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.top << ".." << c.bottom);
        EXPECT_EQ(CompactGridLayout::itemsBetween(c.top, c.bottom, c.width, c.count), c.expected);
    }
}

TEST(FileTileTest, NamesTakeAtMostTwoLinesCutInTheMiddle)
{
    const QFont font = Theme::font(12, QFont::Normal);
    EXPECT_EQ(FileTile::nameLines(QStringLiteral("short.txt"), font, 124), QStringList({ "short.txt" }));
    const QString longName = QStringLiteral("a-very-long-file-name-that-goes-on-and-on-and-on-until-it-ends.txt");
    const QStringList lines = FileTile::nameLines(longName, font, 124);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(longName.startsWith(lines[0]));
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("ends.txt")));
    EXPECT_TRUE(lines[1].contains(QChar(0x2026)));
    EXPECT_LE(QFontMetrics(font).horizontalAdvance(lines[1]), 124);
}

// A thumbnail reader whose answers the test gives, in any order.
class FakeReader {
public:
    TileThumbnails::Reader reader()
    {
        return [this](const std::filesystem::path& file, QSize) {
            auto promise = std::make_shared<QPromise<QImage>>();
            promise->start();
            requests.append({ pathString(file), promise });
            return promise->future();
        };
    }

    void answer(int request, const QImage& image)
    {
        requests[request].second->addResult(image);
        requests[request].second->finish();
    }

    QList<std::pair<QString, std::shared_ptr<QPromise<QImage>>>> requests;
};

QImage picture()
{
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::red);
    return image;
}

TEST(TileThumbnailsTest, APictureForAPathNoLongerShownIsDropped)
{
    FakeReader fake;
    TileThumbnails thumbnails(fake.reader(), FileTile::imageSize);
    QSignalSpy arrived(&thumbnails, &TileThumbnails::arrived);

    thumbnails.setShown({ "/f/a.png" }, { "/f/a.png" });
    thumbnails.setShown({ "/f/b.png" }, { "/f/b.png" }); // the tile now shows b
    ASSERT_EQ(fake.requests.size(), 2);
    EXPECT_TRUE(fake.requests[0].second->isCanceled()); // a's request left with its tile
    fake.answer(0, picture());                          // a's answer arrives anyway
    QCoreApplication::processEvents();
    EXPECT_TRUE(thumbnails.thumbnail("/f/a.png").isNull());
    EXPECT_TRUE(arrived.isEmpty());

    fake.answer(1, picture());
    ASSERT_TRUE(eventually([&] { return arrived.size() == 1; }));
    EXPECT_EQ(arrived[0][0].toString(), QStringLiteral("/f/b.png"));
    EXPECT_FALSE(thumbnails.thumbnail("/f/b.png").isNull());
    EXPECT_TRUE(thumbnails.thumbnail("/f/a.png").isNull());
}

TEST(TileThumbnailsTest, EachShownPathIsAskedForOnce)
{
    FakeReader fake;
    TileThumbnails thumbnails(fake.reader(), FileTile::imageSize);
    // Shown but not wanted (a folder): never asked for.
    thumbnails.setShown({ "/f/a.png", "/f/dir", "/f/notes.txt" }, { "/f/a.png", "/f/notes.txt" });
    thumbnails.setShown({ "/f/a.png", "/f/dir", "/f/notes.txt" }, { "/f/a.png", "/f/notes.txt" });
    ASSERT_EQ(fake.requests.size(), 2);
    fake.answer(0, picture());
    fake.answer(1, QImage()); // not a picture
    ASSERT_TRUE(eventually([&] { return thumbnails.pendingCount() == 0; }));
    // Scrolling a little keeps the answers, the one without a picture included.
    thumbnails.setShown({ "/f/a.png", "/f/notes.txt", "/f/c.png" }, { "/f/a.png", "/f/notes.txt", "/f/c.png" });
    ASSERT_EQ(fake.requests.size(), 3);
    EXPECT_EQ(fake.requests[2].first, QStringLiteral("/f/c.png"));
    EXPECT_FALSE(thumbnails.thumbnail("/f/a.png").isNull());
    // Leaving and coming back asks again: nothing is kept for what is not on screen.
    thumbnails.setShown({}, {});
    EXPECT_TRUE(thumbnails.thumbnail("/f/a.png").isNull());
    thumbnails.setShown({ "/f/a.png" }, { "/f/a.png" });
    EXPECT_EQ(fake.requests.size(), 4);
}

// A pane in grid mode over a real folder of pictures, a text file and a subfolder.
class PaneGridTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : { "one.png", "two.png" }) {
            QImage image(64, 48, QImage::Format_RGB32);
            image.fill(Qt::blue);
            ASSERT_TRUE(image.save(tree / QString::fromLatin1(name)));
        }
        tree.file(QStringLiteral("notes.txt"), "text");
        tree.folder(QStringLiteral("pictures.png"));
        pane = std::make_unique<PaneController>(tree.path(), PaneMode::grid);
        pane->changed = [this] { ++changes; };
        pane->resize(600, 400);
        pane->show();
        pane->refresh();
        ASSERT_TRUE(eventually([&] { return pane->visible().size() == 4; }));
    }

    TempTree tree;
    std::unique_ptr<PaneController> pane;
    int changes = 0;
};

TEST_F(PaneGridTest, TilesSitWhereTheCompactLayoutPutsThem)
{
    FileCollection* grid = pane->collection();
    EXPECT_TRUE(grid->isVisible());
    EXPECT_FALSE(pane->table()->isVisible());
    // Widths on both sides of a column boundary, with and without the scroll bar's room.
    for (int width : { 300, 320, 470, 480, 640, 150 }) {
        SCOPED_TRACE(width);
        pane->resize(width, 400);
        ASSERT_TRUE(eventually([&] { return grid->width() == width; }));
        grid->doItemsLayout();
        const int gridWidth = CompactGridLayout::width(grid);
        EXPECT_GT(gridWidth, width - 40);
        for (int item = 0; item < 4; ++item) {
            const QRect cell = grid->visualRect(grid->model()->index(item, 0));
            const int half = CompactGridLayout::spacing / 2;
            EXPECT_EQ(cell.adjusted(half, half, -half, -half), CompactGridLayout::frame(item, gridWidth)) << item;
        }
    }
}

TEST_F(PaneGridTest, PicturesGetThumbnailsFoldersAndOtherFilesKeepTheirIcons)
{
    TileThumbnails* thumbnails = pane->tileThumbnails();
    ASSERT_TRUE(eventually([&] {
        return !thumbnails->thumbnail(tree / "one.png").isNull() && !thumbnails->thumbnail(tree / "two.png").isNull();
    }));
    EXPECT_EQ(thumbnails->thumbnail(tree / "one.png").size(), QSize(64, 48)); // never scaled up
    EXPECT_TRUE(thumbnails->thumbnail(tree / "notes.txt").isNull());
    EXPECT_TRUE(thumbnails->thumbnail(tree / "pictures.png").isNull());
    // Out of grid mode nothing is kept.
    pane->setMode(PaneMode::list);
    ASSERT_TRUE(eventually([&] { return thumbnails->thumbnail(tree / "one.png").isNull(); }));
}

TEST_F(PaneGridTest, TheGridSelectionIsTheTabsWhileTheGridShows)
{
    FileCollection* grid = pane->collection();
    const auto click = [grid](int item, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers,
                          grid->visualRect(grid->model()->index(item, 0)).center());
    };
    click(1);
    click(3, Qt::ControlModifier);
    EXPECT_EQ(names(pane->selected()), QStringList({ "notes.txt", "two.png" }));
    EXPECT_GE(changes, 2);

    // The list takes the selection over; its own changes are the tab's from then on.
    pane->setMode(PaneMode::list);
    EXPECT_EQ(selectedRowNames(*pane), QStringList({ "notes.txt", "two.png" }));
    // Changing the hidden grid's selection leaves the tab alone.
    grid->selectionModel()->clearSelection();
    EXPECT_EQ(names(pane->selected()), QStringList({ "notes.txt", "two.png" }));

    pane->setMode(PaneMode::grid);
    EXPECT_EQ(grid->selectionModel()->selectedRows().size(), 2);
}

} // namespace
} // namespace bramblet::testing
