#include "BrambletCore/Operations/FileNames.h"

#include "BrambletCore/Models/FileFailure.h"
#include "OperationsFixture.h"

#include <gtest/gtest.h>

#include <limits>

namespace bramblet {
namespace {

using namespace Qt::StringLiterals;

TEST(FileNames, ValidateNameRefusesSlashesAndControlCharactersOnly)
{
    struct Case {
        QString name;
        bool valid;
    };
    const Case cases[] = {
        { u""_s, false },
        { u"."_s, false },
        { u".."_s, false },
        { u"a/b"_s, false },
        { u"/"_s, false },
        { u"nul\0inside"_s, false },
        { u"line\nbreak"_s, false },
        { u"tab\there"_s, false },
        { u"del\x7f"_s, false },
        { QStringLiteral("c1\u0085next line"), false },
        // What Linux allows and people write: colons, and format characters inside ordinary text.
        { u"backup 2024-01-01T10:00:00.log"_s, true },
        { u":"_s, true },
        { QStringLiteral("\u0645\u06CC\u200C\u062E\u0648\u0627\u0647\u0645.txt"), true }, // zero-width non-joiner
        { QStringLiteral("family-\U0001F468\u200D\U0001F469\u200D\U0001F467.jpg"), true }, // zero-width joiners
        { QStringLiteral("zero\u200Bwidth"), true },
        { QStringLiteral("bidi\u202Eoverride"), true },
        { u"..."_s, true },
        { u".hidden"_s, true },
        { u" leading space"_s, true },
        { QStringLiteral("naïve café ✓"), true },
        { QString(300, u'x'), true }, // no length limit here
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        if (c.valid) {
            EXPECT_NO_THROW(validateName(c.name));
            continue;
        }
        try {
            validateName(c.name);
            ADD_FAILURE() << "accepted";
        } catch (const FileFailure& failure) {
            EXPECT_EQ(failure.kind(), FileFailure::Kind::invalidName);
            EXPECT_STREQ(failure.what(), "Use a name without slashes or control characters.");
        }
    }
}

TEST(FileNames, NumberedNamePutsTheNumberBeforeTheLastExtension)
{
    struct Case {
        std::string name;
        qint64 number;
        std::string expected;
    };
    const Case cases[] = {
        { "report.pdf", 2, "report_02.pdf" },
        { "report.pdf", 99, "report_99.pdf" },
        { "report.pdf", 100, "report_100.pdf" },
        { "Photos", 2, "Photos_02" },
        { "archive.tar.gz", 3, "archive.tar_03.gz" },
        { ".profile", 2, ".profile_02" },
        { "notes.", 2, "notes._02" },
        { "big", std::numeric_limits<qint64>::max(), "big_9223372036854775807" },
        // Bytes that are not UTF-8 stay as they are, not replacement characters.
        { "bad-\xff\xfe.bin", 2, "bad-\xff\xfe_02.bin" },
        { "\xe9t\xe9", 3, "\xe9t\xe9_03" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(numberedName(c.name, c.number), c.expected);
    }
}

class FirstFreeNumberedPath : public OperationsFixture {};

TEST_F(FirstFreeNumberedPath, SkipsTakenNamesIncludingDanglingLinks)
{
    writeFile("report.pdf", "a");
    EXPECT_EQ(firstFreeNumberedPath(at("report.pdf")), at("report_02.pdf"));
    writeFile("report_02.pdf", "b");
    std::filesystem::create_symlink("missing-target", at("report_03.pdf"));
    EXPECT_EQ(firstFreeNumberedPath(at("report.pdf")), at("report_04.pdf"));
}

} // namespace
} // namespace bramblet
