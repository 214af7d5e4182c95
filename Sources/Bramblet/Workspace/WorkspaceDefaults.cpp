#include "Bramblet/Workspace/WorkspaceDefaults.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>

namespace bramblet {

namespace {

Q_LOGGING_CATEGORY(defaultsLog, "bramblet.settings")

// Moves a settings file over the size limit aside before anything reads it; false when it is too
// large and cannot be moved, so that it must be neither read nor written.
bool boundFileSize(const QString& file)
{
    const qint64 size = QFileInfo(file).size();
    if (size <= WorkspaceDefaults::maximumFileSize)
        return true;
    // A copy set aside by an earlier run is the user's too: it is never replaced.
    QString aside = file + QStringLiteral(".unreadable");
    for (int number = 2; QFileInfo::exists(aside); ++number)
        aside = file + QStringLiteral(".unreadable-%1").arg(number);
    const bool moved = QFile::rename(file, aside);
    qCWarning(defaultsLog, "Settings file \"%s\" is %lld bytes, more than the %lld this program writes; %s",
              qUtf8Printable(file), size, WorkspaceDefaults::maximumFileSize,
              moved ? qUtf8Printable(QStringLiteral("it was moved to \"%1\" and settings start empty").arg(aside))
                    : "it cannot be moved aside, and is neither read nor written");
    return moved;
}

} // namespace

// The user's settings of organisation and application "Bramblet", where the desktop keeps them;
// named here, as a settings object made for the name would read the file at once.
WorkspaceDefaults::WorkspaceDefaults()
    : WorkspaceDefaults(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                        + QStringLiteral("/Bramblet/Bramblet.conf"))
{
}

WorkspaceDefaults::WorkspaceDefaults(const QString& settingsFile)
{
    // A file that is too large and stays where it is must not be merged into the next write
    // either: the store then keeps its values in memory only, which a write reports as a failure.
    m_settings = boundFileSize(settingsFile) ? std::make_unique<QSettings>(settingsFile, QSettings::IniFormat)
                                             : std::make_unique<QSettings>(QString(), QSettings::IniFormat);
    m_fileName = settingsFile;
}

WorkspaceDefaults::~WorkspaceDefaults() = default;

QString WorkspaceDefaults::fileName() const
{
    return m_fileName;
}

std::optional<QByteArray> WorkspaceDefaults::data(const QString& key) const
{
    const auto stored = m_settings->value(key);
    if (!stored.isValid())
        return std::nullopt;
    // Anything but text (a value another program wrote) reads as bytes that decode as nothing.
    return stored.toString().toUtf8();
}

void WorkspaceDefaults::setData(const QString& key, const QByteArray& json)
{
    m_settings->setValue(key, QString::fromUtf8(json));
    checkWrite();
}

void WorkspaceDefaults::replaceKeepingUnreadable(const QString& key, const QByteArray& json,
                                                 const std::function<bool(const QByteArray&)>& readable)
{
    if (!m_ownValues.contains(key)) {
        if (const auto current = data(key); current && !readable(*current))
            m_settings->setValue(unreadableKey(key), m_settings->value(key));
        m_ownValues.insert(key);
    }
    setData(key, json);
}

std::optional<QString> WorkspaceDefaults::string(const QString& key) const
{
    const auto stored = m_settings->value(key);
    if (!stored.isValid())
        return std::nullopt;
    return stored.toString();
}

void WorkspaceDefaults::setString(const QString& key, const QString& value)
{
    m_settings->setValue(key, value);
    checkWrite();
}

QVariant WorkspaceDefaults::value(const QString& key) const
{
    return m_settings->value(key);
}

void WorkspaceDefaults::checkWrite()
{
    if (m_writeCheckQueued || m_writeFailureReported)
        return;
    m_writeCheckQueued = true;
    // Once per burst of writes, from the event loop, as the store would write them anyway.
    QTimer::singleShot(0, m_settings.get(), [this] {
        m_writeCheckQueued = false;
        m_settings->sync();
        const bool written = m_settings->fileName() == m_fileName && m_settings->status() != QSettings::AccessError;
        if (written || m_writeFailureReported)
            return;
        m_writeFailureReported = true;
        const QString& file = m_fileName;
        qCWarning(defaultsLog, "Settings cannot be written to \"%s\"; nothing of this session is kept",
                  qUtf8Printable(file));
        if (writeFailed)
            writeFailed(file);
    });
}

} // namespace bramblet
