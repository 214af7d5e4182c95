#include "Bramblet/LaunchOptions.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace bramblet {
namespace {

LaunchOptions expect(const QString& left, const QString& right, bool temporary, bool debugSettings, bool help = false,
                     bool version = false, const QString& unknownOption = {})
{
    LaunchOptions options;
    options.left = left;
    options.right = right;
    options.temporary = temporary;
    options.debugSettings = debugSettings;
    options.help = help;
    options.version = version;
    options.unknownOption = unknownOption;
    return options;
}

TEST(LaunchOptions, ParsesFoldersAndFlags)
{
    const QString home = QStringLiteral("/home/me");
    struct Case {
        const char* name;
        QStringList arguments;
        LaunchOptions expected;
    };
    const Case cases[] = {
        { "defaults", { "bramblet" }, expect(home, home, false, false) },
        { "both sides", { "bramblet", "--left", "/a", "--right", "/b" }, expect("/a", "/b", false, false) },
        { "flags", { "bramblet", "--temporary", "--debug-settings" }, expect(home, home, true, true) },
        { "value taken as it stands", { "bramblet", "--left", "--temporary" }, expect("--temporary", home, true, false) },
        { "trailing option has no value", { "bramblet", "--right" }, expect(home, home, false, false) },
        { "first occurrence counts", { "bramblet", "--left", "/a", "--left", "/b" }, expect("/a", home, false, false) },
        { "whole-argument match only", { "bramblet", "--left=/a", "--temporaryX" },
          expect(home, home, false, false, false, false, "--left=/a") },
        { "help", { "bramblet", "/x", "--help" }, expect(home, home, false, false, true) },
        { "short help", { "bramblet", "-h" }, expect(home, home, false, false, true) },
        { "version", { "bramblet", "--version" }, expect(home, home, false, false, false, true) },
        { "an option's value is no unknown option", { "bramblet", "--right", "-x", "/y" },
          expect(home, "-x", false, false) },
        { "a single dash is unknown too", { "bramblet", "/x", "-", "--bogus" },
          expect(home, home, false, false, false, false, "-") },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LaunchOptions::parse(c.arguments, home), c.expected);
    }
}

TEST(LaunchOptions, HandedPathsAreThePlainArguments)
{
    struct Case {
        const char* name;
        QStringList arguments;
        QStringList expected;
    };
    const Case cases[] = {
        { "none", { "bramblet", "--temporary" }, {} },
        { "paths and file URLs", { "bramblet", "/x", "file:///y%20z" }, { "/x", "/y z" } },
        { "option values are not handed folders", { "bramblet", "--left", "/l", "--right", "/r", "/x" }, { "/x" } },
        { "a value that looks like an option is still a value", { "bramblet", "--left", "--temporary", "/x" },
          { "/x" } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LaunchOptions::handedPaths(c.arguments), c.expected);
    }
}

TEST(LaunchOptions, FoldersThatAreNotThereAreNamedAndNotOpened)
{
    QTemporaryDir sandbox;
    const QString folder = sandbox.filePath("folder");
    const QString file = sandbox.filePath("file.txt");
    const QString missing = sandbox.filePath("missing");
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile(file).open(QIODevice::WriteOnly);

    const QStringList arguments { "bramblet", "--left", missing, "--right", folder, file, folder };
    const QStringList messages = LaunchOptions::missingFolderMessages(arguments);
    ASSERT_EQ(messages.size(), 2) << messages.join('\n').toStdString();
    EXPECT_EQ(messages[0], QString("bramblet: \u201c%1\u201d is not an existing folder; it is not opened.").arg(missing));
    EXPECT_TRUE(messages[1].contains(file));

    auto options = LaunchOptions::parse(arguments, "/home/me");
    options.keepExistingFolders("/home/me");
    EXPECT_EQ(options.left, "/home/me") << "the window opens as without the missing folder";
    EXPECT_EQ(options.right, folder);
}

} // namespace
} // namespace bramblet
