#pragma once

#include <QJsonObject>
#include <QString>

namespace bramblet {

// A saved sync pair: a name and the two folders, source first.
struct SyncConfig {
    QString name;
    QString source;
    QString destination;

    QJsonObject toJson() const;
    // Throws JsonDecodeError unless all three keys are present as strings.
    static SyncConfig fromJson(const QJsonValue& value);

    bool operator==(const SyncConfig&) const = default;
};

} // namespace bramblet
