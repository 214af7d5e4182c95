#include "BrambletCore/Models/ActivityRecord.h"
#include "BrambletCore/Models/JsonDecoding.h"

#include <gtest/gtest.h>

#include <QJsonDocument>

namespace bramblet {
namespace {

TEST(ActivityRecord, NewRecordIsQueuedAndWaiting)
{
    const auto before = std::chrono::system_clock::now() - std::chrono::seconds(1);
    const ActivityRecord a(FileAction::copy, "/src/x", "/dst/x");
    const ActivityRecord b(FileAction::copy, "/src/x", "/dst/x");
    EXPECT_NE(a.id(), b.id());
    EXPECT_EQ(a.status, ActivityRecord::Status::queued);
    EXPECT_EQ(a.message, "Waiting");
    EXPECT_EQ(a.action(), FileAction::copy);
    EXPECT_EQ(a.source(), "/src/x");
    EXPECT_EQ(a.destination(), "/dst/x");
    EXPECT_GT(a.date(), before);
}

TEST(ActivityRecord, JsonRoundTripKeepsIdentifierAndDateExactly)
{
    ActivityRecord record(FileAction::trash, "/a/b", "");
    record.status = ActivityRecord::Status::failed;
    record.message = "Permission denied";

    const auto text = QJsonDocument(record.toJson()).toJson(QJsonDocument::Compact);
    const auto object = QJsonDocument::fromJson(text).object();
    EXPECT_EQ(object.keys(), QStringList({ "action", "date", "destination", "id", "message", "source", "status" }));
    EXPECT_EQ(object["status"].toString(), "failed");
    EXPECT_TRUE(object["date"].isDouble());

    const auto decoded = ActivityRecord::fromJson(object);
    EXPECT_EQ(decoded, record);
    EXPECT_EQ(decoded.toJson(), record.toJson());
}

TEST(ActivityRecord, DatesAreSecondsSinceTheReferenceDate)
{
    const QJsonObject object {
        { "id", "E621E1F8-C36C-495A-93FC-0C247A3E6E5F" },
        { "action", "move" },
        { "source", "/s" },
        { "destination", "/d" },
        { "status", "completed" },
        { "message", "Done" },
        { "date", 86400.25 },
    };
    const auto record = ActivityRecord::fromJson(object);
    const auto unixSeconds = std::chrono::duration<double>(record.date().time_since_epoch()).count();
    EXPECT_DOUBLE_EQ(unixSeconds, 978307200 + 86400.25);
    EXPECT_EQ(record.id(), QUuid("{e621e1f8-c36c-495a-93fc-0c247a3e6e5f}"));
    EXPECT_EQ(record.toJson(), object) << "re-encoding gives the same seven values";
}

TEST(ActivityRecord, ADateTheClockCannotHoldMakesTheRecordUnreadable)
{
    auto object = ActivityRecord(FileAction::copy, "/a", "/b").toJson();
    // Seconds since 2001 of the clock's last years, 1677 and 2262, each side of its ends.
    for (const double seconds : { -9.0e9, 8.0e9 }) {
        object["date"] = seconds;
        EXPECT_NO_THROW(ActivityRecord::fromJson(object)) << seconds;
    }
    for (const double seconds : { 1e30, -1e30, 1e300, 9.0e9, -1.05e10 }) {
        object["date"] = seconds;
        EXPECT_THROW(ActivityRecord::fromJson(object), JsonDecodeError) << seconds;
    }
}

TEST(ActivityRecord, DecodingRejectsIncompleteOrUnknownValues)
{
    const auto valid = ActivityRecord(FileAction::rename, "/a", "/b").toJson();
    for (const auto& key : valid.keys()) {
        SCOPED_TRACE(key.toStdString());
        auto missing = valid;
        missing.remove(key);
        EXPECT_THROW(ActivityRecord::fromJson(missing), JsonDecodeError);
    }
    const std::pair<const char*, QJsonValue> wrong[] = {
        { "status", "done" }, { "action", "Copy" }, { "id", "not-a-uuid" }, { "date", "2024-01-01" }, { "message", 3 },
    };
    for (const auto& [key, value] : wrong) {
        SCOPED_TRACE(key);
        auto object = valid;
        object[key] = value;
        EXPECT_THROW(ActivityRecord::fromJson(object), JsonDecodeError);
    }
}

} // namespace
} // namespace bramblet
