#include "Bramblet/Updater/Appcast.h"

#include <gtest/gtest.h>

namespace bramblet {
namespace {

QByteArray feed(const QByteArray& items)
{
    return R"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0" xmlns:rel="http://example.com/xml-namespaces/releases">
  <channel><title>Bramblet</title>)"
        + items + "</channel></rss>";
}

TEST(Appcast, FeedsTellWhetherANewerReleaseExists)
{
    const QByteArray older = R"(<item><title>Bramblet 0.0.9</title><rel:version>0.0.9</rel:version>
        <link>https://example.com/0.0.9</link></item>)";
    const QByteArray same = R"(<item><title>Bramblet 0.1.0</title>
        <enclosure url="https://example.com/bramblet-0.1.0.tar.gz" rel:version="0.1.0" length="1"/></item>)";
    const QByteArray newer = R"(<item><title>Bramblet 0.2.0</title><rel:version>0.2.0</rel:version>
        <link>https://example.com/0.2.0</link><enclosure url="https://example.com/b.tar.gz"/></item>)";
    const struct {
        const char* name;
        QByteArray text;
        bool readable;
        const char* newerVersion; // null: none newer than 0.1.0
        const char* page;
    } cases[] = {
        { "a newer release among older ones", feed(older + newer + same), true, "0.2.0", "https://example.com/0.2.0" },
        { "only the running version", feed(same), true, nullptr, nullptr },
        { "only older releases", feed(older), true, nullptr, nullptr },
        { "no items", feed(""), true, nullptr, nullptr },
        { "an item without a version is left out",
          feed("<item><title>Bramblet 9</title><link>https://example.com/9</link></item>"), true, nullptr, nullptr },
        { "an address that is not on the web is left out",
          feed("<item><version>9.0</version><link>file:///etc/passwd</link></item>"), true, nullptr, nullptr },
        { "the enclosure when the link is not on the web",
          feed(R"(<item><version>1.0</version><link>javascript:x</link><enclosure url="https://example.com/e"/></item>)"),
          true, "1.0", "https://example.com/e" },
        { "malformed XML", feed(newer).replace("</item>", ""), false, nullptr, nullptr },
        { "cut short", feed(newer).left(120), false, nullptr, nullptr },
        { "not XML", "{\"version\": \"9.0\"}", false, nullptr, nullptr },
        { "XML that is not a feed", "<html><item><version>9</version></item></html>", false, nullptr, nullptr },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto items = Appcast::parse(c.text);
        ASSERT_EQ(items.has_value(), c.readable);
        if (!items)
            continue;
        const auto found = Appcast::newerThan(*items, "0.1.0");
        ASSERT_EQ(found.has_value(), c.newerVersion != nullptr);
        if (found) {
            EXPECT_EQ(found->version, c.newerVersion);
            EXPECT_EQ(found->downloadPage, QUrl(c.page));
        }
    }
}

TEST(Appcast, VersionsCompareByTheirNumberedParts)
{
    const struct {
        const char* a;
        const char* b;
        int expected;
    } cases[] = {
        { "1.2", "1.2.0", 0 },
        { "1.10", "1.9", 1 },
        { "0.1.0", "0.1.1", -1 },
        { "2.0", "2.0beta", 1 },
        { "2.0beta", "2.0rc", -1 },
        { "10", "9.9.9", 1 },
        { " 1.0 ", "1.0", 0 },
        { "99999999999999999999999", "1", 1 }, // too long for a number, yet never wrapped to a small one
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
        EXPECT_EQ(Appcast::compareVersions(c.a, c.b), c.expected);
        EXPECT_EQ(Appcast::compareVersions(c.b, c.a), -c.expected);
    }
}

} // namespace
} // namespace bramblet
