#include "Bramblet/Inspector/InspectorController.h"

#include "Inspector/InspectorTestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>
#include <QPromise>
#include <QTest>

#include <map>
#include <thread>

namespace bramblet {
namespace {

using testing::describe;

Date localDate(int year, int month, int day, int hour, int minute)
{
    const QDateTime time(QDate(year, month, day), QTime(hour, minute));
    return Date(std::chrono::milliseconds(time.toMSecsSinceEpoch()));
}

FileItem file(const char* path, qint64 size, std::optional<int> permissions = 0644)
{
    FileItem item;
    item.url = path;
    item.name = QString::fromUtf8(item.url.filename().c_str());
    item.size = size;
    item.modified = localDate(2024, 3, 5, 14, 7);
    item.permissions = permissions;
    return item;
}

FileItem folder(const char* path, qint64 size = 4096)
{
    FileItem item = file(path, size, 0755);
    item.isDirectory = true;
    return item;
}

FileItem link(const char* path, qint64 size)
{
    FileItem item = file(path, size, 0777);
    item.isSymbolicLink = true;
    return item;
}

// Texts in US English, whatever the machine's locale.
class InspectorTest : public ::testing::Test {
protected:
    InspectorTest()
        : inspector([this](const std::filesystem::path& file, QSize maximumPixels) {
            requests.push_back({ file, maximumPixels });
            return QtFuture::makeReadyFuture(QImage());
        })
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        inspector.changePermissions = [this](const std::filesystem::path& item, int mode) {
            changes.push_back({ item, mode });
        };
    }
    ~InspectorTest() override { QLocale::setDefault(QLocale::system()); }

    std::vector<std::pair<std::filesystem::path, QSize>> requests;
    std::vector<std::pair<std::filesystem::path, int>> changes;
    InspectorController inspector;
};

TEST_F(InspectorTest, ShowsTheStateForNoneOneOrManyItems)
{
    FileItem hidden = file("/srv/.profile", 0, std::nullopt);
    hidden.isHidden = true;
    hidden.created = localDate(2023, 12, 31, 23, 59);
    const struct Case {
        const char* name;
        QList<FileItem> items;
        QStringList expected;
        bool thumbnail;
    } cases[] = {
        { "nothing selected",
          {},
          { "[picture 56]", "A closer look", "Select a file to see its preview, details, and permissions.",
            "CURRENT FOLDER", "/home/ana/Projects", "Space to Quick Look" },
          false },
        { "a file without a creation date",
          { file("/srv/report.pdf", 1534) },
          { "[picture 200]", "report.pdf", "PDF document", "GENERAL", "Size: 1.5 kB", "Modified: 3/5/24 2:07 PM",
            "Created: Unavailable", "Hidden: No", "LOCATION", "/srv/report.pdf", "PERMISSIONS · 644",
            "Owner rw-, Group r--, Everyone r--" },
          true },
        { "a hidden file without permission bits",
          { hidden },
          { "[picture 200]", ".profile", "Document", "GENERAL", "Size: 0 bytes", "Modified: 3/5/24 2:07 PM",
            "Created: 12/31/23 11:59 PM", "Hidden: Yes", "LOCATION", "/srv/.profile" },
          true },
        { "a folder",
          { folder("/srv/photos") },
          { "[picture 144]", "photos", "Folder", "GENERAL", "Size: Not calculated", "Modified: 3/5/24 2:07 PM",
            "Created: Unavailable", "Hidden: No", "LOCATION", "/srv/photos", "PERMISSIONS · 755",
            "Owner rwx, Group r-x, Everyone r-x" },
          false },
        { "a symbolic link",
          { link("/srv/latest", 12) },
          { "[picture 144]", "latest", "Symbolic link", "GENERAL", "Size: 12 bytes", "Modified: 3/5/24 2:07 PM",
            "Created: Unavailable", "Hidden: No", "LOCATION", "/srv/latest", "PERMISSIONS · 777",
            "Owner rwx, Group rwx, Everyone rwx" },
          false },
        { "a set-user-ID program",
          { file("/usr/bin/tool", 2'000'000, 04755) },
          { "[picture 200]", "tool", "Document", "GENERAL", "Size: 2.0 MB", "Modified: 3/5/24 2:07 PM",
            "Created: Unavailable", "Hidden: No", "LOCATION", "/usr/bin/tool", "PERMISSIONS · 4755",
            "Owner rwx, Group r-x, Everyone r-x" },
          true },
        { "several items: folders count nothing, links their own size",
          { file("/srv/a", 1000), folder("/srv/b", 5'000'000), link("/srv/c", 500) },
          { "3 items selected", "1.5 kB", "Combined file size. Folder contents are not included." },
          false },
        { "several folders",
          { folder("/srv/a"), folder("/srv/b") },
          { "2 items selected", "0 bytes", "Combined file size. Folder contents are not included." },
          false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        requests.clear();
        inspector.update(c.items, QStringLiteral("/home/ana/Projects"));
        EXPECT_EQ(describe(inspector), c.expected);
        ASSERT_EQ(requests.size(), c.thumbnail ? 1u : 0u);
        if (c.thumbnail) {
            EXPECT_EQ(requests[0].first, c.items[0].url);
            EXPECT_EQ(inspector.previewPath(), c.items[0].url);
        } else {
            EXPECT_FALSE(inspector.previewPath());
        }
    }
}

TEST_F(InspectorTest, WhatTheGridShowsFollowsTheLastItemWithPermissions)
{
    inspector.update({ file("/srv/a", 1, 0600) }, "/srv");
    EXPECT_EQ(inspector.currentURL(), std::filesystem::path("/srv/a"));
    EXPECT_EQ(inspector.currentMode(), 0600);
    EXPECT_TRUE(inspector.permissionsEditable());

    // Several items leave the grid's item as it was; one without bits has no grid and no item.
    inspector.update({ file("/srv/a", 1), file("/srv/b", 1) }, "/srv");
    EXPECT_EQ(inspector.currentURL(), std::filesystem::path("/srv/a"));
    inspector.update({ file("/srv/c", 1, std::nullopt) }, "/srv");
    EXPECT_FALSE(inspector.currentURL());
}

TEST_F(InspectorTest, RebuildsOnlyWhenTheSignatureChanges)
{
    FileItem item = file("/srv/report.pdf", 100);
    inspector.update({ item }, "/srv");
    const QWidget* first = inspector.content()->boxLayout()->itemAt(0)->widget();
    const auto sameView = [&] { return inspector.content()->boxLayout()->itemAt(0)->widget() == first; };

    inspector.update({ item }, "/srv");
    EXPECT_TRUE(sameView());
    // Neither the creation date nor the hidden flag is part of the signature.
    item.created = localDate(2020, 1, 1, 0, 0);
    item.isHidden = true;
    inspector.update({ item }, "/srv");
    EXPECT_TRUE(sameView());
    EXPECT_EQ(requests.size(), 1u);

    const struct Case {
        const char* name;
        std::function<void(FileItem&)> change;
    } changes[] = {
        { "size", [](FileItem& i) { i.size = 101; } },
        { "modification time by a nanosecond", [](FileItem& i) { *i.modified += std::chrono::nanoseconds(1); } },
        { "permission bits", [](FileItem& i) { i.permissions = 0640; } },
        { "tags", [](FileItem& i) { i.tags = QStringList { "Red" }; } },
        { "path bytes that are not UTF-8", [](FileItem& i) { i.url = "/srv/\xff"; } },
        { "other bytes that are not UTF-8", [](FileItem& i) { i.url = "/srv/\xfe"; } },
    };
    for (const Case& c : changes) {
        SCOPED_TRACE(c.name);
        const QWidget* before = inspector.content()->boxLayout()->itemAt(0)->widget();
        c.change(item);
        inspector.update({ item }, "/srv");
        EXPECT_NE(inspector.content()->boxLayout()->itemAt(0)->widget(), before);
    }
    const QWidget* before = inspector.content()->boxLayout()->itemAt(0)->widget();
    inspector.update({ item }, "/elsewhere");
    EXPECT_NE(inspector.content()->boxLayout()->itemAt(0)->widget(), before);
}

TEST_F(InspectorTest, EachToggleSendsTheWholeModeAndKeepsTheSpecialBits)
{
    const struct Case {
        const char* name;
        int mode;
        QStringList boxes;
        std::vector<int> sent;
    } cases[] = {
        { "everyone may execute", 0644, { "Everyone: Execute" }, { 0645 } },
        { "set-user-ID kept", 04644, { "Everyone: Execute" }, { 04645 } },
        { "sticky and set-group-ID kept", 03770, { "Group: Write" }, { 03750 } },
        { "toggles add up", 0644, { "Owner: Execute", "Group: Write", "Owner: Read" }, { 0744, 0764, 0364 } },
        { "off and on again", 0600, { "Owner: Write", "Owner: Write" }, { 0400, 0600 } },
    };
    inspector.view()->resize(300, 800);
    inspector.view()->show();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        changes.clear();
        const FileItem item = file("/srv/script.sh", 10, c.mode);
        inspector.update({ item }, QStringLiteral("/srv/") + c.name);
        QCoreApplication::processEvents(); // shows the new content, deletes the old
        for (const QString& tip : c.boxes) {
            SquareCheckbox* box = nullptr;
            for (auto* candidate : inspector.content()->findChildren<SquareCheckbox*>()) {
                if (candidate->toolTip() == tip)
                    box = candidate;
            }
            ASSERT_NE(box, nullptr) << tip.toStdString();
            EXPECT_TRUE(box->isEnabled());
            QTest::mouseClick(box, Qt::LeftButton);
        }
        std::vector<int> sent;
        for (const auto& [url, mode] : changes) {
            EXPECT_EQ(url, item.url);
            sent.push_back(mode);
        }
        EXPECT_EQ(sent, c.sent);
        // The panel waits for the item's new bits before it rebuilds.
        EXPECT_EQ(inspector.currentMode(), c.sent.back());
    }
}

// Thumbnails that arrive only when the test says so.
class LateThumbnailTest : public ::testing::Test {
protected:
    LateThumbnailTest()
        : inspector([this](const std::filesystem::path& file, QSize) {
            QPromise<QImage>& promise = promises[file];
            promise.start();
            return promise.future();
        })
    {
    }

    static QImage filled(Qt::GlobalColor color)
    {
        QImage image(40, 30, QImage::Format_ARGB32);
        image.fill(color);
        return image;
    }

    static void deliver(QPromise<QImage>& promise, Qt::GlobalColor color)
    {
        // From a worker thread, as a real thumbnail arrives.
        std::thread([&] {
            promise.addResult(filled(color));
            promise.finish();
        }).join();
    }

    // The colour in the middle of the picture at the top of the panel.
    QColor pictureColor() const
    {
        auto* picture = qobject_cast<ImageView*>(inspector.content()->boxLayout()->itemAt(0)->widget());
        if (!picture || picture->icon().isNull())
            return {};
        return picture->icon().pixmap(QSize(40, 30)).toImage().pixelColor(20, 15);
    }

    std::map<std::filesystem::path, QPromise<QImage>> promises;
    InspectorController inspector;
};

TEST_F(LateThumbnailTest, AThumbnailForThePreviousSelectionIsIgnored)
{
    inspector.update({ file("/srv/first.png", 10) }, "/srv");
    inspector.update({ file("/srv/second.png", 10) }, "/srv");
    deliver(promises["/srv/first.png"], Qt::red);
    QCoreApplication::processEvents();
    EXPECT_NE(pictureColor(), QColor(Qt::red));

    deliver(promises["/srv/second.png"], Qt::blue);
    QCoreApplication::processEvents();
    EXPECT_EQ(pictureColor(), QColor(Qt::blue));
}

TEST_F(LateThumbnailTest, AThumbnailAlreadyOnItsWayIsIgnoredAfterTheSelectionChanged)
{
    inspector.update({ file("/srv/first.png", 10) }, "/srv");
    deliver(promises["/srv/first.png"], Qt::red); // done, but not yet handed to the main thread
    inspector.update({}, "/srv");
    QCoreApplication::processEvents();
    EXPECT_FALSE(inspector.previewPath());
    inspector.update({ file("/srv/second.png", 10) }, "/srv");
    QCoreApplication::processEvents();
    EXPECT_NE(pictureColor(), QColor(Qt::red));
}

TEST_F(LateThumbnailTest, TheSameSelectionKeepsItsThumbnailAcrossRefreshes)
{
    const FileItem item = file("/srv/first.png", 10);
    inspector.update({ item }, "/srv");
    deliver(promises["/srv/first.png"], Qt::green);
    QCoreApplication::processEvents();
    inspector.update({ item }, "/srv");
    EXPECT_EQ(pictureColor(), QColor(Qt::green));
}

} // namespace
} // namespace bramblet
