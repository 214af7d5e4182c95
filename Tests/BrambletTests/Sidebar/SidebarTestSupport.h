#pragma once

#include "Bramblet/Sidebar/SidebarSections.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>

namespace bramblet::testing {

// Sets an environment variable for the life of the object and puts the old value back.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const QByteArray& value)
        : m_name(name)
    {
        if (qEnvironmentVariableIsSet(name))
            m_previous = qgetenv(name);
        qputenv(name, value);
    }
    ~ScopedEnvironment()
    {
        if (m_previous)
            qputenv(m_name, *m_previous);
        else
            qunsetenv(m_name);
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* m_name;
    std::optional<QByteArray> m_previous;
};

// A home folder of the test's own, with the desktop's user-folder settings written as given
// (lines such as XDG_DESKTOP_DIR="$HOME/Schreibtisch"); none written when `userDirs` is empty.
class FakeHome {
public:
    explicit FakeHome(const QByteArray& userDirs = {})
        : m_home("HOME", QFile::encodeName(m_folder.path()))
        , m_config("XDG_CONFIG_HOME", QFile::encodeName(m_folder.filePath(QStringLiteral(".config"))))
    {
        QDir(m_folder.path()).mkpath(QStringLiteral(".config"));
        if (!userDirs.isEmpty()) {
            QFile file(m_folder.filePath(QStringLiteral(".config/user-dirs.dirs")));
            if (file.open(QIODevice::WriteOnly))
                file.write(userDirs);
        }
    }

    QString path() const { return m_folder.path(); }

private:
    QTemporaryDir m_folder;
    ScopedEnvironment m_home;
    ScopedEnvironment m_config;
};

// The rows of a section as "title | icon | path", with " *" after a favourite.
inline QStringList describe(const SidebarEntry& section)
{
    QStringList rows;
    for (const auto& entry : section.children) {
        rows.append(entry->title + QStringLiteral(" | ") + entry->icon + QStringLiteral(" | ")
                    + entry->path.value_or(QStringLiteral("(none)")) + (entry->favorite ? QStringLiteral(" *") : QString()));
    }
    return rows;
}

} // namespace bramblet::testing
