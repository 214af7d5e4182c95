#include "Bramblet/Remote/TrueNASItemOrder.h"

#include <gtest/gtest.h>

namespace bramblet {
namespace {

QStringList sortedNames(const QList<std::pair<QString, QString>>& entries)
{
    QList<TrueNASItem> items;
    for (const auto& [name, type] : entries)
        items.append({ name, QStringLiteral("/mnt/") + name, type, 0 });
    TrueNASItemOrder::sort(items);
    QStringList names;
    for (const TrueNASItem& item : items)
        names.append(item.name);
    return names;
}

TEST(TrueNASItemOrder, FoldersFirstThenNamesWithNumbersByValueAndNoCase)
{
    const QString file = QStringLiteral("FILE");
    const QString folder = QStringLiteral("DIRECTORY");
    const struct {
        const char* what;
        QList<std::pair<QString, QString>> entries;
        QStringList expected;
    } cases[] = {
        { "digits by value", { { "disk10", file }, { "disk9", file }, { "disk100", file } }, { "disk9", "disk10", "disk100" } },
        { "leading zeros", { { "v010", file }, { "v9", file } }, { "v9", "v010" } },
        { "case ignored", { { "beta", file }, { "Alpha", file }, { "alpha2", file } }, { "Alpha", "alpha2", "beta" } },
        { "prefix first", { { "name.txt", file }, { "name", file } }, { "name", "name.txt" } },
        { "folders first, exact type", { { "a", file }, { "z", folder }, { "b", "directory" } }, { "z", "a", "b" } },
        { "numbers inside", { { "x2y10", file }, { "x2y9", file }, { "x10y1", file } }, { "x2y9", "x2y10", "x10y1" } },
    };
    for (const auto& c : cases)
        EXPECT_EQ(sortedNames(c.entries), c.expected) << c.what;
}

} // namespace
} // namespace bramblet
