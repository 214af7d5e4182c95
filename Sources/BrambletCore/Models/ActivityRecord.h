#pragma once

#include "BrambletCore/Models/Date.h"
#include "BrambletCore/Models/FileAction.h"

#include <QJsonObject>
#include <QUuid>

namespace bramblet {

// One line of the activity log: a file request as the user sees it, from queued to its end.
struct ActivityRecord {
    enum class Status {
        queued,
        running,
        completed,
        skipped,
        cancelled,
        failed,
    };

    // A new record: fresh identifier, status queued, message "Waiting", the current time.
    ActivityRecord(FileAction action, const QString& source, const QString& destination);

    QUuid id() const { return m_id; }
    FileAction action() const { return m_action; }
    const QString& source() const { return m_source; }
    const QString& destination() const { return m_destination; }
    Date date() const { return m_date; }

    Status status = Status::queued;
    QString message;

    QJsonObject toJson() const;
    // Throws JsonDecodeError unless all seven keys are present with the right types.
    static ActivityRecord fromJson(const QJsonValue& value);

    bool operator==(const ActivityRecord&) const = default;

private:
    ActivityRecord(QUuid id, FileAction action, const QString& source, const QString& destination, Date date);

    QUuid m_id;
    FileAction m_action;
    QString m_source;
    QString m_destination;
    Date m_date;
};

inline constexpr std::array allActivityStatuses {
    ActivityRecord::Status::queued,    ActivityRecord::Status::running, ActivityRecord::Status::completed,
    ActivityRecord::Status::skipped,   ActivityRecord::Status::cancelled, ActivityRecord::Status::failed,
};

QString toString(ActivityRecord::Status status);

template <>
std::optional<ActivityRecord::Status> fromString<ActivityRecord::Status>(const QString& text);

} // namespace bramblet
