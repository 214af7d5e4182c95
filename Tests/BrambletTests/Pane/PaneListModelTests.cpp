#include "PaneTestSupport.h"

#include "Bramblet/Theme/Theme.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

namespace bramblet::testing {
namespace {

const QString folder = QStringLiteral("/pane");

TEST(PaneListModel, AppendsALargeListInChunksThatTheTesterAccepts)
{
    PaneListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QList<FileItem> items;
    for (int i = 0; i < PaneListModel::chunkSize * 2 + 1; ++i)
        items.append(makeItem(folder, QString::number(i)));

    model.setItems(items);
    EXPECT_EQ(model.rowCount(), PaneListModel::chunkSize);
    EXPECT_TRUE(model.isPopulating());
    ASSERT_TRUE(eventually([&] { return !model.isPopulating(); }));
    EXPECT_EQ(model.rowCount(), items.size());
    EXPECT_EQ(inserted.count(), 2);
    EXPECT_EQ(model.index(PaneListModel::chunkSize * 2, 0).data().toString(), QString::number(PaneListModel::chunkSize * 2));

    // A new list replaces one still arriving, and nothing of the old one follows.
    model.setItems(items);
    model.setItems({ makeItem(folder, QStringLiteral("only")) });
    QTest::qWait(20);
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_FALSE(model.isPopulating());
}

TEST(PaneListModel, ExtendingTheRowsShownKeepsThemAndAppendsTheRest)
{
    PaneListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QList<FileItem> items;
    for (int i = 0; i < PaneListModel::chunkSize * 2 + 1; ++i)
        items.append(makeItem(folder, QString::number(i)));
    model.setItems(items.first(PaneListModel::chunkSize));
    EXPECT_FALSE(model.isPopulating());

    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    model.extendItems(items);
    EXPECT_EQ(model.rowCount(), PaneListModel::chunkSize);
    EXPECT_TRUE(model.isPopulating());
    ASSERT_TRUE(eventually([&] { return !model.isPopulating(); }));
    EXPECT_EQ(reset.count(), 0);
    EXPECT_EQ(inserted.count(), 2);
    EXPECT_EQ(inserted.first().at(1).toInt(), PaneListModel::chunkSize);
    EXPECT_EQ(model.rowCount(), items.size());
    EXPECT_EQ(model.index(PaneListModel::chunkSize * 2, 0).data().toString(), QString::number(PaneListModel::chunkSize * 2));
}

TEST(PaneListModel, ColumnTexts)
{
    FileItem folderItem = makeItem(folder, QStringLiteral("sub"), true, 4096);
    FileItem empty = makeItem(folder, QStringLiteral("empty.txt"));
    FileItem dated = makeItem(folder, QStringLiteral("dated.txt"), false, 1500);
    dated.modified = Date(std::chrono::seconds(1796860800)); // 10 December 2026
    PaneListModel model;
    model.setItems({ folderItem, empty, dated });

    const auto text = [&](int row, int column) { return model.index(row, column).data().toString(); };
    EXPECT_EQ(text(0, PaneListModel::sizeColumn), QStringLiteral("\u2014"));
    EXPECT_NE(text(1, PaneListModel::sizeColumn), QStringLiteral("\u2014"));
    EXPECT_TRUE(text(1, PaneListModel::sizeColumn).startsWith(u'0'));
    EXPECT_EQ(text(2, PaneListModel::sizeColumn), QLocale().formattedDataSize(1500, 1, QLocale::DataSizeSIFormat));
    EXPECT_EQ(text(1, PaneListModel::modifiedColumn), QStringLiteral("\u2014"));
    const QString date = text(2, PaneListModel::modifiedColumn);
    EXPECT_TRUE(date.contains(QStringLiteral("26")) && date.contains(QLocale().monthName(12, QLocale::ShortFormat)))
        << date.toStdString();
    EXPECT_EQ(model.index(0, PaneListModel::sizeColumn).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight, Qt::AlignRight);
    // The whole path, so that search results of the same name from different folders differ.
    EXPECT_EQ(model.index(2, PaneListModel::nameColumn).data(Qt::ToolTipRole).toString(), folder + QStringLiteral("/dated.txt"));
    EXPECT_EQ(model.headerData(PaneListModel::modifiedColumn, Qt::Horizontal).toString(), QStringLiteral("Date Modified"));
}

TEST(PaneListModel, ANameWithControlCharactersShowsOnOneLine)
{
    PaneListModel model;
    model.setItems({ makeItem(folder, QStringLiteral("two\nlines\tand tab")) });
    const QModelIndex name = model.index(0, PaneListModel::nameColumn);
    EXPECT_EQ(name.data().toString(), QStringLiteral("two\u240Alines\u2409and tab"));
    EXPECT_EQ(name.data(Qt::ToolTipRole).toString(), folder + QStringLiteral("/two\u240Alines\u2409and tab"));
    EXPECT_EQ(model.items().first().name, QStringLiteral("two\nlines\tand tab"));
}

TEST(PaneListModel, TagDotsAndGitCodesBelongToTheNameColumn)
{
    FileItem tagged = makeItem(folder, QStringLiteral("b"));
    tagged.tags = { QStringLiteral("Blue"), QStringLiteral("Red") };
    FileItem plain = makeItem(folder, QStringLiteral("c"));
    PaneListModel model;
    model.setItems({ tagged, plain });
    QSignalSpy changedData(&model, &QAbstractItemModel::dataChanged);
    // Keys are item names: a path as key matches nothing.
    model.setGitStatuses({ { QStringLiteral("b"), QStringLiteral("M") }, { folder + QStringLiteral("/c"), QStringLiteral("??") } });
    EXPECT_EQ(changedData.count(), 1);

    const auto name = [&](int row) { return model.index(row, PaneListModel::nameColumn); };
    EXPECT_EQ(name(0).data(PaneListModel::tagColorRole).value<QColor>(), Theme::tagColor(QStringLiteral("Blue")).resolved());
    EXPECT_FALSE(name(1).data(PaneListModel::tagColorRole).isValid());
    EXPECT_EQ(name(0).data(PaneListModel::gitCodeRole).toString(), QStringLiteral("M"));
    EXPECT_FALSE(name(1).data(PaneListModel::gitCodeRole).isValid());
    EXPECT_FALSE(model.index(0, PaneListModel::sizeColumn).data(PaneListModel::gitCodeRole).isValid());
}

} // namespace
} // namespace bramblet::testing
