#include "BrambletCore/Files/FileService.h"

#include "BrambletCore/Models/FileFailure.h"
#include "OperationsFixture.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QThread>

#include <optional>

namespace bramblet {
namespace {

namespace fs = std::filesystem;

class FileServiceExecute : public OperationsFixture {};

TEST_F(FileServiceExecute, RunsRequestsOnTheServicesExecutorAndAnswersOnTheCallersThread)
{
    writeFile("a.txt", "a");
    FileService service;
    QObject context;
    std::optional<FileOutcome> outcome;
    std::optional<FileFailure::Kind> failure;
    Qt::HANDLE answeredOn = nullptr;
    service.execute({ FileAction::copy, at("a.txt"), at("b.txt"), ConflictPolicy::ask })
        .then(&context, [&](const FileOutcome& result) {
            outcome = result;
            answeredOn = QThread::currentThreadId();
        });
    service.execute({ FileAction::move, at("missing"), at("c.txt"), ConflictPolicy::ask })
        .then(&context, [](const FileOutcome&) { ADD_FAILURE() << "a missing source was moved"; })
        .onFailed(&context, [&](const FileFailure& f) { failure = f.kind(); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return outcome.has_value() && failure.has_value(); }, 5000));
    EXPECT_EQ(*outcome, FileOutcome::completed(at("b.txt")));
    EXPECT_EQ(readFile(at("b.txt")), "a");
    EXPECT_EQ(answeredOn, QThread::currentThreadId());
    EXPECT_EQ(*failure, FileFailure::Kind::missingSource);
}

TEST_F(FileServiceExecute, ValidateNameIsTheServicesNameCheck)
{
    EXPECT_NO_THROW(FileService::validateName(QStringLiteral("Report 2024-01-01T10:00.pdf")));
    EXPECT_THROW(FileService::validateName(QStringLiteral("a/b")), FileFailure);
}

} // namespace
} // namespace bramblet
