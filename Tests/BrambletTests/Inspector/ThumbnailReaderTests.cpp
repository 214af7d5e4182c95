#include "Bramblet/Thumbnails/ThumbnailReader.h"

#include "Bramblet/Inspector/InspectorController.h"
#include "Bramblet/Theme/ImageView.h"
#include "Bramblet/Theme/StackView.h"

#include <gtest/gtest.h>

#include <QBoxLayout>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QThread>

#include <sys/stat.h>

namespace bramblet {
namespace {

class ThumbnailReaderTest : public ::testing::Test {
protected:
    std::filesystem::path image(const QString& name, QSize size, QImageIOHandler::Transformations turn = {})
    {
        QImage picture(size, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QImageWriter writer(folder.filePath(name));
        writer.setTransformation(turn);
        EXPECT_TRUE(writer.write(picture)) << writer.errorString().toStdString();
        return path(name);
    }

    std::filesystem::path path(const QString& name) const { return QFile::encodeName(folder.filePath(name)).toStdString(); }

    QTemporaryDir folder;
};

TEST_F(ThumbnailReaderTest, ScalesDownIntoTheBoxAndNeverUp)
{
    const struct Case {
        const char* name;
        QSize stored;
        QSize expected;
    } cases[] = {
        { "wide", { 1000, 500 }, { 520, 260 } },
        { "tall", { 300, 1200 }, { 100, 400 } },
        { "small stays small", { 100, 80 }, { 100, 80 } },
        { "a thin line keeps a pixel", { 4000, 2 }, { 520, 1 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage thumbnail = ThumbnailReader::readThumbnail(image(QString::fromLatin1(c.name) + ".png", c.stored),
                                                                QSize(520, 400));
        EXPECT_EQ(thumbnail.size(), c.expected);
    }
}

TEST_F(ThumbnailReaderTest, AnImageStoredTurnedFitsOnceUpright)
{
    if (!QImageWriter("x.jpg").supportsOption(QImageIOHandler::ImageTransformation))
        GTEST_SKIP() << "this Qt cannot write a JPEG orientation";
    const auto file = image("turned.jpg", { 800, 400 }, QImageIOHandler::TransformationRotate90);
    EXPECT_EQ(ThumbnailReader::readThumbnail(file, QSize(200, 200)).size(), QSize(100, 200));
}

TEST_F(ThumbnailReaderTest, GivesNothingForWhatIsNotARegularImageFile)
{
    QFile text(folder.filePath("notes.txt"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not an image");
    text.close();
    // Opening a pipe for reading would wait for a writer that never comes.
    ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0600), 0);
    for (const char* name : { "notes.txt", "pipe", "missing.png" }) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(ThumbnailReader::readThumbnail(path(name), QSize(520, 400)).isNull());
    }
    EXPECT_TRUE(ThumbnailReader::readThumbnail("/dev/zero", QSize(520, 400)).isNull());
}

TEST_F(ThumbnailReaderTest, TheInspectorShowsTheThumbnailOfItsOwnReader)
{
    FileItem item;
    item.url = image("photo.png", { 640, 480 });
    item.name = "photo.png";
    InspectorController inspector;
    inspector.update({ item }, folder.path());
    auto* picture = qobject_cast<ImageView*>(inspector.content()->boxLayout()->itemAt(0)->widget());
    ASSERT_NE(picture, nullptr);
    const auto showsThumbnail = [&] {
        return picture->icon().availableSizes().contains(QSize(260, 195));
    };
    QDeadlineTimer deadline(10'000);
    while (!showsThumbnail() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(5);
    }
    EXPECT_TRUE(showsThumbnail());
}

} // namespace
} // namespace bramblet
