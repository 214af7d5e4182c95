#include "Bramblet/Workspace/QuickLookPanel.h"

#include "Bramblet/Pane/PaneController.h"
#include "Bramblet/Theme/FileTable.h"
#include "Bramblet/Workspace/WorkspaceController.h"
#include "Bramblet/Workspace/WorkspaceWindow.h"
#include "Pane/PaneTestSupport.h"
#include "Workspace/FakeDialogs.h"
#include "Workspace/WorkspaceTestSupport.h"

#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>

#include <sys/stat.h>

namespace bramblet {
namespace {

using testing::eventually;
using testing::names;

// A folder with an image, a text file and a binary file (listed in that order by name).
class QuickLookTest : public testing::SandboxedDefaultsTest {
protected:
    void SetUp() override
    {
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(Qt::red);
        ASSERT_TRUE(image.save(file("a-picture.png")));
        write("b-notes.txt", "first line\nsecond line\n");
        write("c-data.bin", QByteArray("\x00\x01\x02\xff\xfe", 5));
    }

    QString file(const QString& name) const { return m_folder.filePath(name); }

    void write(const QString& name, const QByteArray& bytes) const
    {
        QFile out(file(name));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    }

    std::unique_ptr<WorkspaceController> makeWorkspace()
    {
        auto workspace = std::make_unique<WorkspaceController>(m_folder.path(), m_folder.path(), true, defaults(), dialogs);
        workspace->window()->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(workspace->window()));
        EXPECT_TRUE(eventually([&workspace] { return workspace->left()->visible().size() == 3; }));
        return workspace;
    }

    testing::FakeDialogs dialogs;

private:
    QTemporaryDir m_folder;
};

TEST_F(QuickLookTest, ReadsPicturesAndTheStartOfTextFromRegularFilesOnly)
{
    const auto picture = QuickLookPanel::load(pathFromString(file("a-picture.png")), QSize(20, 20));
    EXPECT_EQ(picture.image.size(), QSize(20, 15));
    EXPECT_FALSE(picture.text);

    const auto text = QuickLookPanel::load(pathFromString(file("b-notes.txt")), QSize(20, 20));
    EXPECT_TRUE(text.image.isNull());
    EXPECT_EQ(text.text, "first line\nsecond line\n");

    write("long.txt", QByteArray(100 * 1024, 'x'));
    EXPECT_EQ(QuickLookPanel::load(pathFromString(file("long.txt")), QSize(20, 20)).text->size(), 64 * 1024);

    // Neither a picture nor text: the panel shows the details.
    const auto binary = QuickLookPanel::load(pathFromString(file("c-data.bin")), QSize(20, 20));
    EXPECT_TRUE(binary.image.isNull());
    EXPECT_FALSE(binary.text);

    // A named pipe without a writer would block a reader for ever; it is not read at all.
    ASSERT_EQ(::mkfifo(file("pipe.txt").toUtf8().constData(), 0600), 0);
    const auto pipe = QuickLookPanel::load(pathFromString(file("pipe.txt")), QSize(20, 20));
    EXPECT_TRUE(pipe.image.isNull());
    EXPECT_FALSE(pipe.text);
}

TEST_F(QuickLookTest, SpaceTogglesThePreviewAndArrowKeysMoveTheSelectionItFollows)
{
    const auto workspace = makeWorkspace();
    auto* table = workspace->left()->table();
    workspace->left()->selectWhere([](const FileItem& item) { return item.name == "a-picture.png"; });
    QTest::keyClick(table, Qt::Key_Space);
    auto* panel = workspace->quickLook();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(workspace->previewItems(), QList<std::filesystem::path> { pathFromString(file("a-picture.png")) });
    ASSERT_TRUE(eventually([panel] { return !panel->isLoading(); }));
    EXPECT_TRUE(panel->imageView()->isVisible());
    EXPECT_FALSE(panel->imageView()->pixmap().isNull());
    EXPECT_FALSE(panel->textView()->isVisible());

    // The list has a current row only once the user moved in it.
    table->setCurrentIndex(table->model()->index(0, 0));
    QTest::keyClick(panel, Qt::Key_Down);
    EXPECT_EQ(names(workspace->left()->selected()), QStringList { "b-notes.txt" });
    ASSERT_TRUE(eventually([&] {
        return workspace->previewItems() == QList<std::filesystem::path> { pathFromString(file("b-notes.txt")) }
            && !panel->isLoading();
    }));
    EXPECT_TRUE(panel->textView()->isVisible());
    EXPECT_EQ(panel->textView()->toPlainText(), "first line\nsecond line\n");

    QTest::keyClick(panel, Qt::Key_Down);
    ASSERT_TRUE(eventually([&] { return panel->detailsView()->isVisible() && !panel->isLoading(); }));
    EXPECT_TRUE(panel->detailsLabel()->text().startsWith("c-data.bin\nBIN document\n"));

    QTest::keyClick(panel, Qt::Key_Space);
    EXPECT_FALSE(panel->isVisible());
    QTest::keyClick(table, Qt::Key_Space);
    EXPECT_TRUE(panel->isVisible());
    QTest::keyClick(table, Qt::Key_Space);
    EXPECT_FALSE(panel->isVisible()) << "Space in the list closes it too";
}

TEST_F(QuickLookTest, NothingSelectedShowsNothingAndKeepsThePreviousItems)
{
    const auto workspace = makeWorkspace();
    workspace->left()->selectWhere([](const FileItem& item) { return item.name == "b-notes.txt"; });
    workspace->showQuickLook();
    workspace->showQuickLook();
    ASSERT_FALSE(workspace->quickLook()->isVisible());
    workspace->left()->selectWhere([](const FileItem&) { return false; });
    workspace->showQuickLook();
    EXPECT_FALSE(workspace->quickLook()->isVisible());
    EXPECT_EQ(workspace->previewItems(), QList<std::filesystem::path> { pathFromString(file("b-notes.txt")) });
}

} // namespace
} // namespace bramblet
