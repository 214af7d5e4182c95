#include "App/ProgramTestSupport.h"

#include <QFileInfo>

namespace bramblet {
namespace {

using CommandLineTest = testing::ProgramTest;

TEST_F(CommandLineTest, HelpVersionAndUnknownOptionsAnswerWithoutAWindow)
{
    const QString usage = QStringLiteral("Usage: bramblet [OPTION]... [FOLDER]\n");
    struct Case {
        QStringList arguments;
        int exitCode;
        QString output;      // what standard output starts with
        QString diagnostics; // what standard error starts with
    };
    const Case cases[] = {
        { { "--help" }, 0, usage, {} },
        { { "/a", "-h", "--bogus" }, 0, usage, {} },
        { { "--version" }, 0, QStringLiteral("Bramblet " BRAMBLET_VERSION "\n"), {} },
        { { "--bogus" }, 2, {}, QStringLiteral("bramblet: unknown option \u201c--bogus\u201d\n\n") + usage },
        { { "--left", "-x", "--left=/a" }, 2, {}, QStringLiteral("bramblet: unknown option \u201c--left=/a\u201d\n") },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const auto program = start(c.arguments);
        ASSERT_TRUE(ended(*program));
        const QString output = QString::fromLocal8Bit(program->readAllStandardOutput());
        const QString diagnostics = QString::fromLocal8Bit(program->readAllStandardError());
        EXPECT_EQ(program->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program->exitCode(), c.exitCode) << diagnostics.toStdString();
        EXPECT_TRUE(output.startsWith(c.output) && (c.output.isEmpty() == output.isEmpty())) << output.toStdString();
        EXPECT_TRUE(diagnostics.startsWith(c.diagnostics)) << diagnostics.toStdString();
        if (c.exitCode == 2) {
            EXPECT_TRUE(diagnostics.contains(usage)) << "the usage follows the error";
        }
        EXPECT_FALSE(QFileInfo::exists(instanceFolder())) << "no instance was claimed";
    }
}

} // namespace
} // namespace bramblet
