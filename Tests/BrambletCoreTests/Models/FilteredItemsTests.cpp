#include "BrambletCore/Models/FilteredItems.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace bramblet
