#include "BrambletCore/Operations/Manifest.h"

#include "BrambletCore/Models/FileFailure.h"
#include "OperationsFixture.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>

#include <sys/stat.h>

#include <system_error>

namespace bramblet {
namespace {

namespace fs = std::filesystem;

std::string sha256Hex(const std::string& content)
{
    return QCryptographicHash::hash(QByteArray::fromStdString(content), QCryptographicHash::Sha256).toHex().toStdString();
}

class ManifestTest : public OperationsFixture {};

TEST_F(ManifestTest, FingerprintsEveryKindOfItemUnderRelativeKeys)
{
    writeFile("tree/a.txt", "alpha");
    writeFile("tree/docs/.hidden", "");
    writeFile("tree/docs/deep/b.bin", std::string("\0\1\2", 3));
    fs::create_directory(at("tree/empty"));
    fs::create_symlink("../a.txt", at("tree/docs/to-a"));
    fs::create_symlink("nowhere/at/all", at("tree/dangling"));
    fs::create_directory_symlink(at(""), at("tree/outside")); // a link to a folder is not entered

    const Manifest::Entries expected {
        { "", "directory" },
        { "/a.txt", sha256Hex("alpha") },
        { "/dangling", "link:nowhere/at/all" },
        { "/docs", "directory" },
        { "/docs/.hidden", sha256Hex("") },
        { "/docs/deep", "directory" },
        { "/docs/deep/b.bin", sha256Hex(std::string("\0\1\2", 3)) },
        { "/docs/to-a", "link:../a.txt" },
        { "/empty", "directory" },
        { "/outside", "link:" + at("").string() },
    };
    EXPECT_EQ(Manifest::of(at("tree")).entries(), expected);
}

TEST_F(ManifestTest, RootOfASingleFileOrLinkHasTheEmptyKey)
{
    EXPECT_EQ(Manifest::of(writeFile("one", "x")).entries(), (Manifest::Entries { { "", sha256Hex("x") } }));
    fs::create_symlink("one", at("link"));
    EXPECT_EQ(Manifest::of(at("link")).entries(), (Manifest::Entries { { "", "link:one" } }));
}

TEST_F(ManifestTest, HashesFilesLargerThanOneChunkWhole)
{
    std::string content;
    for (int i = 0; content.size() < (3u << 20) + 17; ++i)
        content += std::to_string(i) + ",";
    EXPECT_EQ(Manifest::of(writeFile("big", content)).entries().at(""), sha256Hex(content));
}

TEST_F(ManifestTest, ComparesContentAndShapeButNotRootNamesOrMetadata)
{
    for (int i = 0; i < 40; ++i)
        writeFile("left/f" + std::to_string(i), std::string(static_cast<size_t>(i) * 1000, char('a' + i % 26)));
    fs::copy(at("left"), at("right"), fs::copy_options::recursive);
    fs::permissions(at("right/f3"), fs::perms::owner_read);
    EXPECT_EQ(Manifest::of(at("left")), Manifest::of(at("right")));

    writeFile("right/f39", std::string(39000, 'b'));
    EXPECT_NE(Manifest::of(at("left")), Manifest::of(at("right")));
    fs::remove(at("right/f39"));
    EXPECT_NE(Manifest::of(at("left")), Manifest::of(at("right")));
}

TEST_F(ManifestTest, SpecialItemsAreUnsupported)
{
    writeFile("tree/a.txt", "alpha");
    ASSERT_EQ(::mkfifo(at("tree/pipe").c_str(), 0600), 0);
    try {
        Manifest::of(at("tree"));
        ADD_FAILURE() << "a named pipe was fingerprinted";
    } catch (const FileFailure& failure) {
        EXPECT_EQ(failure.kind(), FileFailure::Kind::unsupportedItem);
    }
}

TEST_F(ManifestTest, EachTreeKeepsItsOwnOutcome)
{
    writeFile("good/a", "a");
    const auto attempts = Manifest::ofEach({ at("missing"), at("good") });
    ASSERT_EQ(attempts.size(), 2u);
    try {
        attempts[0].get();
        ADD_FAILURE() << "a missing root has a manifest";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code(), std::errc::no_such_file_or_directory);
        EXPECT_NE(std::string(error.what()).find(at("missing").string()), std::string::npos) << error.what();
    }
    EXPECT_EQ(attempts[1].get(), Manifest::of(at("good")));
}

} // namespace
} // namespace bramblet
