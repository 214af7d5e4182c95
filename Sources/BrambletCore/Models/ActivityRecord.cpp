#include "BrambletCore/Models/ActivityRecord.h"

#include "BrambletCore/Models/JsonDecoding.h"

namespace bramblet {

namespace {

// Dates are stored as a double of seconds, which holds microseconds exactly for centuries
// around the reference date but not nanoseconds; keeping the record's own date at microseconds
// makes a stored record come back equal to the one that was saved.
Date toMicroseconds(Date date)
{
    return std::chrono::round<std::chrono::microseconds>(date);
}

} // namespace

ActivityRecord::ActivityRecord(FileAction action, const QString& source, const QString& destination)
    : ActivityRecord(QUuid::createUuid(), action, source, destination, std::chrono::system_clock::now())
{
}

ActivityRecord::ActivityRecord(QUuid id, FileAction action, const QString& source, const QString& destination,
                               Date date)
    : message(QStringLiteral("Waiting"))
    , m_id(id)
    , m_action(action)
    , m_source(source)
    , m_destination(destination)
    , m_date(toMicroseconds(date))
{
}

QJsonObject ActivityRecord::toJson() const
{
    return {
        { "id", m_id.toString(QUuid::WithoutBraces).toUpper() },
        { "action", toString(m_action) },
        { "source", m_source },
        { "destination", m_destination },
        { "status", toString(status) },
        { "message", message },
        { "date", secondsSinceReferenceDate(m_date) },
    };
}

ActivityRecord ActivityRecord::fromJson(const QJsonValue& value)
{
    const auto object = json::requireObject(value, "activity");
    const QUuid id(json::requireString(object, "id"));
    if (id.isNull())
        json::fail("id", "is not a UUID");
    const auto date = dateFromSecondsSinceReferenceDate(json::requireDouble(object, "date"));
    if (!date)
        json::fail("date", "is not a date the clock can hold");
    ActivityRecord record(id, json::requireEnum<FileAction>(object, "action"), json::requireString(object, "source"),
                          json::requireString(object, "destination"), *date);
    record.status = json::requireEnum<Status>(object, "status");
    record.message = json::requireString(object, "message");
    return record;
}

QString toString(ActivityRecord::Status status)
{
    using Status = ActivityRecord::Status;
    switch (status) {
    case Status::queued: return QStringLiteral("queued");
    case Status::running: return QStringLiteral("running");
    case Status::completed: return QStringLiteral("completed");
    case Status::skipped: return QStringLiteral("skipped");
    case Status::cancelled: return QStringLiteral("cancelled");
    case Status::failed: return QStringLiteral("failed");
    }
    Q_UNREACHABLE();
}

template <>
std::optional<ActivityRecord::Status> fromString<ActivityRecord::Status>(const QString& text)
{
    return caseNamed(allActivityStatuses, text);
}

} // namespace bramblet
