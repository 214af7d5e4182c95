#pragma once

#include <QJsonObject>
#include <QString>
#include <QUuid>

namespace bramblet {

// One saved connection to a bucket of an S3-compatible store. The secret access key is not part
// of it: it lives in the keychain under the account idString().
struct S3Connection {
    QUuid id;
    QString name;
    // Bare host name, optionally "host:port"; no scheme, no path.
    QString endpoint;
    QString region;
    QString bucket;
    QString accessKeyID;

    // The canonical upper-case hyphenated form of `id`, as stored and as the keychain account.
    QString idString() const;

    // The keys "id", "name", "endpoint", "region", "bucket", "accessKeyID".
    QJsonObject toJson() const;
    // Throws JsonDecodeError unless all six keys are strings and "id" is a UUID.
    static S3Connection fromJson(const QJsonValue& value);

    bool operator==(const S3Connection&) const = default;
};

} // namespace bramblet
