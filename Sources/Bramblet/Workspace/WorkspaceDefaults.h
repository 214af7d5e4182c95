#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QList>
#include <QString>
#include <QSet>
#include <QVariant>

#include <algorithm>
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
    // Where a value that could not be read is kept before the key is written anew.
    static QString unreadableKey(const QString& key) { return key + QStringLiteral(".unreadable"); }
    // A settings file larger than this is none this program wrote: reading it would hold up the
    // start for minutes. It is moved aside to the same name with ".unreadable" appended, with a log
    // line, and the store starts empty.
    static constexpr qint64 maximumFileSize = 32 * 1024 * 1024;

    WorkspaceDefaults();
    explicit WorkspaceDefaults(const QString& settingsFile);
    ~WorkspaceDefaults();

    // The settings file's path.
    QString fileName() const;

    WorkspaceDefaults(const WorkspaceDefaults&) = delete;
    WorkspaceDefaults& operator=(const WorkspaceDefaults&) = delete;

    // The JSON text under `key`; none when the key is absent.
    std::optional<QByteArray> data(const QString& key) const;
    void setData(const QString& key, const QByteArray& json);

    // Writes `json` under `key`. When the value there now is present but `readable` rejects it,
    // that value is first copied to unreadableKey(key), so a value that this version could not
    // read is not lost by the write that replaces it. Asked once per key: after the first write the
    // value is this store's own.
    void replaceKeepingUnreadable(const QString& key, const QByteArray& json,
                                  const std::function<bool(const QByteArray&)>& readable);

    std::optional<QString> string(const QString& key) const;
    void setString(const QString& key, const QString& value);

    // The raw stored value of a key (tests and diagnostics).
    QVariant value(const QString& key) const;

    // Called once, from the event loop after a write, when the settings file cannot be written
    // (a folder in its place, no permission, a full disk); the argument is the file's path.
    std::function<void(const QString& file)> writeFailed;

private:
    // Writes go to disk from the event loop; the first failure is logged and reported.
    void checkWrite();

    std::unique_ptr<QSettings> m_settings;
    QString m_fileName;
    QSet<QString> m_ownValues; // keys this store has replaced since it was opened
    bool m_writeCheckQueued = false;
    bool m_writeFailureReported = false;
};

// A JSON array of records, each decoded with Record::fromJson; none when the text is not an array
// or any element does not decode (a list never restores half). With `last`, only the last `last`
// elements are decoded and returned.
template <class Record>
std::optional<QList<Record>> decodeList(const QByteArray& json, std::optional<qsizetype> last = std::nullopt)
{
    const auto document = QJsonDocument::fromJson(json);
    if (!document.isArray())
        return std::nullopt;
    const QJsonArray array = document.array();
    const qsizetype skipped = last ? std::max<qsizetype>(0, array.size() - *last) : 0;
    QList<Record> records;
    records.reserve(array.size() - skipped);
    try {
        for (qsizetype index = skipped; index < array.size(); ++index)
            records.append(Record::fromJson(array[index]));
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
