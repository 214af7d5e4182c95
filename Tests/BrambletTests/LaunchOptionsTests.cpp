#include "Bramblet/LaunchOptions.h"

#include <gtest/gtest.h>

namespace bramblet {
namespace {

TEST(LaunchOptions, ParsesFoldersAndFlags)
{
    const QString home = QStringLiteral("/home/me");
    struct Case {
        const char* name;
        QStringList arguments;
        LaunchOptions expected;
    };
    const Case cases[] = {
        { "defaults", { "bramblet" }, { home, home, false, false } },
        { "both sides", { "bramblet", "--left", "/a", "--right", "/b" }, { "/a", "/b", false, false } },
        { "flags", { "bramblet", "--temporary", "--debug-settings" }, { home, home, true, true } },
        { "value taken as it stands", { "bramblet", "--left", "--temporary" }, { "--temporary", home, true, false } },
        { "trailing option has no value", { "bramblet", "--right" }, { home, home, false, false } },
        { "first occurrence counts", { "bramblet", "--left", "/a", "--left", "/b" }, { "/a", home, false, false } },
        { "whole-argument match only", { "bramblet", "--left=/a", "--temporaryX" }, { home, home, false, false } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LaunchOptions::parse(c.arguments, home), c.expected);
    }
}

} // namespace
} // namespace bramblet
