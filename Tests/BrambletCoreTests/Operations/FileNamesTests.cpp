#include "BrambletCore/Operations/FileNames.h"

#include "BrambletCore/Models/FileFailure.h"
#include "OperationsFixture.h"

#include <gtest/gtest.h>

#include <limits>

namespace bramblet {
namespace {

using namespace Qt::StringLiterals;

TEST(FileNames, ValidateNameRejectsWhatCannotBeAFileName)
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
        { u"report:final"_s, false },
        { u"line\nbreak"_s, false },
        { u"tab\there"_s, false },
        { u"del\x7f"_s, false },
        { QStringLiteral("zero\u200Bwidth"), false }, // format character (Cf)
        { QStringLiteral("bidi\u202Eoverride"), false },
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
            EXPECT_STREQ(failure.what(), "Use a name without slashes, colons, or control characters.");
        }
    }
}

TEST(FileNames, NumberedNamePutsTheNumberBeforeTheLastExtension)
{
    struct Case {
        QString name;
        qint64 number;
        QString expected;
    };
    const Case cases[] = {
        { u"report.pdf"_s, 2, u"report_02.pdf"_s },
        { u"report.pdf"_s, 99, u"report_99.pdf"_s },
        { u"report.pdf"_s, 100, u"report_100.pdf"_s },
        { u"Photos"_s, 2, u"Photos_02"_s },
        { u"archive.tar.gz"_s, 3, u"archive.tar_03.gz"_s },
        { u".profile"_s, 2, u".profile_02"_s },
        { u"notes."_s, 2, u"notes._02"_s },
        { u"big"_s, std::numeric_limits<qint64>::max(), u"big_9223372036854775807"_s },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
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
