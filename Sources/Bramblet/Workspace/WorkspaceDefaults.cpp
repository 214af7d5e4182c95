#include "Bramblet/Workspace/WorkspaceDefaults.h"

#include <QSettings>

namespace bramblet {

WorkspaceDefaults::WorkspaceDefaults()
    : m_settings(std::make_unique<QSettings>(QStringLiteral("Bramblet"), QStringLiteral("Bramblet")))
{
}

WorkspaceDefaults::WorkspaceDefaults(const QString& settingsFile)
    : m_settings(std::make_unique<QSettings>(settingsFile, QSettings::IniFormat))
{
}

WorkspaceDefaults::~WorkspaceDefaults() = default;

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
}

void WorkspaceDefaults::replaceKeepingUnreadable(const QString& key, const QByteArray& json,
                                                 const std::function<bool(const QByteArray&)>& readable)
{
    if (const auto current = data(key); current && !readable(*current))
        m_settings->setValue(unreadableKey(key), m_settings->value(key));
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
}

QVariant WorkspaceDefaults::value(const QString& key) const
{
    return m_settings->value(key);
}

} // namespace bramblet
