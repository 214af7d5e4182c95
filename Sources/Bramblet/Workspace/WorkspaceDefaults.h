#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QList>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>

class QSettings;

namespace bramblet {

// The store of everything the application keeps between runs: the user's settings of the
// organisation and application "Bramblet" (or, for tests, one settings file). Records are kept as
// compact UTF-8 JSON text under the keys below; "appearance" is a plain string. Main thread only.
class WorkspaceDefaults {
public:
    static inline const QString appearanceKey = QStringLiteral("appearance");
    static inline const QString workspaceKey = QStringLiteral("workspace");
    static inline const QString workspacesKey = QStringLiteral("workspaces");
    static inline const QString syncConfigsKey = QStringLiteral("syncConfigs");
    static inline const QString activitiesKey = QStringLiteral("activities");
    // Where a list that could not be read is kept before the list is written anew.
    static QString unreadableKey(const QString& key) { return key + QStringLiteral(".unreadable"); }

    WorkspaceDefaults();
    explicit WorkspaceDefaults(const QString& settingsFile);
    ~WorkspaceDefaults();

    WorkspaceDefaults(const WorkspaceDefaults&) = delete;
    WorkspaceDefaults& operator=(const WorkspaceDefaults&) = delete;

    // The JSON text under `key`; none when the key is absent.
    std::optional<QByteArray> data(const QString& key) const;
    void setData(const QString& key, const QByteArray& json);

    // Writes `json` under `key`. When the value there now is present but `readable` rejects it,
    // that value is first copied to unreadableKey(key), so a list that this version could not
    // read is not lost by the write that replaces it.
    void replaceKeepingUnreadable(const QString& key, const QByteArray& json,
                                  const std::function<bool(const QByteArray&)>& readable);

    std::optional<QString> string(const QString& key) const;
    void setString(const QString& key, const QString& value);

    // The raw stored value of a key (tests and diagnostics).
    QVariant value(const QString& key) const;

private:
    std::unique_ptr<QSettings> m_settings;
};

// A JSON array of records, each decoded with Record::fromJson; none when the text is not an array
// or any element does not decode (a list never restores half).
template <class Record>
std::optional<QList<Record>> decodeList(const QByteArray& json)
{
    const auto document = QJsonDocument::fromJson(json);
    if (!document.isArray())
        return std::nullopt;
    QList<Record> records;
    try {
        for (const auto& element : document.array())
            records.append(Record::fromJson(element));
    } catch (const std::exception&) {
        return std::nullopt;
    }
    return records;
}

// Compact JSON text of the records in order; throws what Record::toJson throws.
template <class Record>
QByteArray encodeList(const QList<Record>& records)
{
    QJsonArray array;
    for (const auto& record : records)
        array.append(record.toJson());
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

} // namespace bramblet
