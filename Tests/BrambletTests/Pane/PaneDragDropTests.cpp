#include "PaneTestSupport.h"

#include "Bramblet/Pane/FileTreeModel.h"
#include "Bramblet/Pane/FileTreeView.h"
#include "Bramblet/Pane/FileUrls.h"
#include "Bramblet/Theme/FileCollection.h"

#include <QDropEvent>
#include <QLabel>
#include <QMimeData>

namespace bramblet::testing {
namespace {

QMimeData* uriList(const QByteArray& list)
{
    auto* data = new QMimeData;
    data->setData(QStringLiteral("text/uri-list"), list);
    return data;
}

QStringList pathTexts(const QList<std::filesystem::path>& paths)
{
    QStringList texts;
    for (const auto& path : paths)
        texts.append(QString::fromStdString(path.native()));
    return texts;
}

TEST(FileUrlsTest, OnlyLocalFilesAreRead)
{
    struct Case {
        const char* list;
        QStringList expected;
    };
    const Case cases[] = {
        { "file:///tmp/a.txt\r\nfile:///tmp/b%20c.txt\r\n", { "/tmp/a.txt", "/tmp/b c.txt" } },
        { "# a comment\nfile://localhost/srv/x\n", { "/srv/x" } },
        { "https://example.com/a\nfile://otherhost/srv/y\nfile:relative\nfile:/tmp/short", { "/tmp/short" } },
        { "file:///tmp/nul%00name\n", {} },
        { "", {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.list);
        const std::unique_ptr<QMimeData> data(uriList(c.list));
        EXPECT_EQ(pathTexts(fileUrls(data.get())), c.expected);
    }
    QMimeData text;
    text.setText(QStringLiteral("/tmp/a.txt"));
    EXPECT_TRUE(fileUrls(&text).isEmpty());
}

TEST(FileUrlsTest, PathsTravelByTheirBytes)
{
    const QList<std::filesystem::path> files = { "/tmp/caf\xe9 #1%.txt", "/tmp/\xe6\x97\xa5 \xff" };
    const std::unique_ptr<QMimeData> data(fileUrlsMimeData(files));
    EXPECT_TRUE(data->hasUrls());
    EXPECT_EQ(fileUrls(data.get()), files);
}

// A pane over a real folder with two files and a subfolder; drops are recorded.
class PaneDragDropTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        tree.file(QStringLiteral("a.txt"));
        tree.file(QStringLiteral("b.txt"));
        tree.folder(QStringLiteral("sub"));
        tree.file(QStringLiteral("sub/inner.txt"));
        pane = std::make_unique<PaneController>(tree.path(), PaneMode::list);
        pane->dropped = [this](const QList<std::filesystem::path>& files, const std::filesystem::path& destination,
                               bool move) { drops.append({ files, destination, move }); };
        pane->resize(600, 400);
        pane->show();
        pane->refresh();
        ASSERT_TRUE(eventually([&] { return pane->visible().size() == 3 && !pane->listModel()->isPopulating(); }));
    }

    // Sends a drop of `data` at `position` in `view`; the action the pane settled on, if it took it.
    std::optional<Qt::DropAction> drop(QAbstractItemView* view, const QMimeData* data, QPoint position,
                                       Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction)
    {
        // Moves and the drop go to the widget that accepted the drag as it entered.
        QDragEnterEvent enter(position, offered, data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(view->viewport(), &enter);
        if (!enter.isAccepted())
            return std::nullopt;
        QDragMoveEvent move(position, offered, data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(view->viewport(), &move);
        if (!move.isAccepted() || move.dropAction() != Qt::CopyAction)
            return std::nullopt;
        QDropEvent event(QPointF(position), offered, data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(view->viewport(), &event);
        if (!event.isAccepted())
            return std::nullopt;
        return event.dropAction();
    }

    struct Drop {
        QList<std::filesystem::path> files;
        std::filesystem::path destination;
        bool move;
    };

    TempTree tree;
    std::unique_ptr<PaneController> pane;
    QList<Drop> drops;
};

TEST_F(PaneDragDropTest, ADropOnAFolderRowIsACopyIntoTheTabsFolder)
{
    const std::unique_ptr<QMimeData> data(uriList("file:///elsewhere/one\r\nfile:///elsewhere/two\r\n"));
    FileTable* table = pane->table();
    const QPoint onFolder = table->visualRect(table->model()->index(0, 0)).center(); // "sub"
    EXPECT_EQ(drop(table, data.get(), onFolder), Qt::CopyAction);
    ASSERT_EQ(drops.size(), 1);
    EXPECT_EQ(drops[0].files, QList<std::filesystem::path>({ "/elsewhere/one", "/elsewhere/two" }));
    EXPECT_EQ(drops[0].destination, pathFromString(tree.path()));
    EXPECT_FALSE(drops[0].move);
    // The rows of the list stay as they were.
    EXPECT_EQ(names(pane->visible()), QStringList({ "sub", "a.txt", "b.txt" }));

    // The same in the grid and the tree, wherever the pointer is.
    pane->setMode(PaneMode::grid);
    EXPECT_EQ(drop(pane->collection(), data.get(), QPoint(300, 300)), Qt::CopyAction);
    pane->setMode(PaneMode::tree);
    EXPECT_EQ(drop(pane->tree(), data.get(), QPoint(5, 5)), Qt::CopyAction);
    EXPECT_EQ(drops.size(), 3);
}

// The message of an empty folder lies over the views; a drop there counts as well.
TEST_F(PaneDragDropTest, AnEmptyFolderTakesDropsOnItsMessage)
{
    tree.folder(QStringLiteral("empty"));
    pane->navigate(pathFromString(tree / "empty"));
    ASSERT_TRUE(eventually([&] { return pane->visible().isEmpty() && pane->stateView()->isVisible(); }));
    const std::unique_ptr<QMimeData> data(uriList("file:///elsewhere/one\r\n"));
    QWidget* message = pane->stateLabel();
    QDragEnterEvent enter(message->rect().center(), Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, {});
    QCoreApplication::sendEvent(message, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(message->rect().center()), Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, {});
    QCoreApplication::sendEvent(message, &drop);
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
    ASSERT_EQ(drops.size(), 1);
    EXPECT_EQ(drops[0].destination, pathFromString(tree / "empty"));
}

TEST_F(PaneDragDropTest, DropsWithoutLocalFilesOrWithoutCopyAreRefused)
{
    QMimeData text;
    text.setText(QStringLiteral("/etc/passwd"));
    EXPECT_EQ(drop(pane->table(), &text, QPoint(10, 10)), std::nullopt);
    EXPECT_FALSE(pane->acceptDrop(&text));
    const std::unique_ptr<QMimeData> remote(uriList("https://example.com/file\r\n"));
    EXPECT_FALSE(pane->acceptDrop(remote.get()));
    // A source that only lets its files be moved is not taken: the pane only copies.
    const std::unique_ptr<QMimeData> files(uriList("file:///elsewhere/one\r\n"));
    EXPECT_EQ(drop(pane->table(), files.get(), QPoint(10, 10), Qt::MoveAction), std::nullopt);
    EXPECT_TRUE(drops.isEmpty());

    // Without an owner listening the drop still counts as taken.
    pane->dropped = nullptr;
    EXPECT_TRUE(pane->acceptDrop(files.get()));
}

TEST_F(PaneDragDropTest, DragsCarryTheItemsAsFileUrls)
{
    PaneListModel* model = pane->listModel();
    EXPECT_EQ(model->supportedDragActions(), Qt::CopyAction | Qt::MoveAction);
    EXPECT_TRUE(model->flags(model->index(1, 0)).testFlag(Qt::ItemIsDragEnabled));
    EXPECT_TRUE(model->mimeTypes().contains(QStringLiteral("text/uri-list")));
    // Every cell of a selected row is handed over; each row counts once, in row order.
    const std::unique_ptr<QMimeData> data(model->mimeData(
        { model->index(2, 0), model->index(2, 1), model->index(0, 2), model->index(2, 2) }));
    ASSERT_TRUE(data);
    EXPECT_EQ(fileUrls(data.get()), QList<std::filesystem::path>({ pathFromString(tree / "sub"),
                                                                     pathFromString(tree / "b.txt") }));
    // The grid drags through the same rows.
    EXPECT_EQ(pane->collection()->model(), model);

    // The tree hands over items at any depth, and nothing for a row without an item.
    pane->setMode(PaneMode::tree);
    FileTreeModel* treeModel = pane->treeModel();
    EXPECT_EQ(treeModel->supportedDragActions(), Qt::CopyAction | Qt::MoveAction);
    pane->tree()->expand(treeModel->index(0, 0));
    const QModelIndex loading = treeModel->index(0, 0, treeModel->index(0, 0));
    EXPECT_EQ(std::unique_ptr<QMimeData>(treeModel->mimeData({ loading })), nullptr);
    ASSERT_TRUE(eventually([&] { return treeModel->data(treeModel->index(0, 0, treeModel->index(0, 0))) == "inner.txt"; }));
    const std::unique_ptr<QMimeData> nested(treeModel->mimeData({ treeModel->index(0, 0, treeModel->index(0, 0)) }));
    ASSERT_TRUE(nested);
    EXPECT_EQ(fileUrls(nested.get()), QList<std::filesystem::path>({ pathFromString(tree / "sub/inner.txt") }));
}

} // namespace
} // namespace bramblet::testing
