#include "BrambletCore/Models/FilteredItems.h"

#include "BrambletCore/Models/FilenameFilter.h"
#include "BrambletCore/Models/NameCollator.h"

#include <gtest/gtest.h>

#include <random>

namespace bramblet {
namespace {

using namespace std::chrono_literals;

FileItem item(const QString& name, bool folder = false, qint64 size = 0, std::optional<int> minutes = std::nullopt)
{
    FileItem item;
    item.url = pathFromString("/t/" + name);
    item.name = name;
    item.isDirectory = folder;
    item.isHidden = name.startsWith('.');
    item.size = size;
    if (minutes)
        item.modified = Date(std::chrono::minutes(*minutes));
    return item;
}

QStringList names(const QList<FileItem>& items)
{
    QStringList result;
    for (const auto& i : items)
        result << i.name;
    return result;
}

TabSnapshot tab(SortField sort, bool descending = false, const QString& filter = {})
{
    TabSnapshot t("/t", PaneMode::list);
    t.sort = sort;
    t.descending = descending;
    t.filter = filter;
    return t;
}

TEST(FilteredItems, HiddenItemsAndFilter)
{
    const QList<FileItem> items { item("b.txt"), item(".env"), item("docs", true), item(".git", true), item("a.JPG") };
    EXPECT_EQ(names(filteredItems(items, tab(SortField::name), false)), QStringList({ "docs", "a.JPG", "b.txt" }));
    EXPECT_EQ(names(filteredItems(items, tab(SortField::name), true)),
              QStringList({ ".git", "docs", ".env", "a.JPG", "b.txt" }));
    EXPECT_EQ(names(filteredItems(items, tab(SortField::name, false, "*"), false)),
              QStringList({ "docs", "a.JPG", "b.txt" }))
        << "\"*\" matches everything but hidden rules still apply";
    EXPECT_EQ(names(filteredItems(items, tab(SortField::name, false, "*.jpg"), true)), QStringList({ "a.JPG" }));
}

TEST(FilteredItems, OrderTable)
{
    const QList<FileItem> items {
        item("file10", false, 5, 30), item("z", true, 0, 10), item("B.txt", false, 10, 20),
        item("file2", false, 1),      item("a.txt", false, 10, 20), item("Apple", true, 0, 40),
    };
    struct Case {
        const char* name;
        SortField sort;
        bool descending;
        QStringList expected;
    };
    const Case cases[] = {
        { "name ascending: numeric and case-insensitive", SortField::name, false,
          { "Apple", "z", "a.txt", "B.txt", "file2", "file10" } },
        { "name descending: folders still first", SortField::name, true,
          { "z", "Apple", "file10", "file2", "B.txt", "a.txt" } },
        { "size ascending: ties by code order", SortField::size, false,
          { "Apple", "z", "file2", "file10", "B.txt", "a.txt" } },
        { "size descending", SortField::size, true, { "z", "Apple", "a.txt", "B.txt", "file10", "file2" } },
        { "modified ascending: no date first", SortField::modified, false,
          { "z", "Apple", "file2", "B.txt", "a.txt", "file10" } },
        { "modified descending", SortField::modified, true, { "Apple", "z", "file10", "a.txt", "B.txt", "file2" } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(names(filteredItems(items, tab(c.sort, c.descending), true)), c.expected);
    }
}

TEST(FilteredItems, TiesKeepTheirGivenOrder)
{
    // Search results can hold one name twice, from different folders.
    auto first = item("same", false, 3);
    first.url = "/one/same";
    auto second = item("same", false, 3);
    second.url = "/two/same";
    for (auto sort : allSortFields) {
        for (bool descending : { false, true }) {
            SCOPED_TRACE(toString(sort).toStdString() + (descending ? " descending" : ""));
            const auto sorted = filteredItems({ first, second }, tab(sort, descending), true);
            ASSERT_EQ(sorted.size(), 2);
            EXPECT_EQ(sorted[0].url, first.url);
        }
    }
}

// Names that stress the collation keys the name sort compares: digit runs, letter case, accents,
// bytes that are not UTF-8 (as a listing shows them), the empty name, names made only of
// characters the collation ignores, and dots.
QStringList trickyNames()
{
    return {
        "file2", "file10", "file02", "file-2", "File2", "0", "00", "007", "12", "\uFF11\uFF12",
        "a", "A", "readme", "README", "Readme.md", "e", "E", "\u00E9", "\u00C9", "re\u0301sume\u0301",
        "r\u00E9sum\u00E9", "resume", pathString("bad\xff\xfe"), pathString("\xc3"), "", "\u200B",
        QString(QChar(1)), ".", "..", "...", ".hidden", "a.b", "a..b", "a.", "\u00DF", "ss",
    };
}

// Whatever order the names come in, two of them keep the collator's own order: the earlier name
// goes first, and names it ties keep their given order.
TEST(FilteredItems, NameOrderIsTheCollatorsOrderForEveryPair)
{
    const QCollator collator = nameCollator();
    const QStringList names = trickyNames();
    for (const QString& first : names) {
        for (const QString& second : names) {
            auto a = item(first);
            a.url = "/one/x";
            auto b = item(second);
            b.url = "/two/x";
            const int order = collator.compare(first, second);
            SCOPED_TRACE(("\"" + first + "\" vs \"" + second + "\"").toStdString());
            const auto sorted = filteredItems({ a, b }, tab(SortField::name), true);
            ASSERT_EQ(sorted.size(), 2);
            EXPECT_EQ(sorted[0].url, order <= 0 ? a.url : b.url);
        }
    }
}

// Long lists are filtered and sorted in parallel runs; the result must be the serial filter and
// stable sort by the collator, in both directions, with folders first and many ties.
TEST(FilteredItems, LongListsSortAsTheSerialStableSort)
{
    const QCollator collator = nameCollator();
    const QStringList names = trickyNames();
    std::mt19937 random(11);
    QList<FileItem> items;
    for (int index = 0; index < 20000; ++index) {
        auto next = item(random() % 4 ? names[qsizetype(random() % names.size())] : QString("n%1").arg(random() % 3000),
                         random() % 7 == 0);
        next.url = pathFromString(QString("/t/%1").arg(index));
        items.append(next);
    }
    const struct {
        const char* filter;
        bool descending;
    } cases[] = { { "", false }, { "", true }, { "n1", false }, { "*1?*", true } };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.filter) + (c.descending ? " descending" : " ascending"));
        const FilenameFilter filter(c.filter);
        QList<FileItem> expected;
        std::copy_if(items.begin(), items.end(), std::back_inserter(expected),
                     [&](const FileItem& item) { return filter.matches(item.name); });
        std::stable_sort(expected.begin(), expected.end(), [&](const FileItem& a, const FileItem& b) {
            if (a.isDirectory != b.isDirectory)
                return a.isDirectory;
            const int order = collator.compare(a.name, b.name);
            return c.descending ? order > 0 : order < 0;
        });
        const auto sorted = filteredItems(items, tab(SortField::name, c.descending, c.filter), true);
        ASSERT_EQ(sorted.size(), expected.size());
        for (qsizetype row = 0; row < sorted.size(); ++row)
            ASSERT_EQ(sorted[row].url, expected[row].url) << "row " << row;
    }
}

// The first rows handed out ahead of a long result are exactly its first rows, whatever the sort,
// with folders, ties and items the filter drops; a result no longer than that has no head.
TEST(FilteredItems, TheHeadIsTheStartOfTheWholeResult)
{
    std::mt19937 random(5);
    QList<FileItem> items;
    for (int index = 0; index < 9000; ++index) {
        auto next = item(QString("%1n%2").arg(random() % 9 ? "" : ".").arg(random() % 500), random() % 5 == 0,
                         qint64(random() % 40), random() % 3 ? std::optional<int>(int(random() % 60)) : std::nullopt);
        next.url = pathFromString(QString("/t/%1").arg(index));
        items.append(next);
    }
    for (auto sort : allSortFields) {
        for (bool descending : { false, true }) {
            SCOPED_TRACE(toString(sort).toStdString() + (descending ? " descending" : ""));
            QList<FileItem> head;
            int heads = 0;
            const auto whole = filteredItems(items, tab(sort, descending), false, 700, [&](const QList<FileItem>& rows) {
                head = rows;
                ++heads;
            });
            ASSERT_EQ(heads, 1);
            EXPECT_EQ(whole, filteredItems(items, tab(sort, descending), false));
            ASSERT_EQ(head.size(), 700);
            EXPECT_EQ(head, whole.first(700));
            filteredItems(items, tab(sort, descending), false, whole.size(), [&](const QList<FileItem>&) { ++heads; });
            EXPECT_EQ(heads, 1);
        }
    }
}

} // namespace
} // namespace bramblet
